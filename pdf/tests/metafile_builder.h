// Builds placeable metafiles byte by byte for the tests.
#pragma once

#include <cstdint>
#include <vector>

namespace korvalis {

/// Builds a placeable metafile record by record.
class MetafileBuilder {
 public:
  /// The placeable header with the bounding box (0, 0, 1000, 500) and the standard header.
  MetafileBuilder() {
    u32(0x9AC6CDD7U);
    u16(0);
    for (int v : {0, 0, 1000, 500})
      u16(static_cast<std::uint16_t>(v));  // header box
    u16(1440);
    u32(0);
    u16(0);  // checksum (not checked)
    u16(1);  // memory metafile
    u16(9);  // header words
    u16(0x0300);
    u32(0);
    u16(4);  // objects
    u32(0);
    u16(0);
  }
  /// Appends a record: size in words, function, 16-bit parameters.
  MetafileBuilder& record(std::uint16_t function, std::vector<int> params) {
    u32(static_cast<std::uint32_t>(3 + params.size()));
    u16(function);
    for (int p : params)
      u16(static_cast<std::uint16_t>(p));
    return *this;
  }
  /// Appends the end-of-file record and returns the bytes.
  std::vector<std::uint8_t> finish() {
    record(0, {});
    return data_;
  }
  std::vector<std::uint8_t>& data() { return data_; }

 private:
  void u16(std::uint16_t v) {
    data_.push_back(static_cast<std::uint8_t>(v & 0xFF));
    data_.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void u32(std::uint32_t v) {
    u16(static_cast<std::uint16_t>(v & 0xFFFF));
    u16(static_cast<std::uint16_t>(v >> 16));
  }
  std::vector<std::uint8_t> data_;
};

}  // namespace korvalis
