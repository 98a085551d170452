#include <gtest/gtest.h>

#include <optional>

#include <clocale>
#include <filesystem>
#include <fstream>

#include "pdf/annotations/pdf_attachments.h"
#include "pdf/annotations/pdf_bookmarks.h"
#include "pdf/annotations/pdf_links.h"
#include "pdf/annotations/pdf_script.h"
#include "pdf/detail/output.h"
#include "pdf/pdf.h"
#include "pdf/tests/pdf_readers.h"

namespace korvalis {
namespace {

using testing::JsonValue;
using testing::readFileText;
using testing::runTool;
using testing::shellQuoted;

class AnnotationOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testing::testDirectory("annotations");
    initialiseWriter(doc_);
  }
  void TearDown() override {
    if (!HasFailure())
      std::filesystem::remove_all(dir_);
  }

  /// Saves the document, checks it with qpdf and returns its bytes.
  std::string saved(const std::string& name) {
    const auto path = dir_ / name;
    EXPECT_EQ(saveDocument(doc_, path.string()), 1);
    const auto check = testing::qpdfCheck(path, dir_);
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    json_ = testing::qpdfJson(path, dir_);
    EXPECT_FALSE(json_.isNull()) << "qpdf printed no JSON for " << name;
    return readFileText(path);
  }

  const JsonValue& resolved(const JsonValue& value) const {
    return testing::jsonResolved(json_, value);
  }

  std::vector<const JsonValue*> annotationsOf(std::size_t pageIndex) const {
    std::vector<const JsonValue*> result;
    const auto& pages = json_["pages"].items;
    if (pageIndex >= pages.size())
      return result;
    const JsonValue& page = testing::jsonObject(json_, pages[pageIndex]["object"].text);
    for (const JsonValue& item : resolved(page["/Annots"]).items)
      result.push_back(&resolved(item));
    return result;
  }

  const JsonValue& catalog() const { return testing::jsonCatalog(json_); }

  std::string pageReference(std::size_t index) const {
    return json_["pages"].items.at(index)["object"].text;
  }

  static std::vector<double> numbers(const JsonValue& array) {
    std::vector<double> result;
    for (const JsonValue& item : array.items)
      result.push_back(item.number);
    return result;
  }

  std::filesystem::path dir_;
  PdfDocument doc_;
  JsonValue json_;
};

void expectNear(const std::vector<double>& actual, const std::vector<double>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i)
    EXPECT_NEAR(actual[i], expected[i], 0.011) << "entry " << i;
}

