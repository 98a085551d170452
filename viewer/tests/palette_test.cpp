// Colour reduction for 1-, 4- and 8-bit files: fidelity against simple baselines, legible
// two-colour pages, and files that read back with the depth and colour count asked for.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>

#include "platform/file_io.h"
#include "viewer/image_codec.h"
#include "viewer/palette.h"

namespace korvalis {
namespace {

/// A photographed page: paper brightening towards the middle, noise, and dark strokes.
Image photographedPage(int w, int h, bool colour, unsigned seed = 1) {
  std::mt19937 random(seed);
  std::normal_distribution<double> noise(0, 4);
  Image img(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double dx = x - w / 2.0, dy = y - h / 2.0;
      const double light = 1.0 - 0.25 * (dx * dx + dy * dy) / (w * w / 4.0 + h * h / 4.0);
      const bool ink = (y % 24) > 14 && (y % 24) < 19 && ((x / 7 + y / 24) % 4) != 0;
      double v[3] = {225 * light, 212 * light, 180 * light};
      if (ink) {
        v[0] = 60, v[1] = 45, v[2] = 35;
      }
      if (colour && x > w * 2 / 3 && y > h * 2 / 3) {  // a coloured picture in the corner
        v[0] = 128 + 120 * std::sin(x * 0.05), v[1] = 128 + 120 * std::cos(y * 0.07),
        v[2] = 128 + 100 * std::sin((x + y) * 0.03);
      }
      int c[3];
      const double n = noise(random);
      for (int a = 0; a < 3; ++a) {
        c[a] = std::clamp(static_cast<int>(std::lround(v[a] + n)), 0, 255);
      }
      img.setPixel(x, y, colour ? makePixel(c[0], c[1], c[2]) : makePixel(c[1], c[1], c[1]));
    }
  }
  return img;
}

double squaredError(std::uint32_t a, std::uint32_t b) {
  const double dr = pixelRed(a) - pixelRed(b), dg = pixelGreen(a) - pixelGreen(b),
               db = pixelBlue(a) - pixelBlue(b);
  return (dr * dr + dg * dg + db * db) / 3;
}

double psnr(const Image& original, const IndexedImage& reduced) {
  double sum = 0;
  for (std::size_t i = 0; i < reduced.indices.size(); ++i) {
    sum += squaredError(original.pixels()[i], reduced.palette[reduced.indices[i]]);
  }
  const double mse = sum / static_cast<double>(reduced.indices.size());
  return 10 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9));
}

/// PSNR of a fixed palette (evenly spaced greys, or a cube of levels per channel) mapped to
/// the nearest entry: what the files were before the palettes followed the page.
double fixedPalettePsnr(const Image& image, int perChannel, bool grey) {
  const auto snap = [perChannel](int v) {
    const int level = (v * (perChannel - 1) + 127) / 255;
    return level * 255 / (perChannel - 1);
  };
  double sum = 0;
  for (const std::uint32_t p : image.pixels()) {
    const int g = snap(pixelGreen(p));
    const std::uint32_t q =
        grey ? makePixel(g, g, g) : makePixel(snap(pixelRed(p)), g, snap(pixelBlue(p)));
    sum += squaredError(p, q);
  }
  return 10 * std::log10(255.0 * 255.0 / (sum / static_cast<double>(image.pixelCount())));
}

/// The mean of a block of the reduced image minus that of the original: error diffusion keeps
/// local tone where a plain nearest-colour mapping bands.
double worstBlockToneError(const Image& original, const IndexedImage& reduced, int block) {
  double worst = 0;
  for (int by = 0; by + block <= original.height(); by += block) {
    for (int bx = 0; bx + block <= original.width(); bx += block) {
      double diff = 0;
      for (int y = by; y < by + block; ++y) {
        for (int x = bx; x < bx + block; ++x) {
          const std::size_t i = static_cast<std::size_t>(y) * original.width() + x;
          diff +=
              pixelGreen(reduced.palette[reduced.indices[i]]) - pixelGreen(original.pixels()[i]);
        }
      }
      worst = std::max(worst, std::abs(diff) / (block * block));
    }
  }
  return worst;
}

