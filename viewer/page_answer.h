#pragma once

#include <cstdint>
#include <span>

#include "platform/image.h"

namespace korvalis {

/// What the downloaded bytes of a page request come to.
enum class ReceivedPageKind {
  NoData,       // the request brought no data
  Decoded,      // a page image to show
  ErrorPage,    // undecodable data holding "<?xml": the archive's error answer
  Undecodable,  // anything else that is no image: the view stays as it was
};

struct ReceivedPage {
  ReceivedPageKind kind = ReceivedPageKind::NoData;
  Image image;  // set for Decoded
};

/// Decodes the downloaded bytes of a page request.
ReceivedPage decodeReceivedPage(std::span<const std::uint8_t> bytes);

/// Earlier names of the above. They live in an inline namespace so that they do not clash
/// with the archive's own PageAnswer outcome; a file that includes both headers names these
/// by the new names.
inline namespace viewer_names {
using PageAnswerKind = ReceivedPageKind;
using PageAnswer = ReceivedPage;
inline ReceivedPage interpretPageAnswer(std::span<const std::uint8_t> bytes) {
  return decodeReceivedPage(bytes);
}
}  // namespace viewer_names

}  // namespace korvalis
