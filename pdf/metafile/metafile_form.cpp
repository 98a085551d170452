#include "pdf/metafile/metafile_form.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "pdf/pdf_document.h"

#include "pdf/detail/output.h"

namespace korvalis {
namespace {

constexpr std::size_t placeableHeaderSize = 22;

/// Bounds-checked little-endian reads.
class LittleEndian {
 public:
  explicit LittleEndian(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::size_t size() const { return bytes_.size(); }
  bool has(std::size_t offset, std::size_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }
  std::uint16_t u16(std::size_t offset) const {
    return has(offset, 2) ? static_cast<std::uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8))
                          : 0;
  }
  std::int16_t s16(std::size_t offset) const { return static_cast<std::int16_t>(u16(offset)); }
  std::uint32_t u32(std::size_t offset) const {
    return has(offset, 4) ? std::uint32_t{u16(offset)} | (std::uint32_t{u16(offset + 2)} << 16) : 0;
  }
  std::uint8_t u8(std::size_t offset) const { return has(offset, 1) ? bytes_[offset] : 0; }

 private:
  std::span<const std::uint8_t> bytes_;
};

struct Colour {
  std::uint8_t r = 0, g = 0, b = 0;
  std::string text(std::string_view op) const {
    return formatNumber(r / 255.0, 3).value_or("0") + " " +
           formatNumber(g / 255.0, 3).value_or("0") + " " +
           formatNumber(b / 255.0, 3).value_or("0") + " " + std::string(op);
  }
};

enum class ObjectKind : std::uint8_t { Pen, Brush, Other };

struct GdiObject {
  ObjectKind kind = ObjectKind::Other;
  std::uint16_t style = 0;
  int width = 0;
  Colour colour;
};

constexpr std::uint16_t penNull = 5;

/// The dash array of a pen style (dash, dot, dash-dot, dash-dot-dot; solid otherwise), with
/// the lengths multiplied by `scale`.
std::string dashPattern(int style, double scale) {
  std::vector<int> lengths;
  switch (style) {
    case 1:
      lengths = {60, 20};
      break;
    case 2:
      lengths = {10, 10};
      break;
    case 3:
      lengths = {40, 20, 10, 20};
      break;
    case 4:
      lengths = {40, 20, 10, 20, 10, 20};
      break;
    default:
      break;
  }
  std::string text = "[";
  for (std::size_t i = 0; i < lengths.size(); ++i) {
    text += i == 0 ? "" : " ";
    text += formatNumber(lengths[i] * scale, 3).value_or("0");
  }
  return text + "]";
}
constexpr std::uint16_t brushNull = 1;

/// Translates the records one by one into form content.
class Converter {
 public:
  explicit Converter(double scale) : scale_(scale) {}

  bool record(std::uint16_t function, const LittleEndian& params);
  MetafileForm& form() { return form_; }
  bool hasWindowExtent() const { return extentSet_; }

 private:
  void line(const std::string& text) { form_.content += text + '\n'; }
  static std::string point(int x, int y) { return std::to_string(x) + " " + std::to_string(y); }
  std::string paintOperator(bool closedShape) const;
  void createObject(const GdiObject& object);
  void selectObject(std::size_t index);
  bool polygon(const LittleEndian& params, bool closed);
  bool polyPolygon(const LittleEndian& params);
  void rectangle(const LittleEndian& params);
  void arc(const LittleEndian& params);

