// A test's own temporary folder: made with a unique name (mkdtemp) under the system's temporary
// directory and removed, with everything in it, when the object goes.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace korvalis::testing {

class TempFolder {
 public:
  /// Makes the folder; `prefix` starts its name so a folder left by a crash says whose it is.
  /// Throws when no folder can be made (a test fails rather than use a shared name).
  explicit TempFolder(const std::string& prefix = "korvalis") {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot make a temporary folder " + pattern);
    }
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  /// path() / name
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace korvalis::testing
