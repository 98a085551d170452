#include "archive/curl_global.h"

#include <curl/curl.h>

namespace korvalis {

CurlGlobal::CurlGlobal() : ok_(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}

CurlGlobal::~CurlGlobal() {
  if (ok_) {
    curl_global_cleanup();
  }
}

}  // namespace korvalis
