#pragma once
// Writes the font and text tests' documents to files and reads them back with qpdf and
// poppler (pdftotext, pdffonts).

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/pdf_document.h"

namespace korvalis::testing {

struct ToolRun {
  int exitCode = -1;
  std::string out;  ///< standard output (standard error is merged in)
};

inline std::string quoted(const std::string& text) {
  std::string result = "'";
  for (const char c : text)
    result += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return result + "'";
}

/// Runs a command line through the shell and collects its output.
inline ToolRun runTool(const std::string& command) {
  ToolRun run;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe)
    return run;
  std::array<char, 4096> chunk{};
  std::size_t got = 0;
  while ((got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
    run.out.append(chunk.data(), got);
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

/// A file name in the temporary folder, removed again at the end of the test.
class TemporaryPdf {
 public:
  explicit TemporaryPdf(const std::string& stem)
      : path_(std::filesystem::temp_directory_path() /
              (stem + "_" + std::to_string(::getpid()) + ".pdf")) {}
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
    const ToolRun check = runTool("qpdf --check " + quoted(path()));
    ASSERT_EQ(check.exitCode, 0) << check.out;
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
    const std::string pages =
        page > 0 ? " -f " + std::to_string(page) + " -l " + std::to_string(page) : "";
    return runTool("pdftotext -raw" + pages + " " + quoted(path()) + " -").out;
  }
  /// pdftotext's word boxes as XHTML lines.
  [[nodiscard]] std::string boxes() const {
    return runTool("pdftotext -bbox " + quoted(path()) + " -").out;
  }
  [[nodiscard]] std::string fonts() const { return runTool("pdffonts " + quoted(path())).out; }

 private:
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

/// Switches the numeric locale to one with a decimal comma for the scope; `active()` is false
/// when the machine lacks it.
class CommaLocale {
 public:
  CommaLocale() {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    saved_ = previous ? previous : "C";
    active_ = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  }
  ~CommaLocale() { std::setlocale(LC_NUMERIC, saved_.c_str()); }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;
  [[nodiscard]] bool active() const { return active_; }

 private:
  std::string saved_;
  bool active_ = false;
};

/// Occurrences of `needle` in `text`.
inline int countOf(std::string_view text, std::string_view needle) {
  int count = 0;
  for (auto pos = text.find(needle); pos != std::string_view::npos;
       pos = text.find(needle, pos + needle.size()))
    ++count;
  return count;
}

}  // namespace korvalis::testing
