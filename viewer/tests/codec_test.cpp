#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/file_io.h"
#include "platform/testing/temp_folder.h"
#include "viewer/image_codec.h"

namespace korvalis {
namespace {

/// A photo-like test page: smooth gradients with a few sharp lines.
Image testPage(int width, int height) {
  Image image(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool line = (x % 37 == 0) || (y % 29 == 0);
      image.setPixel(
          x, y, line ? makePixel(20, 20, 20) : makePixel(x * 255 / width, y * 255 / height, 180));
    }
  }
  return image;
}

/// The same image with the fourth byte cleared (decoders fill it, the writers ignore it).
Image colourOnly(const Image& image) {
  Image copy = image;
  for (std::uint32_t& p : copy.pixels()) {
    p &= 0x00FFFFFFU;
  }
  return copy;
}

int maxDifference(const Image& a, const Image& b) {
  int worst = 0;
  for (std::size_t i = 0; i < a.pixelCount(); ++i) {
    const std::uint32_t p = a.pixels()[i];
    const std::uint32_t q = b.pixels()[i];
    worst =
        std::max({worst, std::abs(pixelRed(p) - pixelRed(q)),
                  std::abs(pixelGreen(p) - pixelGreen(q)), std::abs(pixelBlue(p) - pixelBlue(q))});
  }
  return worst;
}

TEST(Codec, LosslessRoundTripsAt24Bits) {
  const Image page = testPage(101, 53);
  for (const SaveType type : {SaveType::Png, SaveType::Bmp}) {
    const auto bytes = encodeImage(page, type, EncoderSettings{24, 0});
    ASSERT_TRUE(bytes.has_value());
    const DecodeResult back = decodeImage(*bytes);
    ASSERT_TRUE(back.ok()) << back.error;
    EXPECT_EQ(colourOnly(back.image), colourOnly(page));
  }
}

TEST(Codec, PaletteDepthsKeepFewColoursExactly) {
  Image image(13, 7);
  const std::uint32_t colours[] = {makePixel(0, 0, 0), makePixel(255, 255, 255),
                                   makePixel(200, 10, 10), makePixel(5, 90, 250)};
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 13; ++x) {
      image.setPixel(x, y, colours[(x + y) % 4]);
    }
  }
  for (const int depth : {4, 8}) {
    for (const SaveType type : {SaveType::Png, SaveType::Bmp}) {
      const auto bytes = encodeImage(image, type, EncoderSettings{depth, 0});
      ASSERT_TRUE(bytes.has_value());
      const DecodeResult back = decodeImage(*bytes);
      ASSERT_TRUE(back.ok()) << back.error;
      EXPECT_EQ(colourOnly(back.image), image) << "depth " << depth;
    }
  }
  // Two colours: white stays white, the three dark colours become their mean.
  const auto mono = encodeBmp(image, 1);
  ASSERT_TRUE(mono.has_value());
  EXPECT_EQ((*mono)[28], 1);  // bits per pixel in the header
  const DecodeResult back = decodeImage(*mono);
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(back.image.pixel(1, 0) & 0xFFFFFFU, 0xFFFFFFU);
  EXPECT_EQ(back.image.pixel(0, 0) & 0xFFFFFFU, back.image.pixel(2, 0) & 0xFFFFFFU);
}

TEST(Codec, PaletteReductionOfManyColoursStaysClose) {
  const Image page = testPage(64, 64);
  const auto bytes = encodePng(page, 8);
  ASSERT_TRUE(bytes.has_value());
  const DecodeResult back = decodeImage(*bytes);
  ASSERT_TRUE(back.ok());
  EXPECT_LE(maxDifference(back.image, page), 40);
  EXPECT_FALSE(encodePng(page, 3).has_value());
  EXPECT_FALSE(encodeBmp(Image(), 24).has_value());
}

TEST(Codec, JpegQualityScalesSizeAndError) {
  const Image page = testPage(320, 240);
  const auto low = encodeJpeg(page, 2);
  const auto high = encodeJpeg(page, 7);
  ASSERT_TRUE(low && high);
  EXPECT_LT(low->size(), high->size());
  EXPECT_EQ(detectImageFormat(*low), ImageFormat::Jpeg);
  const DecodeResult back = decodeImage(*high);
  ASSERT_TRUE(back.ok()) << back.error;
  EXPECT_EQ(back.image.width(), 320);
  EXPECT_EQ(back.image.height(), 240);
  // Quality 0 still writes a decodable file.
  const auto zero = encodeJpeg(page, 0);
  ASSERT_TRUE(zero.has_value());
  EXPECT_TRUE(decodeImage(*zero).ok());
  const auto dims = readImageDimensions(*high);
  ASSERT_TRUE(dims.has_value());
  EXPECT_EQ(dims->width, 320);
}

