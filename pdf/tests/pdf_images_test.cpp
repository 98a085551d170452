#include <gtest/gtest.h>

#include <vector>

#include "pdf/pdf.h"
#include "pdf/tests/png_builder.h"

namespace korvalis {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes jpeg(int width, int height, int components, std::uint8_t app = 0xE0) {
  Bytes b = {0xFF, 0xD8, 0xFF, app, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  const Bytes frame = {0xFF,
                       0xC0,
                       0,
                       11,
                       8,
                       static_cast<std::uint8_t>(height >> 8),
                       static_cast<std::uint8_t>(height),
                       static_cast<std::uint8_t>(width >> 8),
                       static_cast<std::uint8_t>(width),
                       static_cast<std::uint8_t>(components),
                       1,
                       0x11,
                       0};
  b.insert(b.end(), frame.begin(), frame.end());
  b.insert(b.end(), {0xFF, 0xD9});
  return b;
}

using testing::appendPngChunk;

Bytes png(std::uint8_t depth, std::uint8_t colourType, std::uint8_t interlace, int paletteEntries) {
  Bytes b = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
  appendPngChunk(b, "IHDR", {0, 0, 0, 4, 0, 0, 0, 2, depth, colourType, 0, 0, interlace});
  if (paletteEntries > 0)
    appendPngChunk(b, "PLTE", Bytes(static_cast<std::size_t>(paletteEntries) * 3, 7));
  appendPngChunk(b, "tRNS", {1, 2});
  appendPngChunk(b, "IDAT", {1, 2, 3});
  appendPngChunk(b, "IDAT", {4, 5});
  appendPngChunk(b, "IEND", {});
  return b;
}

/// Places the block and returns the error code; placeImage's result must agree with it.
int place(PdfDocument& doc, std::string_view name, const Bytes& b) {
  doc.lastError = PdfError::None;
  const int placed =
      placeImage(doc, name, b.data(), static_cast<std::int32_t>(b.size()), 0, 0, 0, 0);
  EXPECT_EQ(placed, doc.lastError == PdfError::None ? 1 : 0) << name;
  return static_cast<int>(doc.lastError);
}

std::string finished(PdfDocument& doc) {
  EXPECT_EQ(closeDocument(doc), 1);
  const auto bytes = documentBytes(doc);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

TEST(PdfImages, OneJpegObjectLayoutAndReuse) {
  PdfDocument doc;
  createDocument(doc, "P", "pt", "1000,800");
  addPage(doc);
  const Bytes image = jpeg(640, 480, 3);
  EXPECT_EQ(place(doc, "", image), 0);
  EXPECT_EQ(place(doc, "", jpeg(1, 1, 1)), 0);  // same name: the first image again
  const std::string pdf = finished(doc);
  EXPECT_NE(pdf.find("q 640.00 0 0 480.00 0.00 320.00 cm /I1 Do Q\nq 640.00"), std::string::npos);
  EXPECT_NE(pdf.find("3 0 obj\n<</Type /Page"), std::string::npos);
  EXPECT_NE(pdf.find("4 0 obj\n<</Length"), std::string::npos);
  EXPECT_NE(pdf.find("5 0 obj\n<</Type /XObject\n/Subtype /Image\n/Width 640\n/Height 480\n"
                     "/ColorSpace /DeviceRGB\n/BitsPerComponent 8\n/Filter /DCTDecode\n/Length " +
                     std::to_string(image.size()) + ">>\nstream\n" +
                     std::string(image.begin(), image.end()) + "\nendstream"),
            std::string::npos);
  EXPECT_NE(pdf.find("/Font <<\n>>\n/XObject <<\n/I1 5 0 R\n>>"), std::string::npos);
  EXPECT_NE(pdf.find("/Size 8\n/Root 7 0 R\n/Info 6 0 R"), std::string::npos);
}

TEST(PdfImages, RejectionsAndBounds) {
  PdfDocument doc;
  createDocument(doc, "", "", "");
  addPage(doc);
  EXPECT_EQ(place(doc, "exif", jpeg(4, 4, 3, 0xE1)), 14);
  EXPECT_EQ(place(doc, "16", png(16, 2, 0, 0)), 1);
  EXPECT_EQ(place(doc, "rgba", png(8, 6, 0, 0)), 2);
  EXPECT_EQ(lastErrorMessage(doc), "Alpha channel PNG not supported.");
  EXPECT_EQ(place(doc, "interlaced", png(8, 2, 1, 0)), 5);
  EXPECT_EQ(place(doc, "nopalette", png(8, 3, 0, 0)), 6);
  Bytes cut = png(8, 2, 0, 0);
  cut.resize(55);  // the first IDAT chunk now claims more bytes than remain
  EXPECT_EQ(place(doc, "cut", cut), 12);
  Bytes badSegment = jpeg(4, 4, 3);
  badSegment[5] = 200;  // JFIF segment length past the end
  EXPECT_EQ(place(doc, "bad", badSegment), 11);
  EXPECT_EQ(lastErrorMessage(doc), "Not a JPEG file.");
  EXPECT_EQ(place(doc, "nojpegframe", Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0, 2, 0xFF, 0xD9}), 11);
  EXPECT_EQ(place(doc, "/nonexistent/file.jpg", Bytes{}), 8);
  doc.lastError = PdfError::None;
  EXPECT_EQ(placeImage(doc, "/nonexistent/file.jpg", nullptr, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(lastErrorMessage(doc), "Error opening image file.");
  EXPECT_EQ(place(doc, "wmf", Bytes{0xD7, 0xCD, 0xC6, 0x9A, 0, 0}), 13);
  EXPECT_TRUE(doc.images.empty());
}

TEST(PdfImages, PaletteAndCmyk) {
  PdfDocument doc;
  createDocument(doc, "", "", "");
  addPage(doc);
  EXPECT_EQ(place(doc, "pal", png(8, 3, 0, 256)), 0);
  const Bytes cmyk = jpeg(8, 8, 4);  // a JPEG block is borrowed until the document is saved
  EXPECT_EQ(place(doc, "cmyk", cmyk), 0);
  EXPECT_EQ(placeImage(doc, "pal", nullptr, 0, 10, 10, 50, 0),
            1);  // reused, height from the aspect ratio
  const std::string pdf = finished(doc);
  EXPECT_NE(
      pdf.find("5 0 obj\n<</Type /XObject\n/Subtype /Image\n/Width 4\n/Height 2\n"
               "/ColorSpace [/Indexed /DeviceRGB 255 6 0 R]\n/BitsPerComponent 8\n"
               "/Filter /FlateDecode\n/DecodeParms <</Predictor 15 /Colors 1 "
               "/BitsPerComponent 8 /Columns 4>>\n/Length 5>>\nstream\n\x01\x02\x03\x04\x05\n"),
      std::string::npos);
  EXPECT_NE(pdf.find("6 0 obj\n<</Length 768>>"), std::string::npos);
  EXPECT_NE(pdf.find("/ColorSpace /DeviceCMYK\n/Decode [1 0 1 0 1 0 1 0]"), std::string::npos);
  EXPECT_NE(pdf.find("cm /I1 Do Q"), std::string::npos);
  EXPECT_NE(pdf.find("q 141.73 0 0 70.87 28.35 "), std::string::npos);
}

}  // namespace
}  // namespace korvalis
