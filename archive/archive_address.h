#pragma once

#include <string>

namespace korvalis {

/// The image service's base address (without "/das/v2/", without a trailing '/'): the
/// environment variable KORVALIS_ARCHIVE_URL when it is set and not empty, else the
/// build-time constant of the same name.
std::string archiveBaseUrl();

/// The home page of the archive's web site checked by the connection monitor: the
/// environment variable KORVALIS_SITE_URL when set and not empty, else the build-time
/// constant of the same name.
std::string archiveSiteUrl();

/// The CA bundle to trust instead of the system's (environment variable KORVALIS_CA_FILE),
/// "" for the system's.
std::string caBundleFile();

}  // namespace korvalis
