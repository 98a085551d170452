// krv commands of the page viewer: image (point operations and rotation) and convert.
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>

#include "tools/krv/command.h"
#include "viewer/image_codec.h"
#include "viewer/point_ops.h"
#include "viewer/rotate.h"

namespace korvalis::krv {
namespace {

constexpr std::string_view kImageUsage =
    "OP [VALUE] IN OUT  (OP: invert, mono T, equalise, brightness N, contrast K, gamma G, "
    "rotate +-90/180; writes OUT as 24-bit PNG)";
constexpr std::string_view kConvertUsage =
    "IN OUT [--depth 1/4/8/24] [--quality 0-10]  (BMP, JPEG or PNG by OUT's extension; "
    "defaults: depth 24, quality 3; depths below 24 get a palette made for the page)";

int usage(std::string_view command, std::string_view text) {
  std::fprintf(stderr, "usage: krv %.*s %.*s\n", static_cast<int>(command.size()), command.data(),
               static_cast<int>(text.size()), text.data());
  return kUsage;
}

int refuse(const std::string& message) {
  std::fprintf(stderr, "krv: %s\n", message.c_str());
  return kRefused;
}

std::optional<int> parseInt(const std::string& text) {
  int value = 0;
  const char* begin = text.data();
  if (!text.empty() && text[0] == '+') {
    ++begin;
  }
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || ptr != end || begin == end) {
    return std::nullopt;
  }
  return value;
}

std::optional<double> parseNumber(const std::string& text) {
  double value = 0;
  const char* begin = text.data();
  if (!text.empty() && text[0] == '+') {
    ++begin;
  }
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || ptr != end || begin == end) {
    return std::nullopt;
  }
  return value;
}

struct OpEntry {
  std::string_view name;
  PointOp op;
  bool hasValue;
};

constexpr OpEntry kOps[] = {
    {"invert", PointOp::Invert, false},     {"mono", PointOp::Monochrome, true},
    {"equalise", PointOp::Equalise, false}, {"brightness", PointOp::Brightness, true},
    {"contrast", PointOp::Contrast, true},  {"gamma", PointOp::Gamma, true},
    {"rotate", PointOp::None, true},
};

/// Range check with the reason the operation would refuse the value.
std::optional<std::string> valueProblem(PointOp op, double value) {
  switch (op) {
    case PointOp::Monochrome:
      return value >= 0 && value <= 255 ? std::nullopt
                                        : std::optional<std::string>("mono: T must be 0..255");
    case PointOp::Brightness:
      return value >= -255 && value <= 255
                 ? std::nullopt
                 : std::optional<std::string>("brightness: N must be -255..255");
    case PointOp::Contrast:
      return value >= -255 && value <= 255
                 ? std::nullopt
                 : std::optional<std::string>("contrast: K must be -255..255");
    case PointOp::Gamma:
      return value > 0 && value < 8
                 ? std::nullopt
                 : std::optional<std::string>("gamma: G must be above 0 and below 8");
    default:
      return std::nullopt;
  }
}

int runImage(std::span<const std::string> args) {
  if (args.empty()) {
    return usage("image", kImageUsage);
  }
  const OpEntry* entry = nullptr;
  for (const OpEntry& s : kOps) {
    if (s.name == args[0]) {
      entry = &s;
    }
  }
  if (entry == nullptr || args.size() != (entry->hasValue ? 4U : 3U)) {
    return usage("image", kImageUsage);
  }
  const std::string& in = args[args.size() - 2];
  const std::string& out = args[args.size() - 1];
  std::optional<double> value;
  if (entry->hasValue) {
    value = entry->op == PointOp::Monochrome || entry->op == PointOp::Brightness ||
                    entry->op == PointOp::None
                ? std::optional<double>(parseInt(args[1]))
                : parseNumber(args[1]);
    if (!value) {
      return refuse(std::string(entry->name) + ": '" + args[1] + "' is not a valid number");
    }
    if (const auto problem = valueProblem(entry->op, *value)) {
      return refuse(*problem);
    }
  }
  DecodeResult decoded = decodeImageFile(in);
  if (!decoded.ok()) {
    return refuse(in + ": " + decoded.error);
  }
  Image image = std::move(decoded.image);
  if (entry->op == PointOp::None) {
    const int angle = static_cast<int>(*value);
    if (angle != 90 && angle != -90 && angle != 180 && angle != -180) {
      return refuse("rotate: the angle must be 90, -90 or 180");
    }
    image = rotateImage(image, angle);
  } else if (!applyPointOp(image, entry->op, value.value_or(0.0))) {
    return refuse(std::string(entry->name) + ": the operation could not be applied");
  }
  std::string error;
  if (!saveImageFile(image, out, SaveType::Png, EncoderSettings{24, 0}, &error)) {
    return refuse(error);
  }
  return kOk;
}

int runConvert(std::span<const std::string> args) {
  if (args.size() < 2) {
    return usage("convert", kConvertUsage);
  }
  EncoderSettings settings{24, 3};
  for (std::size_t i = 2; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) {
      return usage("convert", kConvertUsage);
    }
    const std::optional<int> number = parseInt(args[i + 1]);
    if (args[i] == "--depth") {
      if (!number || (*number != 1 && *number != 4 && *number != 8 && *number != 24)) {
        return refuse("--depth must be 1, 4, 8 or 24");
      }
      settings.depth = *number;
    } else if (args[i] == "--quality") {
      if (!number || *number < 0 || *number > 10) {
        return refuse("--quality must be 0..10");
      }
      settings.quality = *number;
    } else {
      return usage("convert", kConvertUsage);
    }
  }
  const std::optional<SaveType> type = saveTypeForPath(args[1]);
  if (!type) {
    return refuse(args[1] + ": the name must end in .bmp, .jpg or .png");
  }
  const DecodeResult decoded = decodeImageFile(args[0]);
  if (!decoded.ok()) {
    return refuse(args[0] + ": " + decoded.error);
  }
  std::string error;
  if (!saveImageFile(decoded.image, args[1], *type, settings, &error)) {
    return refuse(error);
  }
  return kOk;
}

}  // namespace

KRV_COMMAND("image", kImageUsage, runImage)
KRV_COMMAND("convert", kConvertUsage, runConvert)

}  // namespace korvalis::krv
