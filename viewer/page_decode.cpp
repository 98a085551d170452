#include "viewer/page_decode.h"

#include <thread>

#include "viewer/scale.h"

namespace korvalis {

DecodedPage decodePageWithDisplay(std::span<const std::uint8_t> bytes,
                                  const std::function<PixelSize(PixelSize page)>& displaySizeFor) {
  DecodedPage result;
  const std::optional<ImageDimensions> dims =
      detectImageFormat(bytes) == ImageFormat::Jpeg ? readImageDimensions(bytes) : std::nullopt;
  if (!dims) {
    result.page = decodeImage(bytes);
    if (result.page.ok()) {
      const PixelSize size =
          displaySizeFor({result.page.image.width(), result.page.image.height()});
      result.display = scaleImage(result.page.image, size.width, size.height);
    }
    return result;
  }
  const PixelSize size = displaySizeFor({dims->width, dims->height});
  {
    // The worker only writes result.page, which this thread reads after the join.
    std::jthread worker([&result, bytes] { result.page = decodeImage(bytes); });
    const DecodeResult reduced = decodeImageScaled(bytes, size.width, size.height);
    if (reduced.ok()) {
      result.display = scaleImage(reduced.image, size.width, size.height);
    }
  }
  if (!result.page.ok()) {
    result.display = Image();
  } else if (result.display.isNull()) {
    result.display = scaleImage(result.page.image, size.width, size.height);
  }
  return result;
}

}  // namespace korvalis
