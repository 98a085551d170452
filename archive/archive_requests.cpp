#include "archive/event_codes.h"
#include "archive/page_address.h"
#include "platform/cp1252.h"

namespace korvalis {

UrlRequest locationRequest(std::string_view servicePrefix, std::string_view pageRef) {
  UrlRequest request;
  request.url = locationUrl(servicePrefix, pageRef);
  request.flags = kQueryRequestFlags;
  request.notifyCode = kLocationLookupCode;
  request.chunkSize = 16384;
  request.connectTimeoutMs = 15000;
  return request;
}

UrlRequest sizeRequest(std::string_view servicePrefix, std::string_view name, bool byApid) {
  UrlRequest request;
  request.url = byApid ? sizeByApidUrl(servicePrefix, name) : sizeByNameUrl(servicePrefix, name);
  request.flags = kQueryRequestFlags;
  request.notifyCode = kSizeQueryCode;
  request.chunkSize = 4096;
  request.connectTimeoutMs = 10000;
  return request;
}

std::string readLocationAnswer(std::optional<std::span<const unsigned char>> answer,
                               std::string* lastAnswer) {
  if (!answer) {
    return std::string(kUnknownApid);
  }
  const std::string text(answer->begin(), answer->end());
  if (lastAnswer != nullptr) {
    *lastAnswer = text;
  }
  return extractApid(text);
}

std::int64_t readSizeAnswer(std::optional<std::span<const unsigned char>> answer,
                            std::string* lastAnswer) {
  if (!answer) {
    return -1;
  }
  const std::string_view text(reinterpret_cast<const char*>(answer->data()), answer->size());
  if (lastAnswer != nullptr) {
    *lastAnswer = cp1252LowerText(text);
  }
  return parseImageSize(text);
}

std::string LookUpLocation(TransferEngine& engine, std::string_view servicePrefix,
                           std::string_view pageRef, std::string* lastAnswer) {
  const auto data = engine.GetUrlSync(locationRequest(servicePrefix, pageRef));
  return readLocationAnswer(
      data ? std::optional<std::span<const unsigned char>>(*data) : std::nullopt, lastAnswer);
}

std::int64_t QueryImageSize(TransferEngine& engine, std::string_view servicePrefix,
                            std::string_view name, int byApid, std::string* lastAnswer) {
  if (byApid != 0 && byApid != 1) {
    return -1;
  }
  const auto data = engine.GetUrlSync(sizeRequest(servicePrefix, name, byApid == 1));
  return readSizeAnswer(data ? std::optional<std::span<const unsigned char>>(*data) : std::nullopt,
                        lastAnswer);
}

}  // namespace korvalis