TEST(Codec, DamagedInputsAreRefusedCleanly) {
  const auto jpeg = encodeJpeg(testPage(200, 150), 5);
  const auto png = encodePng(testPage(200, 150), 24);
  const auto bmp = encodeBmp(testPage(200, 150), 24);
  ASSERT_TRUE(jpeg && png && bmp);
  for (const auto* file : {&*jpeg, &*png, &*bmp}) {
    for (const std::size_t keep :
         {std::size_t{2}, std::size_t{30}, file->size() / 2, file->size() - 16}) {
      const std::vector<std::uint8_t> cut(file->begin(),
                                          file->begin() + static_cast<std::ptrdiff_t>(keep));
      const DecodeResult result = decodeImage(cut);
      EXPECT_FALSE(result.ok()) << "kept " << keep << " of " << file->size();
      EXPECT_FALSE(result.error.empty());
    }
  }
  EXPECT_FALSE(decodeImage({}).ok());
  const std::string text = "<?xml version=\"1.0\"?><error>not found</error>";
  EXPECT_FALSE(decodeImage({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}).ok());
  // A BMP header claiming a huge image is refused before any allocation.
  std::vector<std::uint8_t> huge = *bmp;
  huge[18] = 0xFF;
  huge[19] = 0xFF;
  huge[20] = 0xFF;
  huge[21] = 0x7F;
  EXPECT_FALSE(decodeImage(huge).ok());
  // A palette index past a short colour table reads as black, not past the data.
  std::vector<std::uint8_t> paletted = *encodeBmp(Image::filled(8, 2, makePixel(9, 9, 9)), 8);
  paletted.back() = 200;
  const DecodeResult shortTable = decodeImage(paletted);
  ASSERT_TRUE(shortTable.ok()) << shortTable.error;
  EXPECT_EQ(shortTable.image.pixel(7, 0) & 0xFFFFFFU, 0U);
  // Pixel data offset beyond the end.
  std::vector<std::uint8_t> offset = *bmp;
  offset[13] = 0x7F;
  EXPECT_FALSE(decodeImage(offset).ok());
  // A PNG text chunk claiming 1.7 GB in a small file is refused before libpng would allocate
  // the claimed length (found by the decoder's fuzz target).
  std::vector<std::uint8_t> longChunk(png->begin(), png->begin() + 33);  // signature, IHDR
  const std::string chunkStart("\x69\xCC\x6D\x25tEXtabc", 11);
  longChunk.insert(longChunk.end(), chunkStart.begin(), chunkStart.end());
  longChunk.insert(longChunk.end(), png->begin() + 33, png->end());
  const DecodeResult damagedPng = decodeImage(longChunk);
  EXPECT_FALSE(damagedPng.ok());
  EXPECT_NE(damagedPng.error.find("past the end"), std::string::npos) << damagedPng.error;
}

TEST(Codec, CorruptedHeadersNeverReadOutOfBounds) {
  // Every header byte of each format set to extreme values: decoding must either succeed or
  // fail with a reason (the sanitizer build checks the memory accesses).
  const Image page = testPage(19, 11);
  std::vector<std::vector<std::uint8_t>> files = {*encodeJpeg(page, 5), *encodePng(page, 24),
                                                  *encodeBmp(page, 24), *encodeBmp(page, 4)};
  int refused = 0;
  for (const auto& file : files) {
    for (std::size_t at = 0; at < std::min<std::size_t>(file.size(), 120); ++at) {
      for (const std::uint8_t value :
           {std::uint8_t{0x00}, std::uint8_t{0x7F}, std::uint8_t{0xFF}}) {
        std::vector<std::uint8_t> bad = file;
        bad[at] = value;
        const DecodeResult result = decodeImage(bad);
        EXPECT_TRUE(result.ok() || !result.error.empty());
        refused += result.ok() ? 0 : 1;
      }
    }
  }
  EXPECT_GT(refused, 100);
}

TEST(Codec, TiffFilesAreRead) {
  const testing::TempFolder folder("viewer-codec");
  const std::filesystem::path path = folder / "page.tif";
  {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tiff, nullptr);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 3);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 2);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_DEFLATE);
    std::uint8_t rows[2][9] = {{255, 0, 0, 0, 255, 0, 0, 0, 255}, {1, 2, 3, 4, 5, 6, 7, 8, 9}};
    for (std::uint32_t y = 0; y < 2; ++y) {
      ASSERT_EQ(TIFFWriteScanline(tiff, rows[y], y, 0), 1);
    }
    TIFFClose(tiff);
  }
  const DecodeResult result = decodeImageFile(path);
  const std::vector<std::uint8_t> bytes =
      readWholeFileBytes(path).value_or(std::vector<std::uint8_t>{});
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.image.pixel(0, 0) & 0xFFFFFFU, makePixel(255, 0, 0));
  EXPECT_EQ(result.image.pixel(2, 0) & 0xFFFFFFU, makePixel(0, 0, 255));
  EXPECT_EQ(result.image.pixel(1, 1) & 0xFFFFFFU, makePixel(4, 5, 6));
  EXPECT_EQ(detectImageFormat(bytes), ImageFormat::Tiff);
  const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + 20);
  EXPECT_FALSE(decodeImage(cut).ok());
}

TEST(Codec, SaveWritesWholeFilesOnly) {
  const testing::TempFolder folder("viewer-save");
  const std::filesystem::path& dir = folder.path();
  std::string error;
  EXPECT_TRUE(saveImageFile(testPage(40, 30), dir / "a.png", SaveType::Png, {24, 0}, &error));
  EXPECT_TRUE(decodeImageFile(dir / "a.png").ok());
  EXPECT_FALSE(
      saveImageFile(testPage(40, 30), dir / "missing" / "b.png", SaveType::Png, {24, 0}, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
  EXPECT_EQ(saveTypeForPath("x/Seite.JPEG"), SaveType::Jpeg);
  EXPECT_EQ(saveTypeForPath("Seite.Bmp"), SaveType::Bmp);
  EXPECT_FALSE(saveTypeForPath("Seite.pdf").has_value());
}

}  // namespace
}  // namespace korvalis
