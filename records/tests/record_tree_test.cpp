// Building the tree of the sorted entries, and the walk that reveals an item.
#include <gtest/gtest.h>

#include "platform/scripted/scripted_platform.h"
#include "records/record_file.h"
#include "records/record_tree.h"

namespace korvalis {
namespace {

RecordList listOf(const std::vector<std::string>& lines) {
  std::string bytes = "header\r\n";
  for (const std::string& line : lines) {
    bytes += line + "\r\n";
  }
  return parseRecordBytes(bytes + "T\r\n00000000", "T").list;
}

std::vector<std::string> shape(const RecordTree& tree) {
  std::vector<std::string> out;
  for (const TreeItem& item : tree.items) {
    out.push_back(std::to_string(item.level) + std::string(item.text));
  }
  return out;
}

TEST(RecordTreeTest, GroupsAdjacentValuesAndLinksLeaves) {
  RecordList list = listOf({"L\tP\tT\tz", "L\tP\tT\ty", "l\tP\tT\tx", "L\tQ\tT\tw"});
  ScriptedPlatform platform;
  const RecordTree tree = buildTree(list, "Wurzel", platform);
  const std::vector<std::string> expected = {"0Wurzel", "1L", "2P", "3T", "4y", "4z", "2Q",
                                             "3T",      "4w", "1l", "2P", "3T", "4x"};
  EXPECT_EQ(shape(tree), expected);
  EXPECT_TRUE(tree.message.empty());
  EXPECT_TRUE(platform.messages().empty());
  for (EntryId id = 0; id < list.size(); ++id) {
    const TreeItem& leaf = tree.items.at(static_cast<std::size_t>(list.entries[id].treeItem));
    EXPECT_EQ(leaf.entry, id);
    EXPECT_EQ(leaf.level, 4);
  }
  EXPECT_EQ(tree.firstLeaf(), 4);
  EXPECT_EQ(tree.ancestorsOf(12), (std::vector<int>{11, 10, 9, 0}));
  EXPECT_EQ(tree.ancestorsOf(7), (std::vector<int>{6, 1, 0}));
  EXPECT_TRUE(tree.ancestorsOf(0).empty());
  EXPECT_TRUE(tree.ancestorsOf(99).empty());
}

TEST(RecordTreeTest, EmptyFieldStopsBuildingWithItsMessage) {
  struct Case {
    std::string badLine;
    std::string message;
    std::vector<std::string> shape;
  };
  const std::string tail = "-Feld gefunden!\rEinlesen der Datendatei wird beendet.";
  const std::vector<Case> cases = {
      {"\tB\tC\tD", "Leeres Info1" + tail, {"0R"}},
      {"X\t\tC\tD", "Leeres Info2" + tail, {"0R", "1A", "2B", "3C", "4D", "1X"}},
      {"X\tB\t\tD", "Leeres Info3" + tail, {"0R", "1A", "2B", "3C", "4D", "1X", "2B"}},
      {"X\tB\tC\t",
       "Leeres Info4" + tail,
       {"0R", "1A", "2B", "3C", "4D", "1X", "2B", "3C", "4{leer}"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    RecordList list = listOf({"A\tB\tC\tD", c.badLine, "Z\tB\tC\tD"});
    ScriptedPlatform platform;
    const RecordTree tree = buildTree(list, "R", platform);
    EXPECT_EQ(shape(tree), c.shape);
    ASSERT_EQ(platform.messages().size(), 1U);
    EXPECT_EQ(platform.messages()[0].title, "Fehler!");
    EXPECT_EQ(platform.messages()[0].text, c.message);
    EXPECT_EQ(platform.messages()[0].sign, MessageSign::Error);
    // Entries after the stop have no leaf.
    EXPECT_EQ(list.entries.back().treeItem, -1);
  }
}

TEST(RecordTreeTest, EmptyInfo4LeafIsLinkedToItsEntry) {
  RecordList list = listOf({"A\tB\tC\t"});
  const RecordTree tree = buildTreeItems(list, "R");
  ASSERT_EQ(list.entries[0].treeItem, 4);
  EXPECT_EQ(tree.items[4].text, "{leer}");
  EXPECT_EQ(tree.items[4].entry, 0U);
}

}  // namespace
}  // namespace korvalis
