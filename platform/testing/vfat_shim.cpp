// A preloaded library (LD_PRELOAD) that makes every file system look like vfat or exfat to the
// program it is loaded into. With KORVALIS_VFAT_SHIM=link, link() and linkat() fail with EPERM,
// as on a USB stick; with KORVALIS_VFAT_SHIM=link,renameat2 renameat2() with flags fails with
// EINVAL too, as on a kernel whose file system knows no RENAME_NOREPLACE. Both fail whether or not
// the target exists, the hardest case for the caller. Each refusal is appended to the file named by
// KORVALIS_VFAT_SHIM_LOG, so a test can see that the shim was in effect.
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

bool refuses(const char* operation) {
  const char* mode = std::getenv("KORVALIS_VFAT_SHIM");
  return mode != nullptr && std::strstr(mode, operation) != nullptr;
}

int refuse(const char* operation, int error) {
  if (const char* log = std::getenv("KORVALIS_VFAT_SHIM_LOG")) {
    const int fd = ::open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd >= 0) {
      const std::size_t length = std::strlen(operation);
      [[maybe_unused]] const ssize_t written = ::write(fd, operation, length);
      [[maybe_unused]] const ssize_t ended = ::write(fd, "\n", 1);
      ::close(fd);
    }
  }
  errno = error;
  return -1;
}

template <typename Function>
Function realFunction(const char* name) {
  return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

int link(const char* from, const char* to) {
  if (refuses("link")) {
    return refuse("link", EPERM);
  }
  using Real = int (*)(const char*, const char*);
  static const auto real = realFunction<Real>("link");
  return real(from, to);
}

int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
  if (refuses("link")) {
    return refuse("linkat", EPERM);
  }
  using Real = int (*)(int, const char*, int, const char*, int);
  static const auto real = realFunction<Real>("linkat");
  return real(fromDir, from, toDir, to, flags);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned int flags) {
  if (flags != 0 && refuses("renameat2")) {
    return refuse("renameat2", EINVAL);
  }
  using Real = int (*)(int, const char*, int, const char*, unsigned int);
  static const auto real = realFunction<Real>("renameat2");
  if (real == nullptr) {
    errno = ENOSYS;
    return -1;
  }
  return real(fromDir, from, toDir, to, flags);
}

}  // extern "C"