TEST_F(AnnotationOutput, LinksAndNotesAreReadBackWithTheirRectanglesInEveryLocale) {
  for (const bool comma : {false, true}) {
    SCOPED_TRACE(comma ? "de_DE.UTF-8" : "C");
    // Restores the locale however the pass ends (an ASSERT returns early).
    std::optional<testing::CommaLocale> german;
    if (comma) {
      german.emplace();
      KORVALIS_REQUIRE_COMMA_LOCALE(german->active());
    }
    ASSERT_EQ(createDocument(doc_, "P", "mm", ""), 1);
    const double s = doc_.scale;
    const double height = doc_.formatHeightPt;
    addPage(doc_);
    // A note with a pop-up puts two objects before the pages.
    const int popup = addLink(doc_);
    setPopupNote(doc_, popup, -1, -1, "comment", "Inhalt", "Autor", 60, 30, 4, 86400);
    setLinkArea(doc_, 150, 20, 8, 8, popup);
    const int web = addLink(doc_);
    setLinkTarget(doc_, web, 0, 0, "https://example.org/a(b)");
    setLinkArea(doc_, 10, 20, 50, 8, web);
    const int undefined = addLink(doc_);
    setLinkArea(doc_, 10, 40, 50, 8, undefined);
    const int launch = addLink(doc_);
    setLaunchTarget(doc_, launch, -1, -1, "bericht.txt", "", "print", "");
    setLinkArea(doc_, 10, 60, 30, 5, launch);
    const int note = addLink(doc_);
    setTextNote(doc_, note, -1, -1, "smile", "Text (1)",
                "\xDC"
                "ber",
                0);
    setLinkArea(doc_, 100, 100, 10, 12, note);
    setLinkArea(doc_, 0, 0, 1, 1, 0);   // ignored: no link
    setLinkArea(doc_, 0, 0, 1, 1, 99);  // ignored: unknown link
    setLinkTarget(doc_, 99, 0, 0, "https://ignored.example");
    addPage(doc_);
    doc_.y = 70;
    const int back = addLink(doc_);
    setLinkTarget(doc_, back, 50, 1, "");
    setLinkArea(doc_, 10, 20, 50, 8, back);
    const int here = addLink(doc_);
    setLinkTarget(doc_, here, -1, -1, "");
    setLinkArea(doc_, 10, 40, 50, 8, here);
    const std::string pdf = saved("links.pdf");

    for (auto at = pdf.find("/Rect ["); at != std::string::npos; at = pdf.find("/Rect [", at + 1))
      EXPECT_EQ(pdf.substr(at, pdf.find(']', at) - at).find(','), std::string::npos);
    EXPECT_NE(pdf.find("/O (Print)"), std::string::npos);
    EXPECT_NE(pdf.find("/Name /Note /Rect"), std::string::npos);
    EXPECT_NE(pdf.find("/T (\\334ber)"), std::string::npos);
    EXPECT_NE(pdf.find("/Name /Comment /F 4"), std::string::npos);

    const auto first = annotationsOf(0);
    // In link order: the pop-up and its note, web, launch, note; not the undefined link.
    ASSERT_EQ(first.size(), 5u);
    const JsonValue& popupWindow = *first[0];
    EXPECT_EQ(popupWindow["/Subtype"].text, "/Popup");
    expectNear(numbers(popupWindow["/Rect"]), {150 * s, height - 20 * s, 210 * s, height - 50 * s});
    const JsonValue& popupNote = *first[1];
    EXPECT_EQ(popupNote["/Subtype"].text, "/Text");
    EXPECT_EQ(popupNote["/Contents"].text, "u:Inhalt");
    EXPECT_EQ(popupNote["/F"].number, 4);
    EXPECT_EQ(resolved(popupNote["/Popup"])["/Subtype"].text, "/Popup");
    EXPECT_TRUE(popupNote["/M"].text.starts_with("u:D:1970010")) << popupNote["/M"].text;
    const JsonValue& webLink = *first[2];
    EXPECT_EQ(webLink["/Subtype"].text, "/Link");
    expectNear(numbers(webLink["/Rect"]), {10 * s, height - 20 * s, 60 * s, height - 28 * s});
    EXPECT_EQ(webLink["/A"]["/URI"].text, "u:https://example.org/a(b)");
    const JsonValue& launchLink = *first[3];
    EXPECT_EQ(launchLink["/A"]["/S"].text, "/Launch");
    EXPECT_EQ(launchLink["/A"]["/Win"]["/F"].text, "u:bericht.txt");
    EXPECT_TRUE(launchLink["/A"]["/Win"]["/D"].isNull());
    const JsonValue& textNote = *first[4];
    EXPECT_EQ(textNote["/Subtype"].text, "/Text");
    EXPECT_EQ(textNote["/Contents"].text, "u:Text (1)");
    EXPECT_EQ(textNote["/T"].text, "b:dc626572");  // the Windows-1252 bytes of the title
    expectNear(numbers(textNote["/Rect"]), {100 * s, height - 112 * s, 110 * s, height - 100 * s});

    // Jumps name the real page objects even though the notes come first.
    const auto second = annotationsOf(1);
    ASSERT_EQ(second.size(), 2u);
    const auto& backDest = (*second[0])["/Dest"].items;
    ASSERT_EQ(backDest.size(), 5u);
    EXPECT_EQ(backDest[0].text, pageReference(0));
    EXPECT_NEAR(backDest[3].number, height - 50 * s, 0.011);
    const auto& hereDest = (*second[1])["/Dest"].items;
    ASSERT_EQ(hereDest.size(), 5u);
    EXPECT_EQ(hereDest[0].text, pageReference(1));
    EXPECT_NEAR(hereDest[3].number, height - 70 * s, 0.011);
  }
}

