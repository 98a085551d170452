#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace archive_server {

/// One film: nine-digit ID, page range and the APID of its first image.
struct Film {
  std::string id;
  int firstPage = 1;
  int lastPage = 1;
  std::string firstImageApid;  ///< e.g. TH-1961-20817-3456-71-00001
};

/// Where an image APID points.
struct ImageRef {
  std::string id;  ///< nine digits
  int page = 0;
  std::string filmApid;  ///< the image APID without its page part
};

/// The films the server knows, addressed by ID and page or by image APID.
class Catalogue {
 public:
  /// Reads "id TAB first TAB last TAB first-image APID" lines; "#" lines are comments.
  /// Returns nothing (with a reason in `error`) for an unreadable file or a malformed line.
  static std::optional<Catalogue> load(const std::string& path, std::string& error);
  /// `count` films generated from `seed` (IDs from 004010000 upward, 20 to 400 pages).
  static Catalogue generate(std::uint32_t seed, int count);

  void add(Film film);
  /// The APID of page `page` of film `id`, or nothing.
  std::optional<std::string> imageApid(std::string_view id, int page) const;
  /// The film and page of an image APID, or nothing.
  std::optional<ImageRef> lookUp(std::string_view apid) const;
  std::size_t size() const { return films_.size(); }

 private:
  std::map<std::string, Film, std::less<>> films_;          // by ID
  std::map<std::string, std::string, std::less<>> byStem_;  // film APID stem -> ID
};

/// Page `page` as five digits.
std::string pageDigits(int page);

}  // namespace archive_server
