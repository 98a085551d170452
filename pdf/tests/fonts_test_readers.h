#pragma once
// Writes the font and text tests' documents to files and reads them back with qpdf and
// poppler (pdftotext, pdffonts).

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "pdf/detail/output.h"
#include "pdf/pdf.h"
#include "pdf/tests/pdf_readers.h"

namespace korvalis::testing {

/// A file name in the scratch directory, removed again at the end of the test.
class TemporaryPdf {
 public:
  explicit TemporaryPdf(const std::string& stem) : path_(scratchDirectory() / (stem + ".pdf")) {}
  ~TemporaryPdf() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  TemporaryPdf(const TemporaryPdf&) = delete;
  TemporaryPdf& operator=(const TemporaryPdf&) = delete;

  [[nodiscard]] std::string path() const { return path_.string(); }

  /// Saves the document here and asserts qpdf finds no fault in it.
  void save(PdfDocument& doc) const {
    ASSERT_EQ(saveDocument(doc, path()), 1) << lastErrorMessage(doc);
    const KrvRun check = qpdfCheck(path_);
    ASSERT_EQ(check.exitCode, 0) << check.out << check.err;
  }
  /// Closes the document, saves it as save() does and returns the file's bytes as text.
  std::string finish(PdfDocument& doc) const {
    closeDocument(doc);
    std::string bytes(doc.body.text());
    save(doc);
    return bytes;
  }
  /// The text poppler extracts (raw order), optionally of one page.
  [[nodiscard]] std::string text(int page = 0) const {
    return read("pdftotext", "-raw" + pageRange(page) + " " + shellQuoted(path()) + " -");
  }
  /// pdftotext's word boxes as XHTML lines, optionally of one page.
  [[nodiscard]] std::string boxes(int page = 0) const {
    return read("pdftotext", "-bbox" + pageRange(page) + " " + shellQuoted(path()) + " -");
  }
  [[nodiscard]] std::string fonts() const { return read("pdffonts", shellQuoted(path())); }

 private:
  static std::string pageRange(int page) {
    return page > 0 ? " -f " + std::to_string(page) + " -l " + std::to_string(page) : "";
  }
  /// The standard output of `tool`; a test failure with its messages when it fails.
  static std::string read(const std::string& tool, const std::string& args) {
    const KrvRun run = runTool(tool, scratchDirectory(), args);
    EXPECT_EQ(run.exitCode, 0) << tool << " " << args << ": " << run.err;
    return run.out;
  }

  std::filesystem::path path_;
};

/// The box of a word as pdftotext -bbox reports it (points, top-left origin).
struct WordBox {
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
  std::string word;
};

inline std::vector<WordBox> wordBoxes(const std::string& xhtml) {
  std::vector<WordBox> words;
  std::istringstream lines(xhtml);
  std::string line;
  while (std::getline(lines, line)) {
    WordBox box;
    char word[256] = {};
    if (std::sscanf(line.c_str(),
                    " <word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\">%255[^<]",
                    &box.xMin, &box.yMin, &box.xMax, &box.yMax, word) == 5) {
      box.word = word;
      words.push_back(box);
    }
  }
  return words;
}

/// The first box of `word`; a box of zeros (and a test failure) when poppler found none.
inline WordBox findWord(const std::vector<WordBox>& words, std::string_view word) {
  for (const WordBox& box : words) {
    if (box.word == word)
      return box;
  }
  ADD_FAILURE() << "no word " << word;
  return {};
}

/// Occurrences of `needle` in `text`.
inline int countOf(std::string_view text, std::string_view needle) {
  int count = 0;
  for (auto pos = text.find(needle); pos != std::string_view::npos;
       pos = text.find(needle, pos + needle.size()))
    ++count;
  return count;
}

}  // namespace korvalis::testing
