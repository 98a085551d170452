#include "archive/archive_address.h"

#include <cstdlib>

namespace korvalis {

namespace {
std::string environmentOr(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::string(value) : std::string(fallback);
}
}  // namespace

std::string archiveBaseUrl() {
  std::string base = environmentOr("KORVALIS_ARCHIVE_URL", KORVALIS_DEFAULT_ARCHIVE_URL);
  while (!base.empty() && base.back() == '/') {
    base.pop_back();
  }
  return base;
}

std::string archiveSiteUrl() {
  return environmentOr("KORVALIS_SITE_URL", KORVALIS_DEFAULT_SITE_URL);
}

std::string caBundleFile() {
  return environmentOr("KORVALIS_CA_FILE", "");
}

}  // namespace korvalis
