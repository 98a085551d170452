// Faults of the writer found in review, each checked on the document it writes.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <type_traits>
#include <vector>

#include "pdf/detail/output.h"
#include "pdf/detail/pdf_string.h"
#include "pdf/pdf.h"
#include "pdf/tests/pdf_readers.h"
#include "pdf/tests/png_builder.h"
#include "platform/file_io.h"

namespace korvalis {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::jsonCatalog;
using testing::qpdfCheck;
using testing::qpdfJson;
using testing::testDirectory;

// Hooks registered for a document refer to it; a copy would write into the original.
static_assert(!std::is_copy_constructible_v<PdfDocument>);
static_assert(!std::is_copy_assignable_v<PdfDocument>);

/// A JFIF JPEG of `width` x `height` with `padding` bytes of comment before the frame.
Bytes jpeg(int width, int height, std::size_t padding = 0) {
  Bytes b = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  while (padding > 0) {
    const std::size_t n = std::min<std::size_t>(padding, 60000);
    b.insert(b.end(), {0xFF, 0xFE, static_cast<std::uint8_t>((n + 2) >> 8),
                       static_cast<std::uint8_t>(n + 2)});
    b.insert(b.end(), n, 'x');
    padding -= n;
  }
  b.insert(b.end(), {0xFF, 0xC0, 0, 11, 8, static_cast<std::uint8_t>(height >> 8),
                     static_cast<std::uint8_t>(height), static_cast<std::uint8_t>(width >> 8),
                     static_cast<std::uint8_t>(width), 3, 1, 0x11, 0, 0xFF, 0xD9});
  return b;
}

void writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
  ASSERT_TRUE(writeFileAtomically(path, bytes));
}

std::string readText(const std::filesystem::path& path) {
  return readWholeFile(path).value_or("");
}

