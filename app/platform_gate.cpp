#include "app/platform_gate.h"

#include <sys/utsname.h>

namespace korvalis {

VersionNumber parseVersion(std::string_view text) {
  int parts[3] = {0, 0, 0};
  std::size_t pos = 0;
  for (int& part : parts) {
    bool digits = false;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      if (part < 100000) {
        part = part * 10 + (text[pos] - '0');
      }
      digits = true;
      ++pos;
    }
    if (!digits || pos >= text.size() || text[pos] != '.') {
      break;
    }
    ++pos;
  }
  return {parts[0], parts[1], parts[2]};
}

VersionNumber kernelVersion() {
  utsname name{};
  if (uname(&name) != 0) {
    return {};
  }
  return parseVersion(name.release);
}

bool platformSupported(const PlatformVersion& version) {
  return version.toolkit >= kMinimumToolkit && version.kernel >= kMinimumKernel;
}

bool passPlatformGate(Platform& platform, const PlatformVersion& version) {
  if (platformSupported(version)) {
    return true;
  }
  platform.message(
      "Hinweis:", "Dieses Programm ben\xF6tigt als Betriebssystem\rmindestens Windows XP.",
      MessageSign::Information);
  return false;
}

}  // namespace korvalis
