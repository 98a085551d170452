#include "archive/page_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/file_io.h"

namespace korvalis {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMagic = "KRVPAGE1\n";
constexpr std::string_view kEntrySuffix = ".page";
constexpr std::string_view kTemporaryPrefix = ".tmp-";
/// An entry larger than this is no page the engine would have kept.
constexpr std::uint64_t kLargestEntry = std::uint64_t{512} << 20;

bool isDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::uint32_t checksumOf(std::span<const std::uint8_t> bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  std::size_t done = 0;
  while (done < bytes.size()) {
    // crc32 takes a 32-bit length: larger pages go in pieces.
    const auto piece = static_cast<uInt>(std::min<std::size_t>(bytes.size() - done, 1U << 30));
    crc = crc32(crc, bytes.data() + done, piece);
    done += piece;
  }
  return static_cast<std::uint32_t>(crc);
}

/// The next line of `text` from `at` (without its "\n"); nothing when no line end follows.
std::optional<std::string_view> nextLine(std::string_view text, std::size_t& at) {
  const std::size_t end = text.find('\n', at);
  if (end == std::string_view::npos) {
    return std::nullopt;
  }
  const std::string_view line = text.substr(at, end - at);
  at = end + 1;
  return line;
}

/// The page in an entry file's content, when its header is sound and its size and checksum
/// match.
std::optional<CachedPage> parseEntry(const std::vector<std::uint8_t>& content) {
  const std::string_view text(reinterpret_cast<const char*>(content.data()), content.size());
  if (!text.starts_with(kMagic)) {
    return std::nullopt;
  }
  std::size_t at = kMagic.size();
  const auto apid = nextLine(text, at);
  const auto sizeText = nextLine(text, at);
  const auto checksumText = nextLine(text, at);
  if (!apid || !sizeText || !checksumText) {
    return std::nullopt;
  }
  std::uint64_t size = 0;
  std::uint32_t checksum = 0;
  if (std::from_chars(sizeText->data(), sizeText->data() + sizeText->size(), size).ec !=
          std::errc{} ||
      std::from_chars(checksumText->data(), checksumText->data() + checksumText->size(), checksum,
                      16)
              .ec != std::errc{} ||
      size != content.size() - at) {
    return std::nullopt;
  }
  const std::span<const std::uint8_t> bytes(content.data() + at, content.size() - at);
  if (checksumOf(bytes) != checksum) {
    return std::nullopt;
  }
  return CachedPage{std::string(*apid), std::vector<std::uint8_t>(bytes.begin(), bytes.end())};
}

bool isEntryName(const std::string& name) {
  return name.ends_with(kEntrySuffix) && !name.starts_with(".");
}

struct EntryFile {
  fs::file_time_type used;
  std::uint64_t size;
  fs::path path;
};

/// The entries in `folder` (files that cannot be examined are left out).
std::vector<EntryFile> listEntries(const fs::path& folder) {
  std::vector<EntryFile> entries;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (!isEntryName(it->path().filename().string())) {
      continue;
    }
    std::error_code statError;
    const auto size = it->file_size(statError);
    const auto used = it->last_write_time(statError);
    if (!statError) {
      entries.push_back({used, size, it->path()});
    }
  }
  return entries;
}

/// Writes `header` and `bytes` to a new temporary file in `folder` and renames it to `target`
/// (an entry is replaced whole). No flush to disk: a cut-off entry fails its checksum later.
bool writeEntry(const fs::path& folder, const fs::path& target, std::string_view header,
                std::span<const std::uint8_t> bytes) {
  std::string pattern = (folder / (std::string(kTemporaryPrefix) + "XXXXXX")).string();
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) {
    return false;
  }
  const auto writeAll = [fd](const void* data, std::size_t size) {
    const auto* at = static_cast<const char*>(data);
    while (size > 0) {
      const ssize_t written = ::write(fd, at, size);
      if (written <= 0) {
        return false;
      }
      at += written;
      size -= static_cast<std::size_t>(written);
    }
    return true;
  };
  const bool written = writeAll(header.data(), header.size()) &&
                       writeAll(bytes.data(), bytes.size()) && ::fchmod(fd, 0644) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || std::rename(pattern.c_str(), target.c_str()) != 0) {
    ::unlink(pattern.c_str());
    return false;
  }
  return true;
}

}  // namespace

std::string pageCacheHeader(std::string_view apid, std::span<const std::uint8_t> bytes) {
  char checksum[9];
  std::snprintf(checksum, sizeof checksum, "%08x", static_cast<unsigned>(checksumOf(bytes)));
  std::string header(kMagic);
  header += apid;
  header += '\n';
  header += std::to_string(bytes.size());
  header += '\n';
  header += checksum;
  header += '\n';
  return header;
}

PageCache::PageCache(fs::path folder, std::uint64_t limitBytes)
    : folder_(std::move(folder)), limit_(limitBytes) {}