std::string finished(PdfDocument& doc) {
  closeDocument(doc);
  const auto bytes = documentBytes(doc);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

TEST(WriterFaults, OpenActionNamesTheFirstPage) {
  const auto dir = testDirectory("faults");
  PdfDocument doc;
  createDocument(doc, "", "", "");
  // A note with a pop-up is written before the pages, so the first page is not object 3.
  addPage(doc);
  const int note = addLink(doc);
  setPopupNote(doc, note, 0, 1, "Note", "text", "title", 20, 20, 0, 0);
  setLinkArea(doc, 10, 10, 5, 5, note);
  addPage(doc);
  const auto path = dir / "open.pdf";
  ASSERT_EQ(saveDocument(doc, path.string()), 1);
  ASSERT_EQ(qpdfCheck(path).exitCode, 0);
  const auto json = qpdfJson(path);
  const auto& action = jsonCatalog(json)["/OpenAction"];
  ASSERT_EQ(action.items.size(), 3u);
  const auto& page = testing::jsonObject(json, action.items[0].text);
  EXPECT_EQ(page["/Type"].text, "/Page");
  EXPECT_EQ(action.items[1].text, "/FitH");
}

TEST(WriterFaults, FailedAssemblyWritesNothing) {
  const auto dir = testDirectory("faults");
  const auto path = dir / "kept.pdf";
  writeBytes(path, Bytes{'o', 'l', 'd'});
  const Bytes image = jpeg(20, 10, 3000);

  PdfDocument doc;
  createDocument(doc, "", "", "");
  doc.maxFileSize = 2000;  // the image's stream cannot be added
  addPage(doc);
  EXPECT_EQ(placeImage(doc, "", image.data(), static_cast<std::int32_t>(image.size()), 0, 0, 0, 0),
            1);
  EXPECT_EQ(closeDocument(doc), 0);
  EXPECT_EQ(saveDocument(doc, path.string()), 0);
  EXPECT_EQ(doc.lastError, PdfError::OutOfMemory);

  // A number no PDF file can hold, drawn on the page.
  createDocument(doc, "", "", "");
  addPage(doc);
  EXPECT_EQ(drawLine(doc, 0, 0, 1e30f, 5), 1);
  EXPECT_EQ(saveDocument(doc, path.string()), 0);
  EXPECT_EQ(lastErrorMessage(doc), "Number out of range.");
  EXPECT_EQ(readText(path), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);

  // The next document is not held back by the failed one.
  createDocument(doc, "", "", "");
  EXPECT_EQ(saveDocument(doc, path.string()), 1);
  EXPECT_EQ(readText(path).rfind("%PDF-1.3", 0), 0u);
}

TEST(WriterFaults, NothingIsWrittenWithoutAnOpenPage) {
  const Bytes image = jpeg(8, 8);
  PdfDocument doc;
  createDocument(doc, "", "", "");
  setFont(doc, "Helvetica", "", 10);
  EXPECT_EQ(placeImage(doc, "a", image.data(), static_cast<std::int32_t>(image.size()), 0, 0, 0, 0),
            0);
  EXPECT_EQ(doc.lastError, PdfError::NoPage);
  doc.y = 1000;  // past the page-break trigger: no page may be opened either
  EXPECT_EQ(cell(doc, 20, 5, "Text", 1), 0);
  EXPECT_EQ(doc.body.text(), "%PDF-1.3\n");
  EXPECT_EQ(doc.pageCount, 0);
  EXPECT_TRUE(doc.images.empty());
  // After the document is finished as well.
  addPage(doc);
  closeDocument(doc);
  const std::string body(doc.body.text());
  EXPECT_EQ(placeImage(doc, "a", image.data(), static_cast<std::int32_t>(image.size()), 0, 0, 0, 0),
            0);
  EXPECT_EQ(cell(doc, 20, 5, "Text"), 0);
  EXPECT_EQ(doc.body.text(), body);
}

TEST(WriterFaults, TextStringsCarryTheirCharacters) {
  PdfDocument doc;
  // Unicode strings: Windows-1252 0x80 is the euro sign, 0x96 the en dash.
  EXPECT_EQ(buildTextString(doc, "(", "\x80\x96\xFC", ")", true).text(),
            std::string("(\xFE\xFF\x20\xAC\x20\x13\x00\xFC)", 10));
  // PDFDocEncoding codes differ from Windows-1252 from 0x80 to 0xA0.
  EXPECT_EQ(pdfString("\x80"), "(\\240)");
  EXPECT_EQ(pdfString("\x96\x85\x99"), "(\\205\\203\\222)");
  EXPECT_EQ(pdfString("K\xF6slin (1)"), "(K\\366slin \\(1\\))");
  // A character PDFDocEncoding lacks (no-break space) turns the string into UTF-16.
  EXPECT_EQ(pdfString("a\xA0"), std::string("(\xFE\xFF\x00\x61\x00\xA0)", 8));

  // Read back by qpdf, which decodes both kinds of strings.
  const auto dir = testDirectory("faults");
  createDocument(doc, "", "", "");
  setTitle(doc, "Preis \x80 5");
  addPage(doc);
  addBookmark(doc, "K\xF6slin \x96 \x80", 0, 0);
  addBookmark(doc,
              "Seite\xA0"
              "2",
              0, 0);
  const auto path = dir / "texts.pdf";
  ASSERT_EQ(saveDocument(doc, path.string()), 1);
  const auto json = qpdfJson(path);
  const auto& outlines = json["outlines"].items;
  ASSERT_EQ(outlines.size(), 2u);
  EXPECT_EQ(outlines[0]["title"].text, "K\xC3\xB6slin \xE2\x80\x93 \xE2\x82\xAC");
  EXPECT_EQ(outlines[1]["title"].text,
            "Seite\xC2\xA0"
            "2");
  const auto run = testing::runTool("pdfinfo", dir, testing::shellQuoted(path.string()));
  EXPECT_NE(run.out.find("Preis \xE2\x82\xAC 5"), std::string::npos) << run.out;
}

using testing::appendPngChunk;

/// A palette PNG with the given PLTE chunks (sizes in bytes) and IDAT chunks.
Bytes palettePng(std::initializer_list<std::size_t> palettes, int idats) {
  Bytes b = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
  appendPngChunk(b, "IHDR", {0, 0, 0, 4, 0, 0, 0, 2, 8, 3, 0, 0, 0});
  for (const std::size_t size : palettes)
    appendPngChunk(b, "PLTE", Bytes(size, 9));
  for (int i = 0; i < idats; ++i)
    appendPngChunk(b, "IDAT", {1, 2, 3});
  appendPngChunk(b, "IEND", {});
  return b;
}

TEST(WriterFaults, PngPaletteAndImageDataAreChecked) {
  PdfDocument doc;
  createDocument(doc, "", "", "");
  addPage(doc);
  const struct {
    const char* what;
    Bytes png;
    PdfError expected;
  } cases[] = {
      {"one entry", palettePng({3}, 1), PdfError::None},
      {"256 entries", palettePng({768}, 2), PdfError::None},
      {"two palettes", palettePng({6, 6}, 1), PdfError::PngIncorrect},
      {"short palette", palettePng({4}, 1), PdfError::PngIncorrect},
      {"257 entries", palettePng({771}, 1), PdfError::PngIncorrect},
      {"no image data", palettePng({6}, 0), PdfError::PngIncorrect},
  };
  for (const auto& c : cases) {
    doc.lastError = PdfError::None;
    const int placed = placeImage(doc, c.what, c.png.data(),
                                  static_cast<std::int32_t>(c.png.size()), 0, 0, 10, 10);
    EXPECT_EQ(doc.lastError, c.expected) << c.what;
    EXPECT_EQ(placed, c.expected == PdfError::None ? 1 : 0) << c.what;
  }
  EXPECT_EQ(doc.images.size(), 2u);
}

TEST(WriterFaults, NumbersAndPageSizesOutOfRangeAreRefused) {
  EXPECT_EQ(formatNumber(1e40, 2), std::nullopt);
  EXPECT_EQ(formatNumber(-3e9, 0), std::nullopt);
  EXPECT_EQ(formatNumber(std::numeric_limits<double>::quiet_NaN(), 2), std::nullopt);
  EXPECT_EQ(formatNumber(std::numeric_limits<double>::infinity(), 2), std::nullopt);
  EXPECT_EQ(formatNumber(-2147483647.0, 1), "-2147483647.0");

  PdfDocument doc;
  for (const char* format :
       {"1e40,500", "500,inf", "abc,500", "500", "0,500", "-5,500", "500,500x", "nan,500"}) {
    EXPECT_EQ(createDocument(doc, "P", "pt", format), 0) << format;
    EXPECT_EQ(doc.lastError, PdfError::NumberOutOfRange) << format;
  }
  ASSERT_EQ(createDocument(doc, "P", "pt", " 300 , 200 "), 1);
  EXPECT_EQ(addPage(doc, "", "1e39,5"), 0);
  EXPECT_EQ(doc.pageCount, 0);
  const Bytes image = jpeg(8, 8);
  ASSERT_EQ(addPage(doc), 1);
  EXPECT_EQ(placeImage(doc, "", image.data(), static_cast<std::int32_t>(image.size()),
                       std::numeric_limits<float>::infinity(), 0, 0, 0),
            0);
  EXPECT_EQ(doc.lastError, PdfError::NumberOutOfRange);
  const std::string pdf = finished(doc);
  EXPECT_NE(pdf.find("/MediaBox [0 0 300.00 200.00]"), std::string::npos);
  EXPECT_EQ(pdf.find("/XObject"), std::string::npos);  // the refused image left nothing

  // A decimal comma in the user's locale changes neither reading nor writing.
  const testing::CommaLocale comma;
  if (!comma.active())
    GTEST_SKIP() << "de_DE.UTF-8 not installed";
  EXPECT_EQ(formatNumber(-2147483647.5, 1), std::nullopt);
  EXPECT_EQ(formatNumber(1234.5, 1), "1234.5");
  ASSERT_EQ(createDocument(doc, "P", "pt", "300.5,200.25"), 1);
  EXPECT_EQ(createDocument(doc, "P", "pt", "300,5,200"), 0);
  ASSERT_EQ(createDocument(doc, "P", "pt", "300.5,200.25"), 1);
  EXPECT_NE(finished(doc).find("/MediaBox [0 0 300.50 200.25]"), std::string::npos);
}

TEST(WriterFaults, TemporaryFileNeverClobbersAUserFile) {
  const auto dir = testDirectory("faults");
  const auto target = dir / "out.pdf";
  // Names a writer might pick for its temporary file.
  for (const char* name : {"out.pdf.part", "out.pdf.tmp", ".out.pdf.part"})
    writeBytes(dir / name, Bytes{'m', 'i', 'n', 'e'});
  PdfDocument doc;
  createDocument(doc, "", "", "");
  ASSERT_EQ(saveDocument(doc, target.string()), 1);
  for (const char* name : {"out.pdf.part", "out.pdf.tmp", ".out.pdf.part"})
    EXPECT_EQ(readText(dir / name), "mine") << name;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 4);
  EXPECT_EQ(qpdfCheck(target).exitCode, 0);
}

