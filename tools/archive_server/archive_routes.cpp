#include "tools/archive_server/archive_routes.h"

#include "tools/archive_server/page_image.h"

#include <charconv>
#include <chrono>
#include <thread>

namespace archive_server {

namespace {
constexpr std::string_view kServicePath = "/das/v2/";
constexpr std::string_view kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
constexpr std::size_t kStreamChunk = 64 * 1024;

bool endsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool startsWith(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

void sendXml(httplib::Response& response, int status, const std::string& body) {
  response.status = status;
  response.set_content(body, "application/xml");
}

/// "ID_PAGE" (nine digits, "_", digits) into its parts.
std::optional<std::pair<std::string, int>> splitPageRef(std::string_view ref) {
  const std::size_t split = ref.find('_');
  if (split != 9) {
    return std::nullopt;
  }
  int page = 0;
  const std::string_view digits = ref.substr(split + 1);
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), page);
  if (ec != std::errc() || end != digits.data() + digits.size()) {
    return std::nullopt;
  }
  return std::make_pair(std::string(ref.substr(0, split)), page);
}

/// Sends nothing for `ms` (or until the client has gone), as a server that stopped answering.
void stallFor(int ms, httplib::DataSink& sink) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end && sink.is_writable()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

/// Promises `total` bytes, sends `body` (zeros when empty) up to `stopAt`, then waits
/// `stallMs` and closes the connection before the promised end.
void streamBytes(httplib::Response& response, std::size_t total, std::size_t stopAt,
                 std::string body, const char* type, int stallMs = 0) {
  response.set_content_provider(
      total, type,
      [body = std::move(body), stopAt, stallMs](std::size_t offset, std::size_t length,
                                                httplib::DataSink& sink) {
        if (offset >= stopAt) {
          stallFor(stallMs, sink);
          return false;  // closes the connection before the promised end
        }
        const std::size_t part = std::min({length, kStreamChunk, stopAt - offset});
        if (body.empty()) {
          const std::string zeros(part, '\0');
          sink.write(zeros.data(), part);
        } else {
          sink.write(body.data() + offset, part);
        }
        return true;
      });
}
}  // namespace

std::string notFoundXml() {
  return std::string(kXmlHead) + "<error status=\"404\">not found</error>\n";
}

ArchiveRoutes::ArchiveRoutes(ServerConfig config, Catalogue catalogue)
    : config_(std::move(config)), catalogue_(std::move(catalogue)) {
  if (!config_.logFile.empty()) {
    log_.open(config_.logFile, std::ios::app);
  }
}

void ArchiveRoutes::install(httplib::Server& server) {
  server.Get(R"(.*)", [this](const httplib::Request& request, httplib::Response& response) {
    handle(request, response);
  });
}

bool ArchiveRoutes::overRateLimit() {
  if (config_.rateLimit <= 0) {
    return false;
  }
  const std::int64_t second = std::chrono::duration_cast<std::chrono::seconds>(
                                  std::chrono::steady_clock::now().time_since_epoch())
                                  .count();
  const std::lock_guard lock(mutex_);
  if (second != rateSecond_) {
    rateSecond_ = second;
    rateServed_ = 0;
  }
  if (rateServed_ >= config_.rateLimit) {
    return true;
  }
  ++rateServed_;
  return false;
}

void ArchiveRoutes::log(const httplib::Request& request, bool limited) {
  const std::lock_guard lock(mutex_);
  if (!log_.is_open()) {
    return;
  }
  // One line per request: method, path, then every header as "Name: value", TAB-separated.
  log_ << request.method << '\t' << request.path;
  for (const auto& [name, value] : request.headers) {
    if (name != "REMOTE_ADDR" && name != "REMOTE_PORT" && name != "LOCAL_ADDR" &&
        name != "LOCAL_PORT") {
      log_ << '\t' << name << ": " << value;
    }
  }
  if (limited) {
    log_ << "\t=> 429";
  }
  log_ << '\n' << std::flush;
}