fs::path PageCache::defaultFolder() {
  const char* cacheHome = std::getenv("XDG_CACHE_HOME");
  if (cacheHome != nullptr && cacheHome[0] == '/') {
    return fs::path(cacheHome) / "korvalis" / "pages";
  }
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') {
    return fs::path(home) / ".cache" / "korvalis" / "pages";
  }
  return {};
}

bool PageCache::writeFailed() const {
  const std::lock_guard lock(mutex_);
  return writeFailed_;
}

fs::path PageCache::entryPath(std::string_view id, std::string_view page) const {
  if (!isDigits(id) || !isDigits(page)) {
    return {};
  }
  std::string name(id);
  name += '_';
  name += page;
  name += kEntrySuffix;
  return folder_ / name;
}

std::optional<CachedPage> PageCache::find(std::string_view id, std::string_view page) {
  if (!enabled()) {
    return std::nullopt;
  }
  const fs::path path = entryPath(id, page);
  if (path.empty()) {
    return std::nullopt;
  }
  const std::optional<std::vector<std::uint8_t>> content = readWholeFileBytes(path, kLargestEntry);
  if (!content) {
    return std::nullopt;
  }
  std::optional<CachedPage> found = parseEntry(*content);
  std::error_code error;
  if (!found) {
    // A damaged entry is dropped; the page is fetched again and stored anew.
    const std::lock_guard lock(mutex_);
    if (fs::remove(path, error) && total_) {
      *total_ -= std::min<std::uint64_t>(*total_, content->size());
    }
    return std::nullopt;
  }
  fs::last_write_time(path, fs::file_time_type::clock::now(), error);  // used now
  return found;
}

std::optional<std::string> PageCache::findApid(std::string_view id, std::string_view page) const {
  const fs::path path = entryPath(id, page);
  if (!enabled() || path.empty()) {
    return std::nullopt;
  }
  std::ifstream file(path, std::ios::binary);
  std::string head(256, '\0');
  file.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(file.gcount()));
  if (!std::string_view(head).starts_with(kMagic)) {
    return std::nullopt;
  }
  std::size_t at = kMagic.size();
  const auto apid = nextLine(head, at);
  if (!apid || apid->empty()) {
    return std::nullopt;
  }
  return std::string(*apid);
}

bool PageCache::holds(std::string_view id, std::string_view page) const {
  const fs::path path = entryPath(id, page);
  std::error_code error;
  return enabled() && !path.empty() && fs::is_regular_file(path, error);
}

bool PageCache::store(std::string_view id, std::string_view page, std::string_view apid,
                      std::span<const std::uint8_t> bytes) {
  const fs::path path = entryPath(id, page);
  if (!enabled() || path.empty() || bytes.empty() ||
      apid.find_first_of("\r\n") != std::string_view::npos) {
    return false;
  }
  const std::string header = pageCacheHeader(apid, bytes);
  const std::uint64_t size = header.size() + bytes.size();
  if (size > limit_) {
    return false;  // larger than the whole cache
  }
  const std::lock_guard lock(mutex_);
  std::error_code error;
  fs::create_directories(folder_, error);
  if (!total_) {
    std::uint64_t counted = 0;
    for (const EntryFile& entry : listEntries(folder_)) {
      counted += entry.size;
    }
    total_ = counted;
  }
  std::error_code sizeError;
  const std::uint64_t old = fs::file_size(path, sizeError);
  const std::uint64_t replaced = sizeError ? 0 : old;
  if (!writeEntry(folder_, path, header, bytes)) {
    writeFailed_ = true;
    return false;
  }
  *total_ = *total_ - std::min(*total_, replaced) + size;
  if (*total_ > limit_) {
    evict();
  }
  return true;
}

void PageCache::evict() {
  std::vector<EntryFile> entries = listEntries(folder_);
  std::sort(entries.begin(), entries.end(),
            [](const EntryFile& a, const EntryFile& b) { return a.used < b.used; });
  std::uint64_t total = 0;
  for (const EntryFile& entry : entries) {
    total += entry.size;
  }
  // Down to nine tenths of the limit, so the next pages do not each start an eviction.
  const std::uint64_t target = limit_ / 10 * 9;
  for (const EntryFile& entry : entries) {
    if (total <= target) {
      break;
    }
    std::error_code error;
    if (fs::remove(entry.path, error)) {
      total -= entry.size;
    }
  }
  total_ = total;
}

PageCacheStats PageCache::stats() const {
  PageCacheStats stats;
  stats.limit = limit_;
  for (const EntryFile& entry : listEntries(folder_)) {
    ++stats.entries;
    stats.bytes += entry.size;
  }
  return stats;
}

std::uint64_t PageCache::clear() {
  const std::lock_guard lock(mutex_);
  std::uint64_t removed = 0;
  std::error_code error;
  std::vector<fs::path> doomed;
  for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (isEntryName(name) || name.starts_with(kTemporaryPrefix)) {
      doomed.push_back(it->path());
    }
  }
  for (const fs::path& path : doomed) {
    std::error_code removeError;
    if (fs::remove(path, removeError) && isEntryName(path.filename().string())) {
      ++removed;
    }
  }
  total_ = 0;
  return removed;
}

}  // namespace korvalis
