// krv commands of the record file: check, make, dump, index, tree, search.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "app/citation.h"
#include "archive/archive_address.h"
#include "archive/curl_global.h"
#include "archive/page_address.h"
#include "archive/transfer_engine.h"
#include "platform/cp1252.h"
#include "platform/file_io.h"
#include "records/record_file.h"
#include "records/record_search.h"
#include "records/record_tree.h"
#include "tools/krv/command.h"
#include "tools/krv/terminal.h"

namespace korvalis::krv {
namespace {

/// Writes Windows-1252 text (record data, messages) to standard output in the terminal's
/// encoding.
void writeOut(std::string_view text) {
  const std::string shown = terminalText(text);
  std::fwrite(shown.data(), 1, shown.size(), stdout);
}

/// Standard output collected in pieces of about 64 KB, so a listing of a large file is never
/// held whole in memory.
class OutputBuffer {
 public:
  OutputBuffer() { text_.reserve(kFlushAt + 4096); }
  ~OutputBuffer() { flush(); }
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  OutputBuffer& operator<<(std::string_view piece) {
    text_ += piece;
    if (text_.size() >= kFlushAt) {
      flush();
    }
    return *this;
  }
  OutputBuffer& operator<<(char c) { return *this << std::string_view(&c, 1); }
  void flush() {
    writeOut(text_);
    text_.clear();
  }

