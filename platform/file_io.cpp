#include "platform/file_io.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace korvalis {

namespace {

std::error_code lastSystemError() {
  return {errno, std::generic_category()};
}

template <typename Bytes>
std::optional<Bytes> readInto(const std::filesystem::path& path, std::uint64_t cap,
                              ReadError* error) {
  const auto fail = [error](ReadError why) -> std::optional<Bytes> {
    if (error != nullptr) {
      *error = why;
    }
    return std::nullopt;
  };
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return fail(errno == ENOENT ? ReadError::NotFound : ReadError::ReadFailed);
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } const closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    return fail(ReadError::ReadFailed);
  }
  if (!S_ISREG(info.st_mode)) {
    return fail(ReadError::NotRegular);
  }
  const auto size = static_cast<std::uint64_t>(info.st_size);
  if (size > cap) {
    return fail(ReadError::TooLarge);
  }
  Bytes bytes(static_cast<std::size_t>(size), typename Bytes::value_type{});
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      return fail(ReadError::ReadFailed);
    }
    if (got == 0) {
      bytes.resize(done);  // the file shrank while it was read
      break;
    }
    done += static_cast<std::size_t>(got);
  }
  if (error != nullptr) {
    *error = ReadError::None;
  }
  return bytes;
}

std::error_code renameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : lastSystemError();
}

/// True for the answers of a file system that lacks an operation (vfat and exfat refuse
/// link() with EPERM; renameat2 flags a file system does not know give EINVAL). Never true for
/// EEXIST, so an existing target always stays "exists".
bool unsupported(int error, bool invalidMeansUnsupported) {
  return error == EPERM || error == EOPNOTSUPP || error == ENOTSUP || error == ENOSYS ||
         (invalidMeansUnsupported && error == EINVAL);
}

/// Renames `from` over a placeholder made exclusively under the name `to`, for file systems
/// that have neither hard links nor RENAME_NOREPLACE. The exclusive create refuses an existing
/// file; a failed rename removes the placeholder again, but only while it is still the one
/// made here.
std::error_code renameOverPlaceholder(const std::filesystem::path& from,
                                      const std::filesystem::path& to) {
  const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    return lastSystemError();
  }
  struct stat made {};
  const bool known = ::fstat(fd, &made) == 0;
  ::close(fd);
  if (::rename(from.c_str(), to.c_str()) == 0) {
    return {};
  }
  const std::error_code failed = lastSystemError();
  struct stat now {};
  if (known && ::stat(to.c_str(), &now) == 0 && now.st_dev == made.st_dev &&
      now.st_ino == made.st_ino && now.st_size == 0) {
    ::unlink(to.c_str());
  }
  return failed;
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) {
      continue;
    }
    if (put <= 0) {
      return false;
    }
    done += static_cast<std::size_t>(put);
  }
  return true;
}

}  // namespace

/// Moves `from` to `to` only when no file `to` exists: link(), then renameat2 with
/// RENAME_NOREPLACE where the file system has no hard links, then an exclusive placeholder
/// renamed over where it has neither. Each step is tried only where the one before is not
/// supported; a target that exists ends the chain with EEXIST.
std::error_code moveWithoutReplacing(const std::filesystem::path& from,
                                     const std::filesystem::path& to) {
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return {};
  }
  if (!unsupported(errno, /*invalidMeansUnsupported=*/false)) {
    return lastSystemError();
  }
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return {};
  }
  if (!unsupported(errno, /*invalidMeansUnsupported=*/true)) {
    return lastSystemError();
  }
  return renameOverPlaceholder(from, to);
}

std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::uint64_t cap,
                                         ReadError* error) {
  return readInto<std::string>(path, cap, error);
}

std::optional<std::vector<std::uint8_t>> readWholeFileBytes(const std::filesystem::path& path,
                                                            std::uint64_t cap, ReadError* error) {
  return readInto<std::vector<std::uint8_t>>(path, cap, error);
}

AtomicFileWriter::AtomicFileWriter(std::filesystem::path target) : target_(std::move(target)) {
  const std::filesystem::path folder =
      target_.has_parent_path() ? target_.parent_path() : std::filesystem::path(".");
  // A hidden name in the target's own folder, so the final rename never crosses file systems.
  std::string name = ".";
  name.append(target_.filename().string());
  name.append(".XXXXXX");
  std::string pattern = (folder / name).string();
  fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd_ < 0) {
    error_ = lastSystemError();
    return;
  }
  temporary_ = pattern;
  // mkstemp makes the file readable by its owner only; a saved file gets the usual mode.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd_, 0666 & ~mask);
}

AtomicFileWriter::~AtomicFileWriter() {
  discard();
}

bool AtomicFileWriter::write(std::span<const std::uint8_t> bytes) {
  if (fd_ < 0) {
    return false;
  }
  if (!writeAll(fd_, bytes)) {
    error_ = lastSystemError();
    return false;
  }
  return true;
}

bool AtomicFileWriter::commit(bool replace) {
  if (fd_ < 0) {
    return false;
  }
  const bool synced = ::fsync(fd_) == 0;
  if (!synced) {
    error_ = lastSystemError();
  }
  const bool closed = ::close(fd_) == 0;
  fd_ = -1;
  if (!synced || !closed) {
    if (synced) {
      error_ = lastSystemError();
    }
    discard();
    return false;
  }
  const std::error_code moved =
      replace ? renameOver(temporary_, target_) : moveWithoutReplacing(temporary_, target_);
  if (moved) {
    error_ = moved;
    discard();
    return false;
  }
  temporary_.clear();
  return true;
}

void AtomicFileWriter::discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
    temporary_.clear();
  }
}

bool writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         std::error_code* error) {
  AtomicFileWriter writer(path);
  const bool ok = writer.isOpen() && writer.write(bytes) && writer.commit();
  if (!ok && error != nullptr) {
    *error = writer.lastError();
  }
  return ok;
}

bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         std::error_code* error) {
  return writeFileAtomically(
      path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), error);
}

}  // namespace korvalis