TEST_F(AnnotationOutput, NoteIconsAndLaunchOperations) {
  EXPECT_EQ(noteIconName("newparagraph"), "NewParagraph");
  EXPECT_EQ(noteIconName("KEY"), "Key");
  EXPECT_EQ(noteIconName("smile"), "Note");
  EXPECT_EQ(noteIconName(""), "Note");
  createDocument(doc_, "", "", "");
  addPage(doc_);
  const int open = addLink(doc_);
  setLaunchTarget(doc_, open, -1, -1, "a.txt", "/tmp", "edit", "-x");
  EXPECT_EQ(doc_.links[0].text3, "Open");
  setLaunchTarget(doc_, open, -1, -1, "a.txt", "/tmp", "", "-x");
  EXPECT_EQ(doc_.links[0].text3, "Open");
  setLinkArea(doc_, 10, 10, 10, 10, open);
  // A jump past the last page lands on the last page instead of naming a missing object.
  const int beyond = addLink(doc_);
  setLinkTarget(doc_, beyond, 0, 9, "");
  setLinkArea(doc_, 10, 30, 10, 10, beyond);
  const std::string pdf = saved("launch.pdf");
  EXPECT_NE(pdf.find("/S /Launch /F (a.txt) /Win <</F (a.txt)/D (/tmp)/O (Open)/P (-x)>>>>>>"),
            std::string::npos);
  const auto annotations = annotationsOf(0);
  ASSERT_EQ(annotations.size(), 2u);
  EXPECT_EQ((*annotations[1])["/Dest"].items.at(0).text, pageReference(0));
}

TEST_F(AnnotationOutput, BookmarksFormTheOutlineTree) {
  createDocument(doc_, "", "", "");
  addPage(doc_);
  addBookmark(doc_, "Teil 1", 0, 0);
  addBookmark(doc_, "Kapitel 1.1", 1, 100);
  addPage(doc_, "L", "");
  addBookmark(doc_, "Abschnitt 1.1.1", 2);
  addBookmark(doc_, "Kapitel 1.2", 1);
  addPage(doc_);
  addBookmark(doc_,
              "\xDC"
              "bersicht",
              0, 20);
  addBookmark(doc_, "Tief", 3, 30);  // skips two levels: a child of the closest lower one
  const double s = doc_.scale;
  saved("outline.pdf");
  const auto& outline = json_["outlines"].items;
  ASSERT_EQ(outline.size(), 2u);
  EXPECT_EQ(outline[0]["title"].text, "Teil 1");
  EXPECT_EQ(outline[0]["destpageposfrom1"].number, 1);
  ASSERT_EQ(outline[0]["kids"].items.size(), 2u);
  const JsonValue& chapter = outline[0]["kids"].items[0];
  EXPECT_EQ(chapter["title"].text, "Kapitel 1.1");
  EXPECT_NEAR(chapter["dest"].items.at(3).number, 841.89 - 100 * s, 0.011);
  ASSERT_EQ(chapter["kids"].items.size(), 1u);
  const JsonValue& section = chapter["kids"].items[0];
  EXPECT_EQ(section["title"].text, "Abschnitt 1.1.1");
  EXPECT_EQ(section["destpageposfrom1"].number, 2);
  // The landscape page's own height is the reference for its positions.
  EXPECT_NEAR(section["dest"].items.at(3).number, 595.28 - 10 * s, 0.011);
  EXPECT_EQ(outline[0]["kids"].items[1]["title"].text, "Kapitel 1.2");
  EXPECT_EQ(outline[1]["title"].text,
            "\xC3\x9C"
            "bersicht");
  EXPECT_EQ(outline[1]["destpageposfrom1"].number, 3);
  ASSERT_EQ(outline[1]["kids"].items.size(), 1u);
  EXPECT_EQ(outline[1]["kids"].items[0]["title"].text, "Tief");
  EXPECT_EQ(catalog()["/PageMode"].text, "/UseOutlines");

  // The list is emptied with the document; once the hooks are registered again, a new
  // document has no outline of its predecessor.
  reregisterHooks(doc_);
  createDocument(doc_, "", "", "");
  const std::string pdf = saved("plain.pdf");
  EXPECT_EQ(pdf.find("/Outlines"), std::string::npos);
  EXPECT_TRUE(json_["outlines"].items.empty());
}

std::string binarySample(std::size_t size) {
  std::string bytes;
  for (std::size_t i = 0; i < size; ++i)
    bytes.push_back(static_cast<char>(i < 16 ? 0 : (i * 7 + i / 256) & 0xFF));
  return bytes;
}