bool ArchiveRoutes::applyFault(const std::string& path, httplib::Response& response) {
  for (const Fault& fault : config_.faults) {
    if (!fault.matches(path)) {
      continue;
    }
    switch (fault.kind) {
      case FaultKind::Drop:
        streamBytes(response, 4096, 0, {}, "image/jpeg");
        return true;
      case FaultKind::Truncate:
        streamBytes(response, 8192, 4096, {}, "image/jpeg");
        return true;
      case FaultKind::Empty:
        response.status = 200;
        response.set_content("", "image/jpeg");
        return true;
      case FaultKind::Oversize:
        streamBytes(response, config_.oversizeBytes, config_.oversizeBytes, {}, "image/jpeg");
        return true;
      case FaultKind::NonImage:
        response.status = 200;
        response.set_content("This is not an image.\n", "text/plain");
        return true;
      case FaultKind::NotFound:
        sendXml(response, 404, notFoundXml());
        return true;
      case FaultKind::Unauthorized:
        sendXml(response, 401,
                std::string(kXmlHead) + "<error status=\"401\">unauthorized</error>\n");
        return true;
      case FaultKind::Stall:
        streamBytes(response, 8192, 0, {}, "image/jpeg", config_.stallMs);
        return true;
      case FaultKind::Protected:
        sendXml(
            response, 401,
            std::string(kXmlHead) + "<error status=\"401\">not found or unauthorized</error>\n");
        return true;
      case FaultKind::FoundNoApid:
        sendXml(response, 200,
                std::string(kXmlHead) + "<location found=\"true\" ids=\"dgs:unknown\"/>\n");
        return true;
      case FaultKind::SizeOnce:
        sendXml(response, 200,
                std::string(kXmlHead) + "<image upToDate=\"true\" size=\"4711\"/>\n");
        return true;
      case FaultKind::SizeNoUpToDate:
        sendXml(response, 200,
                std::string(kXmlHead) +
                    "<image current=\"true\" master size=\"9000\">\n<dist size=\"3000\"/>\n"
                    "</image>\n");
        return true;
      case FaultKind::ParentsNoChild:
        sendXml(
            response, 200,
            std::string(kXmlHead) + "<parents>\n<parent parentApid=\"TH-1-2-3-4\"/>\n</parents>\n");
        return true;
      case FaultKind::HtmlError:
        response.status = 500;
        response.set_content(
            "<html><head><title>500</title></head><body>Internal Server Error</body></html>",
            "text/html");
        return true;
      case FaultKind::DamagedJpeg:
        response.status = 200;
        response.set_content(std::string("\xFF\xD8\xFF\xE0"
                                         "damaged",
                                         11) +
                                 std::string(4096, 'x'),
                             "image/jpeg");
        return true;
      case FaultKind::DropOnce: {
        const std::lock_guard lock(mutex_);
        if (droppedOnce_.insert(path).second) {
          streamBytes(response, 4096, 0, {}, "image/jpeg");
          return true;
        }
        break;
      }
      case FaultKind::Unavailable:
        response.status = 503;
        response.set_content("<html><body>Service Unavailable</body></html>\n", "text/html");
        return true;
      case FaultKind::NoLength:
      case FaultKind::StallBody:
      case FaultKind::Trickle:
      case FaultKind::Latency:
        break;  // applied around the right answer
    }
  }
  return false;
}

void ArchiveRoutes::deliverSlowly(const std::string& path, httplib::Response& response) {
  for (const Fault& fault : config_.faults) {
    if (!fault.matches(path) || response.body.empty()) {
      continue;
    }
    const std::string type = response.get_header_value("Content-Type");
    std::string body = std::move(response.body);
    response.body.clear();
    if (fault.kind == FaultKind::StallBody) {
      const std::size_t half = body.size() / 2;
      const std::size_t total = body.size();
      streamBytes(response, total, half, std::move(body), type.c_str(), config_.stallMs);
    } else if (fault.kind == FaultKind::Trickle) {
      const std::size_t total = body.size();
      response.set_content_provider(
          total, type,
          [body = std::move(body)](std::size_t offset, std::size_t length,
                                   httplib::DataSink& sink) {
            const std::size_t part = std::min<std::size_t>({length, 1024, body.size() - offset});
            sink.write(body.data() + offset, part);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            return true;
          });
    } else if (fault.kind == FaultKind::NoLength) {
      auto shared = std::make_shared<std::string>(std::move(body));
      response.set_chunked_content_provider(
          type, [shared](std::size_t offset, httplib::DataSink& sink) {
            if (offset < shared->size()) {
              sink.write(shared->data() + offset, std::min(kStreamChunk, shared->size() - offset));
            } else {
              sink.done();
            }
            return true;
          });
    } else {
      response.body = std::move(body);
      continue;
    }
    return;
  }
}

void ArchiveRoutes::handle(const httplib::Request& request, httplib::Response& response) {
  const bool limited = overRateLimit();
  log(request, limited);
  if (limited) {
    response.status = 429;
    response.set_header("Retry-After", "1");
    response.set_content("Too Many Requests\n", "text/plain");
    return;
  }
  const std::string& path = request.path;
  int latency = config_.latencyMs;
  for (const Fault& fault : config_.faults) {
    if (fault.kind == FaultKind::Latency && fault.matches(path)) {
      latency += fault.latencyMs;
    }
  }
  if (latency > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(latency));
  }
  if (applyFault(path, response)) {
    return;
  }
  if (path == "/") {
    response.set_content("<html><head><title>Archiv</title></head><body>Archiv</body></html>",
                         "text/html");
  } else if (startsWith(path, kServicePath)) {
    answerService(std::string_view(path).substr(kServicePath.size()), response);
  } else {
    sendXml(response, 404, notFoundXml());
  }
  deliverSlowly(path, response);
}

