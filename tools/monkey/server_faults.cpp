#include "tools/monkey/server_faults.h"

#include <array>

namespace korvalis::monkey {

namespace {
struct FaultShape {
  const char* kind;
  const char* pathEnd;  ///< the end of the paths it hits, after the page's last digit
};

// Look-ups (location, size) and downloads (dist.jpg), each broken in the archive's ways.
constexpr std::array<FaultShape, 13> kShapes = {{
    {"stall", "/location/db"},
    {"stall", "/size"},
    {"stallbody", "/dist.jpg"},
    {"drop", "/dist.jpg"},
    {"droponce", "/dist.jpg"},
    {"truncate", "/dist.jpg"},
    {"notfound", "/location/db"},
    {"unavailable", "/size"},
    {"damagedjpeg", "/dist.jpg"},
    {"trickle", "/dist.jpg"},
    {"htmlerror", "/size"},
    {"empty", "/dist.jpg"},
    {"nonimage", "/dist.jpg"},
}};
}  // namespace

std::vector<std::string> randomServerFaults(std::mt19937_64& random) {
  const auto uniform = [&random](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  std::vector<std::string> args = {"--stall-ms", std::to_string(uniform(1500, 4000)), "--fault",
                                   "latency=" + std::to_string(uniform(0, 120))};
  const char* slowPaths[] = {"/location/db", "/size", "dist.jpg"};
  for (const char* path : slowPaths) {
    if (uniform(0, 1) == 0) {
      args.insert(args.end(),
                  {"--fault", "latency=" + std::to_string(uniform(200, 2000)) + ":" + path});
    }
  }
  const int faults = uniform(2, 5);
  for (int i = 0; i < faults; ++i) {
    const FaultShape& shape = kShapes[static_cast<std::size_t>(uniform(0, kShapes.size() - 1))];
    args.insert(args.end(), {"--fault", std::string(shape.kind) + "=" +
                                            std::to_string(uniform(0, 9)) + shape.pathEnd});
  }
  return args;
}

}  // namespace korvalis::monkey