 private:
  static constexpr std::size_t kFlushAt = 64 * 1024;
  std::string text_;
};

/// Why a file could not be read, for standard error.
std::string readFailure(ReadError error) {
  return error == ReadError::TooLarge
             ? "the file is larger than 2 GiB, the largest record file that is read"
             : "the file cannot be read";
}

/// The end line a record file at `path` must hold: its name without the last four characters.
std::optional<std::string> endLineFor(const std::string& path) {
  const std::string name = std::filesystem::path(path).filename().string();
  if (name.size() <= 4) {
    return std::nullopt;
  }
  return recordEndLine(name.substr(0, name.size() - 4));
}

/// Applies the validity rule and reads the file; prints the reason and returns nothing when
/// it is invalid or unreadable.
std::optional<RecordData> loadValid(const std::string& path) {
  const std::optional<std::string> endLine = endLineFor(path);
  if (!endLine) {
    std::fprintf(stderr, "krv: %s: the name is too short for a record file\n", path.c_str());
    return std::nullopt;
  }
  ReadError error = ReadError::None;
  std::optional<std::string> bytes = readWholeFile(path, kMaxRecordFileBytes, &error);
  if (!bytes) {
    std::fprintf(stderr, "krv: %s: %s\n", path.c_str(), readFailure(error).c_str());
    return std::nullopt;
  }
  const RecordFileCheck check = checkRecordBytes(*bytes, *endLine);
  if (!check.valid) {
    std::fprintf(stderr, "krv: %s: invalid: %s\n", path.c_str(),
                 terminalText(check.reason).c_str());
    return std::nullopt;
  }
  return parseRecordBytes(*std::move(bytes), *endLine);
}

/// Checks the argument count, loads the record file named first and runs `body` on it;
/// a wrong count is a usage error, an invalid file is refused.
template <typename Body>
int withLoadedFile(std::span<const std::string> args, std::size_t count, Body&& body) {
  if (args.size() != count) {
    return kUsage;
  }
  std::optional<RecordData> data = loadValid(args[0]);
  if (!data) {
    return kRefused;
  }
  return body(*data);
}

int runCheck(std::span<const std::string> args) {
  if (args.size() != 1) {
    return kUsage;
  }
  const std::optional<std::string> endLine = endLineFor(args[0]);
  const RecordFileCheck check =
      endLine ? checkRecordFile(args[0], *endLine)
              : RecordFileCheck{false, "the name is too short for a record file", 0};
  if (check.valid) {
    writeOut("valid\n");
    return kOk;
  }
  writeOut("invalid: " + check.reason + "\n");
  return kRefused;
}

int runMake(std::span<const std::string> args) {
  if (args.size() != 2) {
    return kUsage;
  }
  ReadError readError = ReadError::None;
  const std::optional<std::string> tsv = readWholeFile(args[0], kMaxRecordFileBytes, &readError);
  if (!tsv) {
    std::fprintf(stderr, "krv: %s: %s\n", args[0].c_str(), readFailure(readError).c_str());
    return kRefused;
  }
  const std::optional<std::string> endLine = endLineFor(args[1]);
  if (!endLine || !args[1].ends_with(".krv")) {
    std::fprintf(stderr, "krv: %s: the output must be named NAME.krv\n", args[1].c_str());
    return kRefused;
  }
  std::string error;
  const std::optional<std::string> bytes = makeRecordBytes(*tsv, *endLine, error);
  if (!bytes) {
    std::fprintf(stderr, "krv: %s: %s\n", args[0].c_str(), terminalText(error).c_str());
    return kRefused;
  }
  if (!writeFileAtomically(args[1], *bytes)) {
    std::fprintf(stderr, "krv: %s: the file cannot be written\n", args[1].c_str());
    return kRefused;
  }
  return kOk;
}

int runDump(std::span<const std::string> args) {
  return withLoadedFile(args, 1, [&](RecordData& data) {
    OutputBuffer out;
    for (const RecordEntry& e : data.list.entries) {
      for (const std::string_view field :
           {e.info1(), e.info2(), e.info3(), e.info4(), e.apid(), e.id(), e.pages()}) {
        out << field << '\t';
      }
      out << e.info5() << '\n';
    }
    return kOk;
  });
}

int runIndex(std::span<const std::string> args) {
  return withLoadedFile(args, 1, [&](RecordData& data) {
    OutputBuffer out;
    for (const IndexEntry& e : data.index.entries) {
      out << e.key << '\t' << std::to_string(e.entry) << '\n';
    }
    return kOk;
  });
}

int runTree(std::span<const std::string> args) {
  return withLoadedFile(args, 1, [&](RecordData& data) {
    const std::string name = std::filesystem::path(args[0]).filename().string();
    const RecordTree tree =
        buildTreeItems(data.list, recordEndLine(name.substr(0, name.size() - 4)));
    {
      OutputBuffer out;
      for (const TreeItem& item : tree.items) {
        out << std::to_string(item.level) << '\t' << item.text << '\n';
      }
    }
    if (!tree.message.empty()) {
      std::string message = tree.message;
      for (char& c : message) {
        c = c == '\r' ? '\n' : c;
      }
      std::fprintf(stderr, "%s\n", terminalText(message).c_str());
    }
    return kOk;
  });
}

int runSearchCommand(std::span<const std::string> args) {
  return withLoadedFile(args, 2, [&](RecordData& data) {
    const std::string text = argumentText(args[1]);
    const std::optional<SearchResult> result = runSearch(data.index, data.list, text);
    if (!result) {
      std::fputs("krv: the search text is empty\n", stderr);
      return kRefused;
    }
    OutputBuffer out;
    for (std::size_t row = 0; row < result->hits.size(); ++row) {
      out << rowNumberText(row) << '\t' << data.index.entries[result->hits[row].indexPosition].key
          << '\n';
    }
    out << result->status << '\n';
    return kOk;
  });
}

bool isDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

/// krv cite FILE.krv ID PAGE [--format csv]: the citation "Quelle kopieren" copies, with the
/// APID looked up in the archive; as CSV a header line and one row.
int runCite(std::span<const std::string> args) {
  std::vector<std::string> positional;
  bool csv = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--format" && i + 1 < args.size() &&
        (args[i + 1] == "csv" || args[i + 1] == "text")) {
      csv = args[++i] == "csv";
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 3 || !isDigits(positional[1]) || !isDigits(positional[2])) {
    return kUsage;
  }
  const std::optional<RecordData> data = loadValid(positional[0]);
  if (!data) {
    return kRefused;
  }
  const std::string prefix = archiveBaseUrl() + "/das/v2/";
  const std::string id = idText(positional[1]);
  const std::string page = pageText(positional[2]);
  std::string apid;
  {
    const CurlGlobal curl;
    TransferEngine engine(curl, caBundleFile());
    apid = LookUpLocation(engine, prefix, makePageRef(id, page));
  }
  if (apid == kUnknownApid) {
    std::fprintf(stderr, "krv: the archive named no APID for %s (or could not be reached)\n",
                 makePageRef(id, page).c_str());
  }
  const PageCitation citation = makePageCitation(data->list, id, page, apid, prefix,
                                                 isoDay(std::chrono::system_clock::now()));
  OutputBuffer out;
  if (csv) {
    out << citationCsvHeader() << '\n' << citationCsvRow(citation) << '\n';
  } else {
    out << citationText(citation);
  }
  return kOk;
}

}  // namespace
}  // namespace korvalis::krv

KRV_COMMAND("cite", "FILE.krv ID PAGE [--format csv]", korvalis::krv::runCite)
KRV_COMMAND("check", "FILE.krv", korvalis::krv::runCheck)
KRV_COMMAND("make", "IN.tsv OUT.krv", korvalis::krv::runMake)
KRV_COMMAND("dump", "FILE.krv", korvalis::krv::runDump)
KRV_COMMAND("index", "FILE.krv", korvalis::krv::runIndex)
KRV_COMMAND("tree", "FILE.krv", korvalis::krv::runTree)
KRV_COMMAND("search", "FILE.krv TEXT", korvalis::krv::runSearchCommand)
