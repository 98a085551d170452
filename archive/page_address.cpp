#include "archive/page_address.h"

namespace korvalis {

namespace {
constexpr std::size_t kIdWidth = 9;
constexpr std::size_t kPageWidth = 5;

std::string_view stripLeadingZeros(std::string_view text) {
  const std::size_t first = text.find_first_not_of('0');
  return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

bool isUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~' || c == ':';
}

/// An identifier made safe as one path segment: typed text must not add path parts, a query
/// or a fragment to the request, so every other byte is percent-encoded.
std::string escapeSegment(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (isUnreserved(c)) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string serviceUrl(std::string_view prefix, std::string_view head, std::string_view name,
                       std::string_view tail) {
  std::string url(prefix);
  url += head;
  url += escapeSegment(name);
  url += tail;
  return url;
}
}  // namespace

std::string padNumberText(std::string_view text, std::size_t width) {
  if (text.size() >= width) {
    return std::string(text.substr(0, width));
  }
  return std::string(width - text.size(), '0') + std::string(text);
}

std::string idText(std::string_view id) {
  return padNumberText(id, kIdWidth);
}

std::string pageText(std::string_view page) {
  return padNumberText(page, kPageWidth);
}

std::string strippedIdText(std::string_view id) {
  return idText(stripLeadingZeros(id));
}

std::string strippedPageText(std::string_view page) {
  return pageText(stripLeadingZeros(page));
}

std::string makePageRef(std::string_view id, std::string_view page) {
  return idText(id) + "_" + pageText(page);
}

std::string longImageName(std::string_view pageRef) {
  const std::string_view film = pageRef.substr(0, pageRef.find('_'));
  return std::string(film) + "." + std::string(pageRef);
}

std::string locationUrl(std::string_view servicePrefix, std::string_view pageRef) {
  return serviceUrl(servicePrefix, "dgs:", pageRef, "/location/db");
}

std::string sizeByApidUrl(std::string_view servicePrefix, std::string_view apid) {
  return serviceUrl(servicePrefix, "", apid, "/size");
}

std::string sizeByNameUrl(std::string_view servicePrefix, std::string_view longName) {
  return serviceUrl(servicePrefix, "dgs:", longName, "/size");
}

std::string pageImageUrl(std::string_view servicePrefix, std::string_view apid) {
  return serviceUrl(servicePrefix, "", apid, "/dist.jpg");
}

std::string parentsUrl(std::string_view servicePrefix, std::string_view apid) {
  return serviceUrl(servicePrefix, "apid:", apid, "/parents#location");
}

std::string downloadLinkUrl(std::string_view servicePrefix, std::string_view pageRef) {
  return serviceUrl(servicePrefix, "dgs:", pageRef, "/$dist");
}

}  // namespace korvalis
