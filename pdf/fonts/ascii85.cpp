#include "pdf/fonts/ascii85.h"

#include <array>

namespace korvalis {
namespace {

/// Appends characters while counting the line length.
class LineWriter {
 public:
  LineWriter(std::string& out, int lineLength) : out_(out), lineLength_(lineLength) {}

  void put(char c) {
    out_.push_back(c);
    if (lineLength_ > 0 && ++column_ == lineLength_) {
      out_.push_back('\n');
      column_ = 0;
    }
  }

  void finish() {
    if (lineLength_ > 0 && lineLength_ - column_ < 2) {
      out_.push_back('\n');
    }
    out_ += "~>";
  }

 private:
  std::string& out_;
  int lineLength_;
  int column_ = 0;
};

void putGroup(LineWriter& writer, std::uint32_t value, std::size_t characters) {
  std::array<char, 5> digits{};
  for (int i = 4; i >= 0; --i) {
    digits[static_cast<std::size_t>(i)] = static_cast<char>('!' + value % 85);
    value /= 85;
  }
  for (std::size_t i = 0; i < characters; ++i) {
    writer.put(digits[i]);
  }
}

}  // namespace

std::string ascii85Encode(std::span<const std::uint8_t> data, int lineLength) {
  std::string out;
  out.reserve(data.size() / 4 * 5 + data.size() / 64 + 8);
  LineWriter writer(out, lineLength);
  std::size_t pos = 0;
  for (; pos + 4 <= data.size(); pos += 4) {
    const std::uint32_t value = (std::uint32_t{data[pos]} << 24) |
                                (std::uint32_t{data[pos + 1]} << 16) |
                                (std::uint32_t{data[pos + 2]} << 8) | data[pos + 3];
    if (value == 0) {
      writer.put('z');
    } else {
      putGroup(writer, value, 5);
    }
  }
  const std::size_t rest = data.size() - pos;
  if (rest > 0) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
      value = (value << 8) | (i < rest ? data[pos + i] : 0U);
    }
    putGroup(writer, value, rest + 1);
  }
  writer.finish();
  return out;
}

}  // namespace korvalis
