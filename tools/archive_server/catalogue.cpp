#include "tools/archive_server/catalogue.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

namespace archive_server {

namespace {
std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> parts;
  std::stringstream stream(line);
  std::string part;
  while (std::getline(stream, part, '\t')) {
    parts.push_back(part);
  }
  return parts;
}

std::optional<int> number(std::string_view text) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

/// The APID without its last "-" part.
std::string stemOf(std::string_view apid) {
  const std::size_t dash = apid.rfind('-');
  return std::string(dash == std::string_view::npos ? apid : apid.substr(0, dash));
}
}  // namespace

std::string pageDigits(int page) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%05d", page);
  return buffer;
}

std::optional<Catalogue> Catalogue::load(const std::string& path, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot read " + path;
    return std::nullopt;
  }
  Catalogue catalogue;
  std::string line;
  int lineNumber = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    if (line.empty() || line[0] == '#') {
      continue;
    }
    const auto parts = splitTabs(line);
    const auto first = parts.size() == 4 ? number(parts[1]) : std::nullopt;
    const auto last = parts.size() == 4 ? number(parts[2]) : std::nullopt;
    if (!first || !last || parts[0].size() != 9 || parts[3].rfind("TH-", 0) != 0) {
      error = path + ":" + std::to_string(lineNumber) + ": malformed line";
      return std::nullopt;
    }
    catalogue.add(Film{parts[0], *first, *last, parts[3]});
  }
  return catalogue;
}

Catalogue Catalogue::generate(std::uint32_t seed, int count) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> pages(20, 400);
  std::uniform_int_distribution<int> part(1000, 99999);
  Catalogue catalogue;
  for (int i = 0; i < count; ++i) {
    char id[16];
    std::snprintf(id, sizeof id, "%09d", 4010000 + i * 37);
    const std::string apid = "TH-19" + std::to_string(40 + i % 40) + "-" +
                             std::to_string(part(random)) + "-" + std::to_string(part(random)) +
                             "-" + std::to_string(10 + i % 90) + "-00001";
    catalogue.add(Film{id, 1, pages(random), apid});
  }
  return catalogue;
}

void Catalogue::add(Film film) {
  byStem_[stemOf(film.firstImageApid)] = film.id;
  films_[film.id] = std::move(film);
}

std::optional<std::string> Catalogue::imageApid(std::string_view id, int page) const {
  const auto it = films_.find(id);
  if (it == films_.end() || page < it->second.firstPage || page > it->second.lastPage) {
    return std::nullopt;
  }
  return stemOf(it->second.firstImageApid) + "-" + pageDigits(page);
}

std::optional<ImageRef> Catalogue::lookUp(std::string_view asked) const {
  // The archive knows APIDs whatever the case of their letters.
  std::string upper(asked);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  const std::string_view apid(upper);
  const std::size_t dash = apid.rfind('-');
  if (dash == std::string_view::npos) {
    return std::nullopt;
  }
  const auto stem = byStem_.find(apid.substr(0, dash));
  const auto page = number(apid.substr(dash + 1));
  if (stem == byStem_.end() || !page || apid.size() - dash - 1 != 5) {
    return std::nullopt;
  }
  if (!imageApid(stem->second, *page)) {
    return std::nullopt;
  }
  return ImageRef{stem->second, *page, std::string(apid.substr(0, dash))};
}

}  // namespace archive_server
