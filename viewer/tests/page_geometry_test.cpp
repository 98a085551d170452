#include "viewer/page_geometry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvalis {
namespace {

TEST(PageGeometry, FreeAreaLeavesOutTreeAndBars) {
  WindowMetrics m{1200, 900, true, 250, 22, 36};
  EXPECT_EQ(freeArea(m), (PixelSize{950, 842}));
  m.treeShown = false;
  EXPECT_EQ(freeArea(m), (PixelSize{1200, 842}));
  EXPECT_EQ(freeArea(WindowMetrics{10, 10, true, 300, 20, 20}), (PixelSize{1, 1}));
}

TEST(PageGeometry, LargerRatioWinsAndFourPixelsAreLeft) {
  // Twice as high as the area and half as wide: the height limits the scale.
  const PixelSize free{1000, 800};
  const PixelSize page{500, 1600};
  DisplayState state{1.0F, false, false, true};
  const PixelSize display = displaySize(page, free, state);
  EXPECT_EQ(display, (PixelSize{246, 796}));
  EXPECT_EQ(zoomStatusText(page, display, state), " Zoom: 49%");
  // A wide page is limited by the width.
  EXPECT_EQ(displaySize({6000, 4000}, {1500, 1500}, state), (PixelSize{1496, 996}));
  state.zoomFactor = 1.5F;
  EXPECT_EQ(displaySize(page, free, state), (PixelSize{371, 1196}));
}

TEST(PageGeometry, OriginalSizeAndCropShowHundredPercent) {
  DisplayState state{1.75F, true, false, true};
  const PixelSize page{3000, 2000};
  EXPECT_EQ(displaySize(page, {900, 700}, state), page);
  EXPECT_EQ(zoomStatusText(page, page, state), " Zoom: 100%");
  state.originalSize = false;
  state.cropChecked = true;
  EXPECT_EQ(zoomStatusText(page, {10, 10}, state), " Zoom: 100%");
  state.pageLoaded = false;
  EXPECT_EQ(zoomStatusText(page, {10, 10}, state), "");
}

TEST(PageGeometry, ZoomStepsAndLimits) {
  EXPECT_EQ(zoomOutFactor(0.375F), 0.25F);
  EXPECT_FALSE(zoomOutFactor(0.25F).has_value());
  EXPECT_EQ(zoomOutFactor(1.0F), 0.875F);
  EXPECT_EQ(zoomInFactor(1.0F, 1000, 2000), 1.125F);
  // (3.0 + 0.125) x 2560 = 8000 is not below 4 x 2000.
  EXPECT_FALSE(zoomInFactor(3.0F, 2560, 2000).has_value());
  EXPECT_EQ(zoomInFactor(3.0F, 2559, 2000), 3.125F);
}

TEST(PageGeometry, ZoomToggleKeepsTheSavedFactor) {
  ZoomState state;
  setZoomMode(state, true);
  EXPECT_TRUE(state.viewMode);
  EXPECT_EQ(state.zoomFactor, 1.0F);
  state.zoomFactor = *zoomInFactor(*zoomInFactor(state.zoomFactor, 100, 1000), 100, 1000);
  setZoomMode(state, false);
  EXPECT_FALSE(state.viewMode);
  EXPECT_EQ(state.zoomFactor, 1.0F);
  EXPECT_EQ(state.savedZoomFactor, 1.25F);
  // "Originalgröße" on and off returns to the fitted view, not to the zoom of zoom mode.
  setOriginalSize(state, true);
  EXPECT_TRUE(state.viewMode);
  setOriginalSize(state, false);
  EXPECT_FALSE(state.viewMode);
  EXPECT_EQ(state.zoomFactor, 1.0F);
  resetForNewPage(state);
  setZoomMode(state, true);
  EXPECT_EQ(state.zoomFactor, 1.25F);  // zoom mode comes back at the saved factor
}

TEST(PageGeometry, CropSelectionNeedsFivePixelsAndNonNegativeEnd) {
  EXPECT_FALSE(acceptCropSelection(100, 100, 104, 200).has_value());  // 4 x 100
  EXPECT_FALSE(acceptCropSelection(100, 100, 200, 96).has_value());   // 100 x 4
  EXPECT_FALSE(acceptCropSelection(10, 10, -1, 50).has_value());
  EXPECT_EQ(acceptCropSelection(100, 100, 105, 105), (PixelRect{100, 100, 5, 5}));
  // Dragged up and to the left: normalised.
  EXPECT_EQ(acceptCropSelection(300, 200, 100, 50), (PixelRect{100, 50, 200, 150}));
}

TEST(PageGeometry, CropMapsToPagePixelsInsideThePage) {
  // Display 1000 wide for a 4000-wide page: scale 4.
  EXPECT_EQ(cropRectOnPage({100, 50, 200, 150}, {4000, 3000}, 1000),
            (PixelRect{400, 200, 800, 600}));
  // Scale 2.5 rounds each value: 101 x 2.5 = 252.5 -> 253.
  EXPECT_EQ(cropRectOnPage({101, 3, 7, 9}, {2500, 2500}, 1000), (PixelRect{253, 8, 18, 23}));
  // A selection past the canvas edge is cut at the page border.
  EXPECT_EQ(cropRectOnPage({900, 700, 300, 300}, {4000, 3000}, 1000),
            (PixelRect{3600, 2800, 400, 200}));
  EXPECT_FALSE(cropRectOnPage({1000, 0, 10, 10}, {4000, 3000}, 1000).has_value());
}

std::vector<std::uint8_t> identityBytes(const std::string& film, const std::string& page) {
  std::vector<std::uint8_t> bytes(64, 0);
  const auto put = [&](std::size_t at, const std::string& text) {
    std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
  };
  bytes[0] = 0xFF;
  bytes[1] = 0xD8;
  put(24, "film");
  put(29, film);
  put(38, "fram");
  put(44, page);
  return bytes;
}

TEST(PageGeometry, IdentityBytesGiveOriginal) {
  const auto bytes = identityBytes("1234567", "00042");
  const OpenedPageStatus status = openedPageStatus(bytes);
  EXPECT_EQ(status.statusText, "  001234567:00042");
  EXPECT_EQ(status.sourceText, "[Original]");
  auto noFrame = bytes;
  noFrame[38] = 'F';
  EXPECT_EQ(openedPageStatus(noFrame).statusText, "  Seite geladen.");
  EXPECT_EQ(openedPageStatus(noFrame).sourceText, "Kopie");
  // Too short to hold the page digits: no identity, and nothing read past the end.
  const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + 48);
  EXPECT_EQ(openedPageStatus(cut).sourceText, "Kopie");
  EXPECT_EQ(openedPageStatus({}).sourceText, "Kopie");
}

}  // namespace
}  // namespace korvalis