TEST_F(AnnotationOutput, AttachmentsExtractIdenticalAlongsideTheScript) {
  const auto write = [this](const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
    return (dir_ / name).string();
  };
  const std::string data = binarySample(1001);  // not a multiple of four, starts with zeros
  const std::string text = "Zeile 1\r\nZeile 2 (mit Klammer)\n";
  const std::string zPath = write("zahlen.bin", data);
  const std::string aPath = write("anmerkung.txt", text);
  for (const bool compressed : {false, true}) {
    SCOPED_TRACE(compressed ? "deflated" : "ASCII85");
    reregisterHooks(doc_);
    createDocument(doc_, "", "", "");
    if (compressed)
      setCompressor(doc_, zlibCompress);
    addPage(doc_);
    ASSERT_EQ(attachFile(doc_, zPath, "Zahlen (bin\xE4r)"), 1);
    ASSERT_EQ(attachFile(doc_, aPath, "Text"), 1);
    EXPECT_EQ(attachFile(doc_, (dir_ / "fehlt.bin").string(), "x"), 0);
    EXPECT_EQ(lastErrorMessage(doc_), "File open error.");
    setScript(doc_, "app.alert('Hallo\\nWelt');");
    const std::string pdf = saved("attached.pdf");
    const auto file = (dir_ / "attached.pdf").string();
    EXPECT_NE(pdf.find(compressed ? "/Filter/FlateDecode" : "/Filter/ASCII85Decode"),
              std::string::npos);
    // The name tree lists its keys in ascending order, whatever the order of attaching.
    const auto tree = pdf.find("/Names [\n(anmerkung.txt) ");
    ASSERT_NE(tree, std::string::npos);
    EXPECT_EQ(pdf.find("\n(zahlen.bin) ", tree), pdf.find(" 0 R\n", tree) + 4);
    EXPECT_NE(pdf.find("/Limits [\n(anmerkung.txt)\n(zahlen.bin)\n]", tree), std::string::npos);

    const auto list = runTool("qpdf", dir_, "--list-attachments " + shellQuoted(file));
    EXPECT_NE(list.out.find("zahlen.bin"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("anmerkung.txt"), std::string::npos) << list.out;
    const auto shown = runTool("qpdf", dir_, "--show-attachment=zahlen.bin " + shellQuoted(file));
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_TRUE(shown.out == data) << "qpdf extracted " << shown.out.size() << " bytes";
    std::filesystem::remove(aPath);
    const auto detached =
        runTool("pdfdetach", dir_,
                "-savefile anmerkung.txt -o " + shellQuoted(aPath) + " " + shellQuoted(file));
    EXPECT_EQ(detached.exitCode, 0) << detached.err;
    EXPECT_EQ(readFileText(aPath), text);

    EXPECT_EQ(json_["attachments"]["zahlen.bin"]["description"].text, "Zahlen (bin\xC3\xA4r)");
    const JsonValue& names = resolved(catalog()["/Names"]);
    EXPECT_FALSE(names["/EmbeddedFiles"].isNull());
    const JsonValue& scripts = resolved(names["/JavaScript"]);
    ASSERT_EQ(scripts["/Names"].items.size(), 2u);
    EXPECT_EQ(scripts["/Names"].items[0].text, "u:EmbeddedJS");
    EXPECT_EQ(resolved(scripts["/Names"].items[1])["/JS"].text, "u:app.alert('Hallo\\nWelt');");
    write("anmerkung.txt", text);
  }
}

TEST_F(AnnotationOutput, OneAttachmentsObjectsAndAScriptWithItsOwnNames) {
  const std::string path = (dir_ / "eins.txt").string();
  std::ofstream(path) << "eins";
  createDocument(doc_, "", "", "");
  ASSERT_EQ(attachFile(doc_, path, ""), 1);
  std::string pdf = saved("one.pdf");
  // Page tree, resources, page, content; Filespec dictionary and stream, the name tree's root
  // and leaf, the names dictionary; information, catalog.
  EXPECT_NE(pdf.find("/Size 12\n"), std::string::npos);
  EXPECT_NE(pdf.find("/Limits [\n(eins.txt)\n(eins.txt)\n]"), std::string::npos);
  EXPECT_EQ(resolved(catalog()["/Names"])["/JavaScript"].kind, JsonValue::Kind::Null);

  reregisterHooks(doc_);
  createDocument(doc_, "", "", "");
  setScript(doc_, "this.print();");
  pdf = saved("script.pdf");
  const JsonValue& names = catalog()["/Names"];
  ASSERT_EQ(names.kind, JsonValue::Kind::Object);
  EXPECT_EQ(resolved(resolved(names["/JavaScript"])["/Names"].items.at(1))["/JS"].text,
            "u:this.print();");
  EXPECT_EQ(pdf.find("/EmbeddedFiles"), std::string::npos);
}

}  // namespace
}  // namespace korvalis
