#include "app/site_reachability.h"

#include <curl/curl.h>

#include <memory>

namespace korvalis {

namespace {
struct EasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
}  // namespace

bool checkSiteReachable(const CurlGlobal& /*curl*/, const std::string& url,
                        const std::string& caFile, long timeoutMs) {
  if (url.empty()) {
    return false;
  }
  const std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
  if (!easy) {
    return false;
  }
  CURL* handle = easy.get();
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_CONNECT_ONLY, 1L);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);  // worker thread: no SIGALRM
  curl_easy_setopt(handle, CURLOPT_FRESH_CONNECT, 1L);
  curl_easy_setopt(handle, CURLOPT_FORBID_REUSE, 1L);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, timeoutMs);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!caFile.empty()) {
    curl_easy_setopt(handle, CURLOPT_CAINFO, caFile.c_str());
  }
  return curl_easy_perform(handle) == CURLE_OK;
}

}  // namespace korvalis
