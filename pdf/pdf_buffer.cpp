#include "pdf/pdf_buffer.h"

#include <limits>
#include <new>

namespace korvalis {

bool PdfBuffer::ensureCapacity(std::int64_t size) {
  if (size < 0)
    return false;
  const std::int64_t wanted = (size / kGrowthStep + 1) * kGrowthStep;
  if (wanted > std::numeric_limits<std::int32_t>::max())
    return false;
  try {
    data.resize(static_cast<std::size_t>(wanted));
  } catch (const std::bad_alloc&) {
    return false;
  }
  capacity = static_cast<std::int32_t>(wanted);
  return true;
}

bool PdfBuffer::append(std::span<const std::uint8_t> bytes) {
  const std::int64_t needed =
      static_cast<std::int64_t>(length) + static_cast<std::int64_t>(bytes.size());
  if (needed > capacity && !ensureCapacity(needed))
    return false;
  std::copy(bytes.begin(), bytes.end(), data.begin() + length);
  length = static_cast<std::int32_t>(needed);
  return true;
}

bool PdfBuffer::append(std::string_view text) {
  return append(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void PdfBuffer::release() {
  data = {};
  capacity = 0;
  length = 0;
}

std::span<const std::uint8_t> PdfBuffer::bytes() const {
  return std::span(data.data(), static_cast<std::size_t>(length));
}

std::string_view PdfBuffer::text() const {
  return {reinterpret_cast<const char*>(data.data()), static_cast<std::size_t>(length)};
}

}  // namespace korvalis