TEST(WriterFaults, EachDocumentStartsAfresh) {
  const Bytes image = jpeg(8, 8);
  PdfDocument doc;
  initialiseWriter(doc);
  // An abandoned document: its bookmark, image, link and title must not reach the next one.
  createDocument(doc, "", "", "");
  setTitle(doc, "Alt");
  setTotalPagesAlias(doc, "{nb}");
  addPage(doc);
  addBookmark(doc, "Alt", 0);
  placeImage(doc, "old", image.data(), static_cast<std::int32_t>(image.size()), 0, 0, 0, 0, 0);
  setLinkArea(doc, 0, 0, 10, 10, addLink(doc));
  createDocument(doc, "", "", "");
  addPage(doc);
  out(doc, "% {nb}");
  const std::string second = finished(doc);
  EXPECT_EQ(second.find("Alt"), std::string::npos);
  EXPECT_EQ(second.find("/XObject"), std::string::npos);
  EXPECT_EQ(second.find("/Annots"), std::string::npos);
  EXPECT_NE(second.find("% {nb}"), std::string::npos);

  // A finished document emptied the hook lists; the next one writes its outline all the same.
  createDocument(doc, "", "", "");
  addPage(doc);
  addBookmark(doc, "Neu", 0);
  const std::string third = finished(doc);
  EXPECT_NE(third.find("/Outlines"), std::string::npos);
  EXPECT_NE(third.find("/Title (Neu)"), std::string::npos);
}