  double scale_;
  MetafileForm form_;
  bool extentSet_ = false;
  std::vector<std::optional<GdiObject>> objects_;
  std::optional<GdiObject> pen_;
  std::optional<GdiObject> brush_;
  bool evenOdd_ = false;
  int currentX_ = 0;
  int currentY_ = 0;
};

std::string Converter::paintOperator(bool closedShape) const {
  const bool pen = pen_ && (pen_->style & 0x0F) != penNull;
  const bool brush = closedShape && brush_ && brush_->style != brushNull;
  if (pen && brush) {
    return evenOdd_ ? "b*" : "b";
  }
  if (brush) {
    return evenOdd_ ? "f*" : "f";
  }
  if (pen) {
    return closedShape ? "s" : "S";
  }
  return "n";
}

void Converter::createObject(const GdiObject& object) {
  for (auto& slot : objects_) {
    if (!slot) {
      slot = object;
      return;
    }
  }
  objects_.emplace_back(object);
}

void Converter::selectObject(std::size_t index) {
  if (index >= objects_.size() || !objects_[index]) {
    return;
  }
  const GdiObject& object = *objects_[index];
  if (object.kind == ObjectKind::Brush) {
    brush_ = object;
    line(object.colour.text("rg"));
  } else if (object.kind == ObjectKind::Pen) {
    pen_ = object;
    line(dashPattern(object.style & 0x0F, scale_) + " 0 d");
    line(object.colour.text("RG"));
    line(formatNumber(object.width * scale_, 2).value_or("0") + " w");
  }
}

bool Converter::polygon(const LittleEndian& params, bool closed) {
  const int count = params.s16(0);
  if (count < 0 || !params.has(2, static_cast<std::size_t>(count) * 4)) {
    return false;
  }
  if (count == 0) {
    return true;
  }
  std::string path;
  for (int i = 0; i < count; ++i) {
    const std::size_t at = 2 + static_cast<std::size_t>(i) * 4;
    path += point(params.s16(at), params.s16(at + 2)) + (i == 0 ? " m\n" : " l\n");
  }
  form_.content += path;
  line(paintOperator(closed));
  return true;
}

bool Converter::polyPolygon(const LittleEndian& params) {
  const std::size_t polygons = params.u16(0);
  if (!params.has(2, polygons * 2)) {
    return false;
  }
  std::size_t at = 2 + polygons * 2;
  for (std::size_t p = 0; p < polygons; ++p) {
    const std::size_t count = params.u16(2 + p * 2);
    if (!params.has(at, count * 4)) {
      return false;
    }
    for (std::size_t i = 0; i < count; ++i, at += 4) {
      line(point(params.s16(at), params.s16(at + 2)) + (i == 0 ? " m" : " l"));
    }
  }
  line(paintOperator(true));
  return true;
}

void Converter::rectangle(const LittleEndian& params) {
  const int bottom = params.s16(0);
  const int right = params.s16(2);
  const int top = params.s16(4);
  const int left = params.s16(6);
  line(point(left, top) + " " + std::to_string(right - left) + " " + std::to_string(bottom - top) +
       " re");
  line(paintOperator(true));
}

void Converter::arc(const LittleEndian& params) {
  const double endY = params.s16(0), endX = params.s16(2);
  const double startY = params.s16(4), startX = params.s16(6);
  const double bottom = params.s16(8), right = params.s16(10);
  const double top = params.s16(12), left = params.s16(14);
  const double cx = (left + right) / 2, cy = (top + bottom) / 2;
  const double rx = (right - left) / 2, ry = (bottom - top) / 2;
  if (rx == 0 || ry == 0) {
    return;
  }
  // Angles measured counter-clockwise as seen on the page (logical y grows downwards).
  const double from = std::atan2(-(startY - cy) / ry, (startX - cx) / rx);
  double sweep = std::atan2(-(endY - cy) / ry, (endX - cx) / rx) - from;
  if (sweep <= 0) {
    sweep += 2 * std::numbers::pi;
  }
  const int segments = static_cast<int>(std::ceil(sweep / (std::numbers::pi / 2) - 1e-9));
  const double step = sweep / segments;
  const double k = 4.0 / 3.0 * std::tan(step / 4);
  auto at = [&](double ux, double uy) {
    return formatNumber(cx + rx * ux, 2).value_or("0") + " " +
           formatNumber(cy - ry * uy, 2).value_or("0");
  };
  line(at(std::cos(from), std::sin(from)) + " m");
  for (int i = 0; i < segments; ++i) {
    const double a1 = from + i * step, a2 = a1 + step;
    const double c1 = std::cos(a1), s1 = std::sin(a1), c2 = std::cos(a2), s2 = std::sin(a2);
    line(at(c1 - k * s1, s1 + k * c1) + " " + at(c2 + k * s2, s2 - k * c2) + " " + at(c2, s2) +
         " c");
  }
  line(paintOperator(false));
}

bool Converter::record(std::uint16_t function, const LittleEndian& params) {
  switch (function) {
    case 0x020B:  // SetWindowOrg: y, x
      form_.boxY = params.s16(0);
      form_.boxX = params.s16(2);
      return true;
    case 0x020C:  // SetWindowExt: y, x
      form_.height = params.s16(0);
      form_.width = params.s16(2);
      extentSet_ = true;
      return true;
    case 0x02FA: {  // CreatePenIndirect: style, width (x, y), colour
      GdiObject pen{ObjectKind::Pen,
                    params.u16(0),
                    params.s16(2),
                    {params.u8(6), params.u8(7), params.u8(8)}};
      createObject(pen);
      return true;
    }
    case 0x02FC: {  // CreateBrushIndirect: style, colour, hatch
      GdiObject brush{
          ObjectKind::Brush, params.u16(0), 0, {params.u8(2), params.u8(3), params.u8(4)}};
      createObject(brush);
      return true;
    }
    case 0x00F7:
    case 0x00F8:
    case 0x01F9:
    case 0x0142:
    case 0x02FB:
    case 0x02FD:
    case 0x06FE:
    case 0x06FF:
      createObject(GdiObject{});
      return true;
    case 0x01F0:  // DeleteObject
      if (params.u16(0) < objects_.size()) {
        objects_[params.u16(0)].reset();
      }
      return true;
    case 0x012D:  // SelectObject
      selectObject(params.u16(0));
      return true;
    case 0x0106:  // SetPolyFillMode: 1 alternate (even-odd), 2 winding
      evenOdd_ = params.u16(0) == 1;
      return true;
    case 0x0214:  // MoveTo: y, x
      currentY_ = params.s16(0);
      currentX_ = params.s16(2);
      return true;
    case 0x0213: {  // LineTo: y, x; the line is drawn with the pen from the current point
      const int y = params.s16(0), x = params.s16(2);
      line(point(currentX_, currentY_) + " m");
      line(point(x, y) + " l");
      line(paintOperator(false));
      currentX_ = x;
      currentY_ = y;
      return true;
    }
    case 0x0324:  // Polygon
      return polygon(params, true);
    case 0x0325:  // Polyline: never filled, never closed
      return polygon(params, false);
    case 0x0538:
      return polyPolygon(params);
    case 0x041B:
      rectangle(params);
      return true;
    case 0x0817:
      arc(params);
      return true;
    default:  // state, clipping, text and escape records draw nothing here
      return true;
  }
}

}  // namespace

