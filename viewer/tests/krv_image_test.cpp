// krv image and krv convert, run as a separate process the way a user runs them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/testing/temp_folder.h"
#include "tools/krv/testing/krv_runner.h"
#include "viewer/image_codec.h"
#include "viewer/point_ops.h"

namespace korvalis {
namespace {

class KrvImage : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = folder_.path();
    Image page(37, 23);
    for (int y = 0; y < page.height(); ++y) {
      for (int x = 0; x < page.width(); ++x) {
        page.setPixel(x, y, makePixel(x * 7, y * 11, (x + y) * 3));
      }
    }
    page_ = page;
    ASSERT_TRUE(saveImageFile(page_, path("in.png"), SaveType::Png, {24, 0}));
  }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  /// Runs krv with `args` (quoted for the shell) and returns its exit code.
  int krv(const std::string& args) const { return testing::runKrv(KRV_PATH, dir_, args).exitCode; }

  Image read(const std::string& name) const {
    DecodeResult result = decodeImageFile(path(name));
    EXPECT_TRUE(result.ok()) << result.error;
    for (std::uint32_t& p : result.image.pixels()) {
      p &= 0x00FFFFFFU;
    }
    return result.image;
  }

  korvalis::testing::TempFolder folder_{"krv-image"};
  std::filesystem::path dir_;
  Image page_;
};

TEST_F(KrvImage, PointOperationsMatchTheLibrary) {
  ASSERT_EQ(krv("image invert " + path("in.png") + " " + path("inv.png")), 0);
  ASSERT_EQ(krv("image invert " + path("inv.png") + " " + path("back.png")), 0);
  EXPECT_EQ(read("back.png"), page_);
  const std::pair<std::string, std::pair<PointOp, double>> cases[] = {
      {"mono 100", {PointOp::Monochrome, 100}},
      {"equalise", {PointOp::Equalise, 0}},
      {"brightness -40", {PointOp::Brightness, -40}},
      {"contrast 80.5", {PointOp::Contrast, 80.5}},
      {"gamma 2.2", {PointOp::Gamma, 2.2}}};
  for (const auto& [args, op] : cases) {
    ASSERT_EQ(krv("image " + args + " " + path("in.png") + " " + path("op.png")), 0) << args;
    Image expected = page_;
    ASSERT_TRUE(applyPointOp(expected, op.first, op.second));
    EXPECT_EQ(read("op.png"), expected) << args;
  }
}

TEST_F(KrvImage, RotationsRestoreThePage) {
  ASSERT_EQ(krv("image rotate 90 " + path("in.png") + " " + path("l.png")), 0);
  const Image left = read("l.png");
  EXPECT_EQ(left.width(), 23);
  EXPECT_EQ(left.pixel(0, 0), page_.pixel(36, 0));
  ASSERT_EQ(krv("image rotate -90 " + path("l.png") + " " + path("lr.png")), 0);
  EXPECT_EQ(read("lr.png"), page_);
  ASSERT_EQ(krv("image rotate 180 " + path("in.png") + " " + path("h.png")), 0);
  EXPECT_EQ(read("h.png").pixel(0, 0), page_.pixel(36, 22));
}

TEST_F(KrvImage, BadArgumentsAndInputsAreRefused) {
  EXPECT_EQ(krv("image sharpen " + path("in.png") + " " + path("x.png")), 2);
  EXPECT_EQ(krv("image mono " + path("in.png") + " " + path("x.png")), 2);
  EXPECT_EQ(krv("image brightness 300 " + path("in.png") + " " + path("x.png")), 1);
  EXPECT_EQ(krv("image gamma 8 " + path("in.png") + " " + path("x.png")), 1);
  EXPECT_EQ(krv("image gamma abc " + path("in.png") + " " + path("x.png")), 1);
  EXPECT_EQ(krv("image rotate 45 " + path("in.png") + " " + path("x.png")), 1);
  std::ofstream(path("bad.jpg"), std::ios::binary) << "\xFF\xD8\xFF\xE0 this is no image";
  const testing::KrvRun bad =
      testing::runKrv(KRV_PATH, dir_, "image invert " + path("bad.jpg") + " " + path("x.png"));
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_FALSE(std::filesystem::exists(path("x.png")));
  EXPECT_NE(bad.err.find("bad.jpg"), std::string::npos) << bad.err;
}

TEST_F(KrvImage, ConvertUsesTypeDepthAndQuality) {
  ASSERT_EQ(krv("convert " + path("in.png") + " " + path("c.bmp")), 0);
  EXPECT_EQ(read("c.bmp"), page_);
  ASSERT_EQ(krv("convert " + path("in.png") + " " + path("c1.bmp") + " --depth 1"), 0);
  const Image mono = read("c1.bmp");
  const std::set<std::uint32_t> colours(mono.pixels().begin(), mono.pixels().end());
  EXPECT_EQ(colours.size(), 2U);  // ink and paper, each its mean colour
  ASSERT_EQ(krv("convert " + path("in.png") + " " + path("q2.jpg") + " --quality 2"), 0);
  ASSERT_EQ(krv("convert " + path("in.png") + " " + path("q9.JPG") + " --quality 9"), 0);
  EXPECT_LT(std::filesystem::file_size(path("q2.jpg")), std::filesystem::file_size(path("q9.JPG")));
  EXPECT_EQ(read("q9.JPG").width(), 37);
  EXPECT_EQ(krv("convert " + path("in.png") + " " + path("c.gif")), 1);
  EXPECT_EQ(krv("convert " + path("in.png") + " " + path("c.png") + " --depth 2"), 1);
  EXPECT_EQ(krv("convert " + path("in.png") + " " + path("c.png") + " --quality 11"), 1);
  EXPECT_EQ(krv("convert " + path("in.png")), 2);
}

}  // namespace
}  // namespace korvalis
