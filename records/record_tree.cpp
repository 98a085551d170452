#include "records/record_tree.h"

#include <array>
#include <optional>

#include "platform/platform.h"

namespace korvalis {
namespace {

constexpr std::string_view kEmptyLeafText = "{leer}";

std::string emptyFieldMessage(int level) {
  return "Leeres Info" + std::to_string(level) +
         "-Feld gefunden!\rEinlesen der Datendatei wird beendet.";
}

int toInt(std::size_t position) {
  return static_cast<int>(position);
}

}  // namespace

int RecordTree::firstLeaf() const {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].level == 4) {
      return toInt(i);
    }
  }
  return -1;
}

std::vector<int> RecordTree::ancestorsOf(int item) const {
  std::vector<int> result;
  if (item <= 0 || static_cast<std::size_t>(item) >= items.size()) {
    return result;
  }
  int level = items[static_cast<std::size_t>(item)].level;
  for (int i = item - 1; i >= 0 && level > 0; --i) {
    if (items[static_cast<std::size_t>(i)].level < level) {
      result.push_back(i);
      level = items[static_cast<std::size_t>(i)].level;
    }
  }
  return result;
}

RecordTree buildTreeItems(RecordList& list, std::string_view rootText) {
  RecordTree tree;
  tree.fileBytes = list.bytes;
  tree.rootText = std::make_shared<const std::string>(rootText);
  tree.items.reserve(list.size() + list.size() / 4 + 8);
  tree.items.push_back(TreeItem{0, *tree.rootText, kNoEntry});
  for (RecordEntry& entry : list.entries) {
    entry.treeItem = -1;
  }

  // The texts of the group items last added at levels 1-3; nothing = none yet.
  std::array<std::optional<std::string_view>, 3> last{};
  for (EntryId id = 0; id < list.size(); ++id) {
    // The entries are in sorted order, their lines in file order: ask for a line a few entries
    // ahead early, so walking the list does not wait on memory at every entry.
    constexpr EntryId kAhead = 8;
    if (id + kAhead < list.size()) {
      __builtin_prefetch(list.entries[id + kAhead].line().data());
    }
    RecordEntry& entry = list.entries[id];
    const auto columns = entry.columns();
    for (std::size_t level = 0; level < 3; ++level) {
      const std::string_view group = columns[RecordEntry::Info1 + level];
      if (group.empty()) {
        tree.message = emptyFieldMessage(toInt(level) + 1);
        return tree;
      }
      if (!last[level] || *last[level] != group) {
        tree.items.push_back(TreeItem{toInt(level) + 1, group, kNoEntry});
        last[level] = group;
        for (std::size_t deeper = level + 1; deeper < 3; ++deeper) {
          last[deeper].reset();
        }
      }
    }
    entry.treeItem = toInt(tree.items.size());
    const std::string_view leaf = columns[RecordEntry::Info4];
    tree.items.push_back(TreeItem{4, leaf.empty() ? kEmptyLeafText : leaf, id});
    if (leaf.empty()) {
      tree.message = emptyFieldMessage(4);
      return tree;
    }
  }
  return tree;
}

RecordTree buildTree(RecordList& list, std::string_view rootText, Platform& platform) {
  RecordTree tree = buildTreeItems(list, rootText);
  if (!tree.message.empty()) {
    platform.message("Fehler!", tree.message, MessageSign::Error);
  }
  return tree;
}

}  // namespace korvalis
