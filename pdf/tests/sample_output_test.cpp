#include <gtest/gtest.h>

#include <cmath>

#include <algorithm>
#include <filesystem>
#include <map>

#include "pdf/tests/pdf_readers.h"

namespace korvalis {
namespace {

using testing::jsonResolved;
using testing::JsonValue;
using testing::readFileText;
using testing::runTool;
using testing::shellQuoted;

/// Runs pdf-sample once per locale and reads its document back with qpdf and poppler.
class SampleDocument : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (std::string_view(GetParam()) != "C") {
      const testing::CommaLocale available;  // the sample program runs in the same locale
      KORVALIS_REQUIRE_COMMA_LOCALE(available.active());
    }
    dir_ = testing::testDirectory("sample");
    pdf_ = dir_ / "beispiel.pdf";
    const std::string environment = std::string("LC_ALL=") + GetParam();
    run_ = testing::runKrv(KORVALIS_PDF_SAMPLE, dir_, shellQuoted(pdf_.string()), environment);
  }
  void TearDown() override {
    if (!HasFailure())
      std::filesystem::remove_all(dir_);
  }

  std::string quotedPdf() const { return shellQuoted(pdf_.string()); }

  std::filesystem::path dir_;
  std::filesystem::path pdf_;
  testing::KrvRun run_;
};

int outlineDepth(const JsonValue& items) {
  int depth = 0;
  for (const JsonValue& item : items.items)
    depth = std::max(depth, 1 + outlineDepth(item["kids"]));
  return depth;
}

TEST_P(SampleDocument, IsValidAndReadableByEveryReader) {
  ASSERT_EQ(run_.exitCode, 0) << run_.err;
  EXPECT_EQ(run_.err, "");
  const auto check = testing::qpdfCheck(pdf_, dir_);
  EXPECT_EQ(check.exitCode, 0) << check.out << check.err;

  const auto info = runTool("pdfinfo", dir_, quotedPdf());
  ASSERT_EQ(info.exitCode, 0) << info.err;
  EXPECT_NE(info.out.find("Title:           Korvalis-Beispiel\n"), std::string::npos);
  EXPECT_NE(info.out.find("JavaScript:      yes\n"), std::string::npos) << info.out;
  const auto pagesLine = info.out.find("\nPages:");
  ASSERT_NE(pagesLine, std::string::npos);
  const int pageCount = std::atoi(info.out.c_str() + pagesLine + 7);
  EXPECT_GE(pageCount, 5);

  const auto text = runTool("pdftotext", dir_, "-enc UTF-8 " + quotedPdf() + " -");
  ASSERT_EQ(text.exitCode, 0) << text.err;
  for (const std::string& expected : std::vector<std::string>{
           "Einleitung",
           "Helvetica: \xC3\x84rger \xC3\xBC"
           "ber Gr\xC3\xB6\xC3\x9F"
           "en",
           "TrueType: \xE2\x80\x9E"
           "Anf\xC3\xBChrungszeichen\xE2\x80\x9C, \xE2\x82\xAC und \xC2\xBD",
           "Zur Seite im Netz", "Text in CMYK-Rot", "Abschnitt 3.2",
           "Seite 2 von " + std::to_string(pageCount),
           "Seite " + std::to_string(pageCount) + " von " + std::to_string(pageCount)})
    EXPECT_NE(text.out.find(expected), std::string::npos) << expected;
  EXPECT_EQ(text.out.find("{nb}"), std::string::npos);

  const auto render =
      runTool("pdftoppm", dir_,
              "-f 1 -l 1 -r 40 -png " + quotedPdf() + " " + shellQuoted((dir_ / "seite").string()));
  EXPECT_EQ(render.exitCode, 0);
  EXPECT_EQ(render.err, "");
  EXPECT_GT(readFileText(dir_ / "seite-1.png").size(), 1000u);
}

