#include "archive/curl_global.h"

#include <curl/curl.h>

namespace korvalis {

/// One counted set-up of the library; its end releases it (libcurl is built thread-safe, so
/// the last hold may go on a worker thread).
struct CurlGlobal::State {
  State() : ok(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}
  ~State() {
    if (ok) {
      curl_global_cleanup();
    }
  }
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  const bool ok;
};

CurlGlobal::CurlGlobal() : state_(std::make_shared<const State>()) {}

bool CurlGlobal::ok() const {
  return state_->ok;
}

}  // namespace korvalis
