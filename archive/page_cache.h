// Pages kept on disk: every page the program shows or downloads is kept under the user's cache
// folder, so a page visited again is shown without asking the archive (a film's page images do
// not change). Toolkit-free; safe to use from several threads.
#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvalis {

/// The cache's size limit when the settings file names none, in MiB.
inline constexpr std::uint64_t kDefaultCacheMb = 2048;

/// A page found in the cache: the APID its location look-up gave, and the page's bytes exactly
/// as the archive sent them.
struct CachedPage {
  std::string apid;
  std::vector<std::uint8_t> bytes;
};

/// What the cache holds.
struct PageCacheStats {
  std::uint64_t entries = 0;
  std::uint64_t bytes = 0;  ///< the entries' files, headers included
  std::uint64_t limit = 0;  ///< 0: the cache is off
};

/// A folder of page entries, one file per page named after its film ID and page. Each entry
/// holds the APID, the size and a checksum before the bytes, and is written under a temporary
/// name and renamed, so a reader never sees half an entry; an entry whose size or checksum does
/// not match is dropped. When the entries exceed the limit, the least recently used (by the
/// file's modification time, which a hit renews) are removed first. A folder that cannot be
/// written makes the cache do nothing from then on (writeFailed()).
class PageCache {
 public:
  /// A cache in `folder` of at most `limitBytes` bytes; 0 turns it off.
  PageCache(std::filesystem::path folder, std::uint64_t limitBytes);

  /// $XDG_CACHE_HOME/korvalis/pages when XDG_CACHE_HOME is absolute, else
  /// $HOME/.cache/korvalis/pages; empty when neither is set.
  static std::filesystem::path defaultFolder();

  bool enabled() const { return limit_ > 0 && !folder_.empty() && !writeFailed(); }
  const std::filesystem::path& folder() const { return folder_; }
  std::uint64_t limit() const { return limit_; }

  /// The page `page` of film `id` (their 9 and 5 character texts), when a sound entry holds it.
  std::optional<CachedPage> find(std::string_view id, std::string_view page);
  /// The APID kept with page `page` of film `id` (the entry's header only is read).
  std::optional<std::string> findApid(std::string_view id, std::string_view page) const;
  /// Whether an entry for the page is there (only looked for, not read: find() checks it).
  /// Cheap enough for the user-interface thread.
  bool holds(std::string_view id, std::string_view page) const;
  /// Keeps a page; false when the cache is off or the entry could not be written (a folder
  /// that cannot be written also turns the cache off).
  bool store(std::string_view id, std::string_view page, std::string_view apid,
             std::span<const std::uint8_t> bytes);
  PageCacheStats stats() const;
  /// Removes every entry (and stray temporary files); returns how many entries went.
  std::uint64_t clear();

  /// The folder could not be written; the caller reports this once.
  bool writeFailed() const;

 private:
  std::filesystem::path entryPath(std::string_view id, std::string_view page) const;
  /// Removes the least recently used entries until the total is below the limit.
  void evict();

  std::filesystem::path folder_;
  std::uint64_t limit_;
  mutable std::mutex mutex_;
  /// The entries' total size as last counted plus what was stored since; counted on first use.
  std::optional<std::uint64_t> total_;
  bool writeFailed_ = false;
};

/// The entry format, for tests and tools: the header before the page bytes.
std::string pageCacheHeader(std::string_view apid, std::span<const std::uint8_t> bytes);

}  // namespace korvalis