void ArchiveRoutes::answerService(std::string_view rest, httplib::Response& response) {
  // The client may send the parents path with its "#location" fragment or without it.
  if (const std::size_t hash = rest.find('#'); hash != std::string_view::npos) {
    rest = rest.substr(0, hash);
  }
  if (startsWith(rest, "dgs:") && endsWith(rest, "/location/db")) {
    answerLocation(rest.substr(4, rest.size() - 4 - 12), response);
  } else if (startsWith(rest, "dgs:") && endsWith(rest, "/size")) {
    // Long image name: ID "." ID "_" page
    const std::string_view name = rest.substr(4, rest.size() - 4 - 5);
    const std::size_t dot = name.find('.');
    const auto ref =
        dot == std::string_view::npos ? std::nullopt : splitPageRef(name.substr(dot + 1));
    const auto apid = ref ? catalogue_.imageApid(ref->first, ref->second) : std::nullopt;
    answerSize(apid ? catalogue_.lookUp(*apid) : std::nullopt, response);
  } else if (startsWith(rest, "dgs:") && endsWith(rest, "/$dist")) {
    const auto ref = splitPageRef(rest.substr(4, rest.size() - 4 - 6));
    const auto apid = ref ? catalogue_.imageApid(ref->first, ref->second) : std::nullopt;
    if (apid) {
      response.set_redirect(std::string(kServicePath) + *apid + "/dist.jpg");
    } else {
      sendXml(response, 404, notFoundXml());
    }
  } else if (startsWith(rest, "apid:") && endsWith(rest, "/parents")) {
    answerParents(rest.substr(5, rest.size() - 5 - 8), response);
  } else if (endsWith(rest, "/size")) {
    answerSize(catalogue_.lookUp(rest.substr(0, rest.size() - 5)), response);
  } else if (endsWith(rest, "/dist.jpg")) {
    answerImage(rest.substr(0, rest.size() - 9), response);
  } else {
    sendXml(response, 404, notFoundXml());
  }
}

void ArchiveRoutes::answerLocation(std::string_view pageRef, httplib::Response& response) {
  const auto ref = splitPageRef(pageRef);
  const auto apid = ref ? catalogue_.imageApid(ref->first, ref->second) : std::nullopt;
  if (!apid) {
    sendXml(response, 404,
            std::string(kXmlHead) + "<location found=\"false\" ref=\"dgs:" + std::string(pageRef) +
                "\">not found</location>\n");
    return;
  }
  sendXml(response, 200,
          std::string(kXmlHead) + "<location found=\"true\" ref=\"dgs:" + std::string(pageRef) +
              "\" ids=\"" + *apid + ",dgs:" + ref->first + "." + std::string(pageRef) + "\"/>\n");
}

void ArchiveRoutes::answerSize(const std::optional<ImageRef>& image, httplib::Response& response) {
  if (!image) {
    sendXml(response, 404, notFoundXml());
    return;
  }
  const std::size_t size = pageJpeg(*image).size();
  // The first size is the master scan's, the second the delivered image's.
  sendXml(response, 200,
          std::string(kXmlHead) + "<image upToDate=\"true\" master size=\"" +
              std::to_string(size * 3) + "\">\n<dist size=\"" + std::to_string(size) +
              "\"/>\n</image>\n");
}

void ArchiveRoutes::answerParents(std::string_view apid, httplib::Response& response) {
  const auto image = catalogue_.lookUp(apid);
  if (!image) {
    sendXml(response, 404, notFoundXml());
    return;
  }
  sendXml(response, 200,
          std::string(kXmlHead) + "<parents>\n<parent parentApid=\"" + image->filmApid +
              "\" childName=\"" + image->id + "_" + pageDigits(image->page) + "\"/>\n</parents>\n");
}

void ArchiveRoutes::answerImage(std::string_view apid, httplib::Response& response) {
  const auto image = catalogue_.lookUp(apid);
  if (!image) {
    sendXml(response, 404, notFoundXml());
    return;
  }
  response.set_content(pageJpeg(*image), "image/jpeg");
}

const std::string& ArchiveRoutes::pageJpeg(const ImageRef& image) {
  const std::string key = image.id + "_" + pageDigits(image.page);
  const std::lock_guard lock(mutex_);
  auto it = pages_.find(key);
  if (it == pages_.end()) {
    it = pages_
             .emplace(key, makePageJpeg(image.id, image.page, config_.pageWidth, config_.pageHeight,
                                        config_.pageBytes))
             .first;
  }
  return it->second;  // entries are never erased, so the reference stays valid
}

}  // namespace archive_server
