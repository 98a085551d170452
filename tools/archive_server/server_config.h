#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace archive_server {

/// Kinds of faults the server can inject.
enum class FaultKind {
  Drop,            ///< headers, then the connection closes without a body
  Truncate,        ///< Content-Length of the whole body, half of it sent, then closed
  Empty,           ///< 200 with an empty body
  Oversize,        ///< a body of `oversizeBytes` bytes
  NonImage,        ///< a plain-text body instead of the answer
  NotFound,        ///< the XML "not found" answer (404)
  Unauthorized,    ///< the XML "unauthorized" answer (401)
  NoLength,        ///< the right answer, sent chunked without Content-Length
  Stall,           ///< headers with a Content-Length, then nothing until the stall time ends
  StallBody,       ///< headers and half of the body, then nothing until the stall time ends
  Trickle,         ///< the right answer, 1,024 bytes every 100 ms
  Latency,         ///< the right answer after `latencyMs` (for the matching paths only)
  Protected,       ///< an XML answer holding both "not found" and "unauthorized"
  FoundNoApid,     ///< a location answer with found="true" but no "TH-" after it
  SizeOnce,        ///< a size answer that passes the checks but holds size=" only once
  SizeNoUpToDate,  ///< a size answer without "uptodate"
  ParentsNoChild,  ///< a parents answer without childName=
  HtmlError,       ///< an HTML error page with status 500
  DamagedJpeg,     ///< FF D8, then bytes that are no JPEG
  DropOnce,        ///< as Drop for the first request of each path, then the right answer
  Unavailable,     ///< 503 with a short HTML page (an overloaded server)
};

/// A fault applied to every request whose path contains `match` ("*" matches every path).
struct Fault {
  FaultKind kind;
  std::string match;
  int latencyMs = 0;  ///< Latency only
  /// Whether the fault applies to a request for `path`.
  bool matches(std::string_view path) const;
};

/// The command-line options.
struct ServerConfig {
  std::string host = "127.0.0.1";
  int port = 0;          ///< 0: any free port (announced on the ready line)
  std::string certFile;  ///< with keyFile: HTTPS, else plain HTTP
  std::string keyFile;
  std::string catalogueFile;  ///< empty: a catalogue generated from `seed`
  unsigned seed = 1;
  int films = 20;
  std::string logFile;  ///< request log, one line per request
  int latencyMs = 0;    ///< added to every request
  /// Not 0: requests beyond this many in one second (of the server's clock) are answered 429
  /// with "Retry-After: 1" (the ratelimit fault).
  int rateLimit = 0;
  int stallMs = 60000;        ///< how long a stalled answer sends nothing before it closes
  std::size_t pageBytes = 0;  ///< pad JPEG pages to this size (0: as encoded)
  int pageWidth = 600;
  int pageHeight = 800;
  std::size_t oversizeBytes = std::size_t{300} * 1024 * 1024;
  std::vector<Fault> faults;
  int parentPid = 0;  ///< not 0: the server ends soon after this process has gone
};

/// Parses the command line; nothing (with a message in `error`) for a bad option.
std::optional<ServerConfig> parseCommandLine(const std::vector<std::string>& args,
                                             std::string& error);

/// The usage text.
std::string usageText();

}  // namespace archive_server
