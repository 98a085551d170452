#include "archive/event_codes.h"
#include "archive/page_address.h"
#include "platform/cp1252.h"

namespace korvalis {

std::string LookUpLocation(TransferEngine& engine, std::string_view servicePrefix,
                           std::string_view pageRef, std::string* lastAnswer) {
  UrlRequest request;
  request.url = locationUrl(servicePrefix, pageRef);
  request.flags = kQueryRequestFlags;
  request.notifyCode = kLocationLookupCode;
  request.chunkSize = 16384;
  request.connectTimeoutMs = 15000;
  const auto data = engine.GetUrlSync(request);
  if (!data) {
    return std::string(kUnknownApid);
  }
  const std::string answer(data->begin(), data->end());
  if (lastAnswer != nullptr) {
    *lastAnswer = answer;
  }
  return extractApid(answer);
}

std::int64_t QueryImageSize(TransferEngine& engine, std::string_view servicePrefix,
                            std::string_view name, int byApid, std::string* lastAnswer) {
  if (byApid != 0 && byApid != 1) {
    return -1;
  }
  UrlRequest request;
  request.url =
      byApid == 1 ? sizeByApidUrl(servicePrefix, name) : sizeByNameUrl(servicePrefix, name);
  request.flags = kQueryRequestFlags;
  request.notifyCode = kSizeQueryCode;
  request.chunkSize = 4096;
  request.connectTimeoutMs = 10000;
  const auto data = engine.GetUrlSync(request);
  if (!data) {
    return -1;
  }
  const std::string_view answer(reinterpret_cast<const char*>(data->data()), data->size());
  if (lastAnswer != nullptr) {
    *lastAnswer = cp1252LowerText(answer);
  }
  return parseImageSize(answer);
}

}  // namespace korvalis