std::optional<MetafileForm> MetafileForm::convert(std::span<const std::uint8_t> data,
                                                  double scale) {
  const LittleEndian file(data);
  if (file.u32(0) != 0x9AC6CDD7U || !file.has(placeableHeaderSize, 18)) {
    return std::nullopt;
  }
  const std::size_t headerWords = file.u16(placeableHeaderSize + 2);
  if (headerWords < 9) {
    return std::nullopt;  // the standard header alone is nine words
  }
  std::size_t pos = placeableHeaderSize + headerWords * 2;
  Converter converter(scale);
  while (pos < data.size()) {
    if (!file.has(pos, 6)) {
      return std::nullopt;
    }
    const std::size_t words = file.u32(pos);
    const std::uint16_t function = file.u16(pos + 4);
    if (function == 0) {
      break;  // end-of-file record
    }
    if (words < 3 || words > (data.size() - pos) / 2) {
      return std::nullopt;
    }
    const LittleEndian params(data.subspan(pos + 6, words * 2 - 6));
    if (!converter.record(function, params)) {
      return std::nullopt;
    }
    pos += words * 2;
  }
  MetafileForm& form = converter.form();
  if (!converter.hasWindowExtent()) {
    // No window records: the placeable header's bounding box gives the drawing's frame.
    form.boxX = file.s16(6);
    form.boxY = file.s16(8);
    form.width = file.s16(10) - form.boxX;
    form.height = file.s16(12) - form.boxY;
  }
  if (form.width == 0 || form.height == 0) {
    return std::nullopt;
  }
  return std::move(form);
}

}  // namespace korvalis