TEST(Palette, AdaptivePalettesBeatFixedOnesAndKeepTone) {
  const Image grey = photographedPage(300, 400, false);
  const IndexedImage grey16 = reduceColours(grey, 4);
  EXPECT_LE(grey16.palette.size(), 16U);
  EXPECT_GT(psnr(grey, grey16), fixedPalettePsnr(grey, 16, true) + 3);
  EXPECT_LT(worstBlockToneError(grey, grey16, 16), 1.5);

  const Image colour = photographedPage(300, 400, true);
  const IndexedImage colour16 = reduceColours(colour, 4);
  const IndexedImage colour256 = reduceColours(colour, 8);
  EXPECT_LE(colour16.palette.size(), 16U);
  EXPECT_LE(colour256.palette.size(), 256U);
  // The fixed 16-colour cube had 2 x 4 x 2 levels; compare with a 3-level cube (27 colours).
  EXPECT_GT(psnr(colour, colour16), fixedPalettePsnr(colour, 3, false) + 3);
  EXPECT_GT(psnr(colour, colour256), fixedPalettePsnr(colour, 6, false) + 3);
  EXPECT_GT(psnr(colour, colour256), psnr(colour, colour16) + 4);
}

TEST(Palette, TwoColoursSplitInkFromPaperWithoutSpeckles) {
  for (const bool colour : {false, true}) {
    const Image page = photographedPage(240, 240, colour, 7);
    const IndexedImage mono = reduceColours(page, 1);
    ASSERT_EQ(mono.palette.size(), 2U);
    // Ink is exactly the stroke pixels: paper under uneven light never turns dark.
    std::size_t wrong = 0;
    for (int y = 0; y < 240; ++y) {
      for (int x = 0; x < 240; ++x) {
        const bool ink = (y % 24) > 14 && (y % 24) < 19 && ((x / 7 + y / 24) % 4) != 0;
        if (colour && x > 160 && y > 160) {
          continue;  // the picture may go either way
        }
        const std::uint32_t shown =
            mono.palette[mono.indices[static_cast<std::size_t>(y) * 240 + x]];
        wrong += (pixelGreen(shown) < 128) != ink ? 1 : 0;
      }
    }
    EXPECT_EQ(wrong, 0U) << (colour ? "colour" : "grey");
  }
}

struct PngHeader {
  int bitDepth = 0;
  int colourType = -1;
  int paletteEntries = 0;
};

PngHeader readPngHeader(const std::vector<std::uint8_t>& bytes) {
  PngHeader header;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  // The simplified reader gives the palette size; IHDR carries the bit depth and colour type.
  if (png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()) != 0) {
    header.paletteEntries = static_cast<int>(image.colormap_entries);
    png_image_free(&image);
  }
  header.bitDepth = bytes[24];
  header.colourType = bytes[25];
  return header;
}

TEST(Palette, ReducedFilesReadBackWithTheAskedDepth) {
  const Image colour = photographedPage(180, 120, true);
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("korvalis-palette-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const bool haveIdentify = std::system("identify -version >/dev/null 2>&1") == 0;
  for (const int depth : {1, 4, 8}) {
    const auto png = encodePng(colour, depth);
    ASSERT_TRUE(png.has_value());
    const PngHeader header = readPngHeader(*png);
    EXPECT_EQ(header.bitDepth, depth);
    EXPECT_EQ(header.colourType, PNG_COLOR_TYPE_PALETTE);
    EXPECT_EQ(header.paletteEntries, 1 << depth);
    const auto bmp = encodeBmp(colour, depth);
    ASSERT_TRUE(bmp.has_value());
    EXPECT_EQ((*bmp)[28], depth);
    if (haveIdentify) {
      const std::filesystem::path file = dir / ("page-" + std::to_string(depth) + ".png");
      ASSERT_TRUE(writeFileAtomically(file, std::span<const std::uint8_t>(*png)));
      const std::string command =
          "identify -format '%[png:IHDR.bit-depth-orig] %k' '" + file.string() + "'";
      FILE* pipe = popen(command.c_str(), "r");
      ASSERT_NE(pipe, nullptr);
      char line[64] = {};
      const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
      pclose(pipe);
      ASSERT_TRUE(read);
      EXPECT_EQ(std::string(line), std::to_string(depth) + " " + std::to_string(1 << depth));
    }
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace korvalis
