#include "platform/file_io.h"

#include <fcntl.h>
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
  if (replace) {
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
      error_ = lastSystemError();
      discard();
      return false;
    }
  } else {
    // link() fails when the target exists, so a file that appeared meanwhile is never replaced.
    if (::link(temporary_.c_str(), target_.c_str()) != 0) {
      error_ = lastSystemError();
      discard();
      return false;
    }
    ::unlink(temporary_.c_str());
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