TEST_P(SampleDocument, CarriesOutlineAnnotationsScriptAndAttachment) {
  ASSERT_EQ(run_.exitCode, 0) << run_.err;
  const JsonValue json = testing::qpdfJson(pdf_, dir_);
  ASSERT_FALSE(json.isNull());

  const JsonValue& outline = json["outlines"];
  EXPECT_EQ(outlineDepth(outline), 3);
  ASSERT_GE(outline.items.size(), 4u);
  EXPECT_EQ(outline.items[0]["title"].text, "Einleitung");
  EXPECT_EQ(outline.items[1]["title"].text, "Formen");
  EXPECT_EQ(outline.items[1]["destpageposfrom1"].number, 2);

  // Page 1: the three text links, a note and a note with its pop-up, all with rectangles
  // inside the page.
  const JsonValue& pages = json["pages"];
  ASSERT_GE(pages.items.size(), 3u);
  const JsonValue& first = testing::jsonObject(json, pages.items[0]["object"].text);
  std::map<std::string, int> subtypes;
  std::vector<const JsonValue*> links;
  for (const JsonValue& entry : jsonResolved(json, first["/Annots"]).items) {
    const JsonValue& annotation = jsonResolved(json, entry);
    ++subtypes[annotation["/Subtype"].text];
    if (annotation["/Subtype"].text == "/Link")
      links.push_back(&annotation);
    const auto& rect = annotation["/Rect"].items;
    ASSERT_EQ(rect.size(), 4u);
    for (const JsonValue& value : rect) {
      EXPECT_GE(value.number, 0);
      EXPECT_LE(value.number, 841.89);
    }
  }
  EXPECT_EQ(subtypes["/Link"], 3);
  EXPECT_EQ(subtypes["/Text"], 2);
  EXPECT_EQ(subtypes["/Popup"], 1);
  ASSERT_EQ(links.size(), 3u);
  // The jump to the shapes page names that page's object.
  EXPECT_EQ((*links[0])["/Dest"].items.at(0).text, pages.items[1]["object"].text);
  EXPECT_EQ((*links[1])["/A"]["/URI"].text, "u:https://www.example.org/korvalis");
  EXPECT_EQ((*links[2])["/A"]["/S"].text, "/Launch");
  // It opens the table written beside the document.
  EXPECT_EQ((*links[2])["/A"]["/F"].text, "u:beispiel-daten.csv");
  // The picture on page 3 is a link as well.
  const JsonValue& third = testing::jsonObject(json, pages.items[2]["object"].text);
  const JsonValue& pictureLink =
      jsonResolved(json, jsonResolved(json, third["/Annots"]).items.at(0));
  EXPECT_EQ(pictureLink["/A"]["/URI"].text, "u:https://www.example.org/korvalis");
  // Its area covers the picture: the height follows from the width and the picture's shape.
  const auto& rect = pictureLink["/Rect"].items;
  ASSERT_EQ(rect.size(), 4u);
  EXPECT_GT(rect[2].number - rect[0].number, 10.0);
  EXPECT_GT(std::abs(rect[3].number - rect[1].number), 10.0);

  const JsonValue& root = testing::jsonCatalog(json);
  const JsonValue& names = jsonResolved(json, root["/Names"]);
  const JsonValue& scripts = jsonResolved(json, names["/JavaScript"]);
  ASSERT_EQ(scripts["/Names"].items.size(), 2u);
  const std::string script = jsonResolved(json, scripts["/Names"].items[1])["/JS"].text;
  EXPECT_NE(script.find("Korvalis-Beispiel"), std::string::npos) << script;
  EXPECT_EQ(root["/PageMode"].text, "/UseOutlines");

  const std::string table = readFileText(dir_ / "beispiel-daten.csv");
  ASSERT_GT(table.size(), 100u);
  EXPECT_EQ(json["attachments"]["beispiel-daten.csv"]["description"].text,
            "Die Tabelle der Beispielseiten");
  const auto shown = runTool("qpdf", dir_, "--show-attachment=beispiel-daten.csv " + quotedPdf());
  EXPECT_EQ(shown.exitCode, 0) << shown.err;
  EXPECT_TRUE(shown.out == table) << "qpdf extracted " << shown.out.size() << " bytes";
  const auto saved = dir_ / "ausgepackt.csv";
  const auto detached =
      runTool("pdfdetach", dir_, "-save 1 -o " + shellQuoted(saved.string()) + " " + quotedPdf());
  EXPECT_EQ(detached.exitCode, 0) << detached.err;
  EXPECT_TRUE(readFileText(saved) == table);
}

INSTANTIATE_TEST_SUITE_P(Locales, SampleDocument, ::testing::Values("C", "de_DE.UTF-8"),
                         [](const auto& info) {
                           return std::string(info.param) == "C" ? "PointDecimal" : "CommaDecimal";
                         });

}  // namespace
}  // namespace korvalis