TEST(WriterFaults, JpegFileIsCopiedWhenSavedAndChecked) {
  const auto dir = testDirectory("faults");
  const auto picture = dir / "page.jpg";
  const Bytes image = jpeg(300, 200, 200000);  // the frame header lies past the first read
  writeBytes(picture, image);
  PdfDocument doc;
  createDocument(doc, "P", "pt", "400,300");
  addPage(doc);
  ASSERT_EQ(placeImage(doc, picture.string(), nullptr, 0, 0, 0, 0, 0), 1);
  ASSERT_EQ(placeImage(doc, picture.string(), nullptr, 0, 10, 10, 30, 0), 1);  // reused
  const auto path = dir / "file.pdf";
  ASSERT_EQ(saveDocument(doc, path.string()), 1);
  // The made-up JPEG does not decode; the file's structure and offsets must still be sound.
  const auto check = qpdfCheck(path);
  EXPECT_EQ(check.out.find("xref"), std::string::npos) << check.out;
  EXPECT_EQ(check.err.find("xref"), std::string::npos) << check.err;
  EXPECT_EQ(check.err.find("damaged"), std::string::npos) << check.err;
  const auto stream = testing::runTool(
      "qpdf", dir, "--show-object=5 --raw-stream-data " + testing::shellQuoted(path.string()));
  EXPECT_TRUE(stream.out == std::string(image.begin(), image.end()));
  const std::string pdf = readText(path);
  EXPECT_NE(pdf.find("q 300.00 0 0 200.00 0.00 100.00 cm /I1 Do Q"), std::string::npos);
  EXPECT_NE(pdf.find("q 30.00 0 0 20.00 10.00 270.00 cm /I1 Do Q"), std::string::npos);

  // The file changes between placing and saving: the save fails and writes nothing.
  createDocument(doc, "P", "pt", "400,300");
  addPage(doc);
  ASSERT_EQ(placeImage(doc, picture.string(), nullptr, 0, 0, 0, 0, 0), 1);
  writeBytes(picture, jpeg(300, 200));
  const auto changed = dir / "changed.pdf";
  EXPECT_EQ(saveDocument(doc, changed.string()), 0);
  EXPECT_EQ(doc.lastError, PdfError::ImageRead);
  EXPECT_FALSE(std::filesystem::exists(changed));
}

}  // namespace
}  // namespace korvalis
