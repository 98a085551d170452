#include "tools/archive_server/server_config.h"

#include <charconv>
#include <utility>

namespace archive_server {

namespace {
const std::pair<const char*, FaultKind> kFaultNames[] = {
    {"drop", FaultKind::Drop},
    {"truncate", FaultKind::Truncate},
    {"empty", FaultKind::Empty},
    {"oversize", FaultKind::Oversize},
    {"nonimage", FaultKind::NonImage},
    {"notfound", FaultKind::NotFound},
    {"unauthorized", FaultKind::Unauthorized},
    {"nolength", FaultKind::NoLength},
    {"stall", FaultKind::Stall},
    {"stallbody", FaultKind::StallBody},
    {"trickle", FaultKind::Trickle},
    {"protected", FaultKind::Protected},
    {"foundnoapid", FaultKind::FoundNoApid},
    {"sizeonce", FaultKind::SizeOnce},
    {"sizenouptodate", FaultKind::SizeNoUpToDate},
    {"parentsnochild", FaultKind::ParentsNoChild},
    {"htmlerror", FaultKind::HtmlError},
    {"damagedjpeg", FaultKind::DamagedJpeg},
    {"droponce", FaultKind::DropOnce},
    {"unavailable", FaultKind::Unavailable},
};

template <typename T>
bool parseNumber(const std::string& text, T& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

bool parseFault(const std::string& text, ServerConfig& config) {
  const std::size_t eq = text.find('=');
  const std::string name = text.substr(0, eq);
  const std::string match = eq == std::string::npos ? "*" : text.substr(eq + 1);
  if (name == "ratelimit") {
    return parseNumber(match, config.rateLimit) && config.rateLimit > 0;
  }
  if (name == "latency") {
    // latency=MS for every request, latency=MS:MATCH for the matching paths only
    const std::size_t colon = match.find(':');
    if (colon == std::string::npos) {
      return parseNumber(match, config.latencyMs);
    }
    Fault fault{FaultKind::Latency, match.substr(colon + 1)};
    return !fault.match.empty() && parseNumber(match.substr(0, colon), fault.latencyMs) &&
           (config.faults.push_back(fault), true);
  }
  for (const auto& [faultName, kind] : kFaultNames) {
    if (name == faultName && !match.empty()) {
      config.faults.push_back(Fault{kind, match});
      return true;
    }
  }
  return false;
}
}  // namespace

bool Fault::matches(std::string_view path) const {
  return match == "*" || path.find(match) != std::string_view::npos;
}

std::string usageText() {
  return "usage: korvalis_archive_server [--host H] [--port N] [--cert FILE --key FILE]\n"
         "  [--catalogue FILE.tsv | --seed N --films N] [--log FILE] [--page-bytes N]\n"
         "  [--page-size WxH] [--oversize-bytes N] [--stall-ms N] [--fault KIND[=MATCH]]...\n"
         "  [--exit-with-parent PID]  (end once process PID, the starter, has gone)\n"
         "KIND: latency=MS[:MATCH], drop, truncate, empty, oversize, nonimage, notfound,\n"
         "  unauthorized, nolength, stall, stallbody, trickle, protected, foundnoapid,\n"
         "  sizeonce, sizenouptodate, parentsnochild, htmlerror, damagedjpeg,\n"
         "  droponce (first request of each path only), unavailable (503),\n"
         "  ratelimit=N (429 with Retry-After: 1 beyond N requests a second);\n"
         "  MATCH is a part of the request path, * for all.\n"
         "Prints \"ready PORT\" once it listens.\n";
}

std::optional<ServerConfig> parseCommandLine(const std::vector<std::string>& args,
                                             std::string& error) {
  ServerConfig config;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (i + 1 >= args.size()) {
      error = "missing value for " + option;
      return std::nullopt;
    }
    const std::string& value = args[++i];
    bool ok = true;
    if (option == "--host") {
      config.host = value;
    } else if (option == "--port") {
      ok = parseNumber(value, config.port);
    } else if (option == "--cert") {
      config.certFile = value;
    } else if (option == "--key") {
      config.keyFile = value;
    } else if (option == "--catalogue") {
      config.catalogueFile = value;
    } else if (option == "--seed") {
      ok = parseNumber(value, config.seed);
    } else if (option == "--films") {
      ok = parseNumber(value, config.films);
    } else if (option == "--log") {
      config.logFile = value;
    } else if (option == "--page-bytes") {
      ok = parseNumber(value, config.pageBytes);
    } else if (option == "--page-size") {
      const std::size_t x = value.find('x');
      ok = x != std::string::npos && parseNumber(value.substr(0, x), config.pageWidth) &&
           parseNumber(value.substr(x + 1), config.pageHeight) && config.pageWidth > 0 &&
           config.pageHeight > 0;
    } else if (option == "--stall-ms") {
      ok = parseNumber(value, config.stallMs);
    } else if (option == "--oversize-bytes") {
      ok = parseNumber(value, config.oversizeBytes);
    } else if (option == "--fault") {
      ok = parseFault(value, config);
    } else if (option == "--exit-with-parent") {
      ok = parseNumber(value, config.parentPid) && config.parentPid > 1;
    } else {
      error = "unknown option " + option;
      return std::nullopt;
    }
    if (!ok) {
      error = "bad value for " + option + ": " + value;
      return std::nullopt;
    }
  }
  if (config.certFile.empty() != config.keyFile.empty()) {
    error = "--cert and --key go together";
    return std::nullopt;
  }
  return config;
}

}  // namespace archive_server
