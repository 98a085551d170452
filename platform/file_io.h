// Whole-file reading with a size cap and atomic file replacement, shared by every part that
// reads or writes user files (record files, page images, PDF files, save lists, link files).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvalis {

/// Why a whole-file read failed.
enum class ReadError { None, NotFound, NotRegular, TooLarge, ReadFailed };

/// Largest file `readWholeFile` takes unless told otherwise (1 GiB).
inline constexpr std::uint64_t kDefaultReadCap = std::uint64_t{1} << 30;

/// Reads the whole regular file at `path` into memory. Refuses folders and other non-regular
/// files, and files larger than `cap` bytes (nothing is allocated for those). `error`, when
/// given, tells why it failed.
std::optional<std::string> readWholeFile(const std::filesystem::path& path,
                                         std::uint64_t cap = kDefaultReadCap,
                                         ReadError* error = nullptr);

/// The same as bytes.
std::optional<std::vector<std::uint8_t>> readWholeFileBytes(const std::filesystem::path& path,
                                                            std::uint64_t cap = kDefaultReadCap,
                                                            ReadError* error = nullptr);

/// Writes `bytes` to `path` so that `path` either keeps its old content or holds all of the new
/// one: the bytes go to a unique temporary file in the same folder (made with mkstemp, so no
/// existing file is ever clobbered), are flushed to disk and renamed over `path`. On failure the
/// temporary file is removed, `path` is untouched and false is returned; `error`, when given,
/// receives the system's reason.
bool writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         std::error_code* error = nullptr);
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         std::error_code* error = nullptr);

/// Moves the file `from` to `to` only when no file `to` exists, on every file system: link(),
/// then renameat2 with RENAME_NOREPLACE where the file system has no hard links (vfat, exfat),
/// then an exclusive placeholder renamed over. Each step is tried only where the one before is
/// not supported; an existing `to` ends it with `std::errc::file_exists`. On success `from` is
/// gone; on failure it is left for the caller.
std::error_code moveWithoutReplacing(const std::filesystem::path& from,
                                     const std::filesystem::path& to);

/// A file being written under a unique temporary name beside its target, for data that arrives
/// in pieces (downloads). `commit` renames it over the target (or, with `replace` false, only
/// when no file of that name exists yet); a writer destroyed without a successful commit
/// removes its temporary file.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(std::filesystem::path target);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  /// False when the temporary file could not be made.
  bool isOpen() const { return fd_ >= 0; }
  bool write(std::span<const std::uint8_t> bytes);
  /// Flushes, closes and renames. With `replace` false an existing target is never overwritten
  /// (the commit fails with `std::errc::file_exists`), also on file systems without hard links
  /// (vfat, exfat): link(), else renameat2(RENAME_NOREPLACE), else an exclusive placeholder.
  bool commit(bool replace = true);
  /// Removes the temporary file; the target is untouched.
  void discard();
  const std::filesystem::path& temporaryPath() const { return temporary_; }
  const std::error_code& lastError() const { return error_; }

 private:
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  int fd_ = -1;
  std::error_code error_;
};

}  // namespace korvalis
