#pragma once

#include <string_view>

#include "platform/platform.h"

namespace korvalis {

/// A version as major, minor and patch numbers.
struct VersionNumber {
  int major = 0;
  int minor = 0;
  int patch = 0;
  auto operator<=>(const VersionNumber&) const = default;
};

/// What the program runs on: the Qt runtime and the operating-system kernel.
struct PlatformVersion {
  VersionNumber toolkit;
  VersionNumber kernel;
};

/// The oldest platform the program supports: Qt 6.2 (the first Qt 6 with every module the
/// program uses in long-term form) on a Linux kernel 4.4 or newer (the oldest long-term
/// kernel with the interfaces Qt 6 and libcurl need).
inline constexpr VersionNumber kMinimumToolkit{6, 2, 0};
inline constexpr VersionNumber kMinimumKernel{4, 4, 0};

/// Reads "6.4.2" or a kernel release like "6.1.0-18-amd64": up to three numbers separated
/// by '.', each ended by the first character that is not a digit; missing numbers are 0.
VersionNumber parseVersion(std::string_view text);

/// The running kernel's version (uname); zeros when it cannot be read.
VersionNumber kernelVersion();

/// True when both versions reach the minimum.
bool platformSupported(const PlatformVersion& version);

/// The platform gate of the start-up: when the platform is older than the minimum, shows
/// "Dieses Programm benötigt als Betriebssystem\rmindestens Windows XP." (title "Hinweis:")
/// and returns false; the program must then end.
bool passPlatformGate(Platform& platform, const PlatformVersion& version);

}  // namespace korvalis
