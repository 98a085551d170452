#pragma once

#include <string>

#include "archive/curl_global.h"

namespace korvalis {

/// Forces a real connection attempt to `url` (TCP, and for https:// the verified TLS
/// handshake) without sending a request. `caFile`, when not empty, is the CA bundle to trust
/// instead of the system's. Gives up after `timeoutMs`. True when the connection succeeded.
/// Safe to call from any thread while `curl` lives.
bool checkSiteReachable(const CurlGlobal& curl, const std::string& url, const std::string& caFile,
                        long timeoutMs);

}  // namespace korvalis
