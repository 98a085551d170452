#pragma once

#include <httplib.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "tools/archive_server/catalogue.h"
#include "tools/archive_server/server_config.h"

namespace archive_server {

/// Answers the image service's paths under "/das/v2/" and the web site's root from a
/// catalogue, with the configured faults, and logs every request.
class ArchiveRoutes {
 public:
  ArchiveRoutes(ServerConfig config, Catalogue catalogue);
  /// Installs the handlers on `server`.
  void install(httplib::Server& server);

 private:
  void handle(const httplib::Request& request, httplib::Response& response);
  /// `limited`: the request was answered 429 by the rate limit (the line says so at its end).
  void log(const httplib::Request& request, bool limited);
  /// Whether the rate limit turns this request away (counts the ones it lets through).
  bool overRateLimit();
  /// Answers in place of the right answer when a replacing fault matches `path`.
  bool applyFault(const std::string& path, httplib::Response& response);
  /// Sends the right answer slowly, stalled or chunked when such a fault matches `path`.
  void deliverSlowly(const std::string& path, httplib::Response& response);
  void answerService(std::string_view rest, httplib::Response& response);
  void answerLocation(std::string_view pageRef, httplib::Response& response);
  void answerSize(const std::optional<ImageRef>& image, httplib::Response& response);
  void answerParents(std::string_view apid, httplib::Response& response);
  void answerImage(std::string_view apid, httplib::Response& response);
  const std::string& pageJpeg(const ImageRef& image);

  ServerConfig config_;
  Catalogue catalogue_;
  std::mutex mutex_;  // guards the log and the page cache (handlers run on a thread pool)
  std::ofstream log_;
  std::map<std::string, std::string> pages_;
  std::set<std::string> droppedOnce_;  // paths whose first request was dropped
  std::int64_t rateSecond_ = -1;       // the second the rate limit counts in
  int rateServed_ = 0;                 // requests let through in that second
};

/// The XML answer for an unknown item.
std::string notFoundXml();

}  // namespace archive_server
