// krv locate / size / fetch: the archive service queries against KORVALIS_ARCHIVE_URL
// (HTTPS verified; KORVALIS_CA_FILE names a CA bundle to trust instead of the system's).
#include <iostream>
#include <optional>
#include <system_error>
#include <vector>

#include "archive/archive_address.h"
#include "archive/curl_global.h"
#include "archive/page_address.h"
#include "archive/page_cache.h"
#include "archive/transfer_engine.h"
#include "platform/file_io.h"
#include "tools/krv/command.h"
#include "tools/krv/terminal.h"

namespace korvalis::krv {
namespace {

std::string servicePrefix() {
  return archiveBaseUrl() + "/das/v2/";
}

/// The HTTP library's set-up and an engine trusting the configured CA bundle, for one command.
struct Session {
  CurlGlobal curl;
  TransferEngine engine{curl, caBundleFile()};
};

bool isNumber(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

int runLocate(std::span<const std::string> args) {
  if (args.size() != 2 || !isNumber(args[0]) || !isNumber(args[1])) {
    std::cerr << "usage: krv locate ID PAGE\n";
    return kUsage;
  }
  Session session;
  TransferEngine& engine = session.engine;
  std::cout << LookUpLocation(engine, servicePrefix(), makePageRef(args[0], args[1])) << '\n';
  return kOk;
}

int runSize(std::span<const std::string> args) {
  Session session;
  TransferEngine& engine = session.engine;
  if (args.size() == 1) {
    std::cout << QueryImageSize(engine, servicePrefix(), args[0], /*byApid=*/1) << '\n';
    return kOk;
  }
  if (args.size() == 3 && args[0] == "--dgs" && isNumber(args[1]) && isNumber(args[2])) {
    const std::string name = longImageName(makePageRef(args[1], args[2]));
    std::cout << QueryImageSize(engine, servicePrefix(), name, /*byApid=*/0) << '\n';
    return kOk;
  }
  std::cerr << "usage: krv size APID | krv size --dgs ID PAGE\n";
  return kUsage;
}

/// The limit of the page cache krv uses with --cache (the program's, with the settings file's
/// limit), in bytes.
std::uint64_t cacheLimit() {
  return readArchiveAddress().address.cacheMb << 20;
}

/// Writes the page to OUT under a temporary name first, so OUT is never left half written.
int writePage(const std::string& out, std::span<const std::uint8_t> bytes) {
  std::error_code error;
  if (!writeFileAtomically(out, bytes, &error)) {
    std::cerr << "cannot write " << out << ": " << error.message() << '\n';
    return kRefused;
  }
  return kOk;
}

int runFetch(std::span<const std::string> args) {
  std::vector<std::string> positional;
  bool useCache = false;
  for (const std::string& arg : args) {
    if (arg == "--cache") {
      useCache = true;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 3 || !isNumber(positional[0]) || !isNumber(positional[1])) {
    std::cerr << "usage: krv fetch ID PAGE OUT.jpg [--cache]\n";
    return kUsage;
  }
  const std::string id = idText(positional[0]);
  const std::string page = pageText(positional[1]);
  std::optional<PageCache> cache;
  if (useCache) {
    cache.emplace(PageCache::defaultFolder(), cacheLimit());
    if (const std::optional<CachedPage> cached = cache->find(id, page)) {
      return writePage(positional[2], cached->bytes);
    }
  }
  Session session;
  TransferEngine& engine = session.engine;
  const std::string prefix = servicePrefix();
  const std::string apid =
      LookUpLocation(engine, prefix, makePageRef(positional[0], positional[1]));
  if (apid == kUnknownApid) {
    std::cerr << "page unknown to the archive (or archive unreachable)\n";
    return kRefused;
  }
  UrlRequest request;
  request.url = pageImageUrl(prefix, apid);
  request.flags = kQueryRequestFlags;
  request.chunkSize = 16384;
  request.connectTimeoutMs = 15000;
  const auto data = engine.GetUrlSync(request);
  if (!data) {
    std::cerr << "no page received: " << engine.GetErrorText(0) << '\n';
    return kRefused;
  }
  if (data->size() < 3 || (*data)[0] != 0xFF || (*data)[1] != 0xD8) {
    std::cerr << "the archive answered with something other than a JPEG page\n";
    return kRefused;
  }
  if (cache && !cache->store(id, page, apid, *data) && cache->writeFailed()) {
    std::cerr << "krv: the page cache " << cache->folder().string()
              << " cannot be written; going on without it\n";
  }
  return writePage(positional[2], *data);
}

/// krv cache path|stats|clear: where the page cache is, what it holds, and emptying it.
int runCache(std::span<const std::string> args) {
  if (args.size() != 1) {
    return kUsage;
  }
  PageCache cache(PageCache::defaultFolder(), cacheLimit());
  if (args[0] == "path") {
    std::cout << cache.folder().string() << '\n';
  } else if (args[0] == "stats") {
    const PageCacheStats stats = cache.stats();
    std::cout << "pages " << stats.entries << "\nbytes " << stats.bytes << "\nlimit " << stats.limit
              << '\n';
  } else if (args[0] == "clear") {
    std::cout << "removed " << cache.clear() << '\n';
  } else {
    return kUsage;
  }
  return kOk;
}

}  // namespace
}  // namespace korvalis::krv

KRV_COMMAND("locate", "ID PAGE", korvalis::krv::runLocate)
KRV_COMMAND("size", "APID | --dgs ID PAGE", korvalis::krv::runSize)
KRV_COMMAND("fetch", "ID PAGE OUT.jpg [--cache]", korvalis::krv::runFetch)
KRV_COMMAND("cache", "path | stats | clear", korvalis::krv::runCache)
