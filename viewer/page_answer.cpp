#include "viewer/page_answer.h"

#include <string_view>

#include "viewer/image_codec.h"

namespace korvalis {

ReceivedPage decodeReceivedPage(std::span<const std::uint8_t> bytes) {
  ReceivedPage answer;
  if (bytes.empty()) {
    return answer;
  }
  DecodeResult decoded = decodeImage(bytes);
  if (decoded.ok()) {
    answer.kind = ReceivedPageKind::Decoded;
    answer.image = std::move(decoded.image);
    return answer;
  }
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  answer.kind = text.find("<?xml") != std::string_view::npos ? ReceivedPageKind::ErrorPage
                                                             : ReceivedPageKind::Undecodable;
  return answer;
}

}  // namespace korvalis
