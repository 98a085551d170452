#pragma once

#include <string>
#include <string_view>

namespace korvalis {

/// Standard Base64 (RFC 4648, with "=" padding) of the bytes of `bytes`.
std::string base64Encode(std::string_view bytes);

}  // namespace korvalis
