#include "viewer/palette.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <unordered_map>

namespace korvalis {
namespace {

using Histogram = std::array<std::uint64_t, 256>;

constexpr std::uint32_t colourOf(std::uint32_t pixel) {
  return pixel & 0x00FFFFFFU;
}

int luminance(std::uint32_t p) {
  return (pixelRed(p) * 77 + pixelGreen(p) * 150 + pixelBlue(p) * 29 + 128) >> 8;
}

/// One pass over the pixels: whether the page is grey, and its brightness histogram.
struct Survey {
  bool grey = true;
  Histogram brightness{};
};

Survey survey(const Image& image) {
  Survey s;
  for (const std::uint32_t p : image.pixels()) {
    const int r = pixelRed(p), g = pixelGreen(p), b = pixelBlue(p);
    s.grey = s.grey && r == g && g == b;
    ++s.brightness[static_cast<std::size_t>(luminance(p))];
  }
  return s;
}

/// The exact palette when the image has at most `limit` colours.
bool exactPalette(const Image& image, std::size_t limit, IndexedImage& out) {
  std::unordered_map<std::uint32_t, std::uint8_t> index;
  for (const std::uint32_t p : image.pixels()) {
    const std::uint32_t c = colourOf(p);
    if (index.find(c) != index.end()) {
      continue;
    }
    if (index.size() == limit) {
      return false;
    }
    index.emplace(c, static_cast<std::uint8_t>(index.size()));
    out.palette.push_back(c);
  }
  out.indices.reserve(image.pixelCount());
  std::uint32_t last = colourOf(image.pixels()[0]);
  std::uint8_t lastIndex = index.at(last);
  for (const std::uint32_t p : image.pixels()) {
    if (colourOf(p) != last) {
      last = colourOf(p);
      lastIndex = index.at(last);
    }
    out.indices.push_back(lastIndex);
  }
  return true;
}

/// Maps every pixel through a table indexed by one channel (grey pages) or by brightness.
void mapByTable(const Image& image, bool grey, const std::array<std::uint8_t, 256>& table,
                IndexedImage& out) {
  out.indices.resize(image.pixelCount());
  std::uint8_t* dst = out.indices.data();
  for (const std::uint32_t p : image.pixels()) {
    *dst++ = table[static_cast<std::size_t>(grey ? pixelBlue(p) : luminance(p))];
  }
}

/// Otsu's threshold: the brightness t that maximises the between-class variance of the
/// classes [0, t] and (t, 255].
int otsuThreshold(const Histogram& h) {
  double total = 0, sum = 0;
  for (int v = 0; v < 256; ++v) {
    total += static_cast<double>(h[v]);
    sum += static_cast<double>(h[v]) * v;
  }
  double w0 = 0, sum0 = 0, best = -1;
  int threshold = 127;
  for (int t = 0; t < 255; ++t) {
    w0 += static_cast<double>(h[t]);
    sum0 += static_cast<double>(h[t]) * t;
    const double w1 = total - w0;
    if (w0 == 0 || w1 == 0) {
      continue;
    }
    const double m0 = sum0 / w0, m1 = (sum - sum0) / w1;
    const double between = w0 * w1 * (m0 - m1) * (m0 - m1);
    if (between > best) {
      best = between;
      threshold = t;
    }
  }
  return threshold;
}

/// Floyd-Steinberg error diffusion in serpentine order over `Channels` channels (1: the grey
/// value, 3: red, green, blue). `nearestOf(values)` gives the palette index for a pixel with
/// its diffused error added (each value clamped to 0..255).
template <int Channels, typename Nearest>
void diffuse(const Image& image, const std::vector<std::uint32_t>& palette, Nearest nearestOf,
             IndexedImage& out) {
  const int w = image.width();
  const auto rowSize = static_cast<std::size_t>(w + 2) * Channels;
  std::vector<float> rows(2 * rowSize, 0.0F);  // errors for this row and the next, padded
  out.indices.resize(image.pixelCount());
  const auto channels = [](std::uint32_t p) {
    std::array<int, Channels> c{};
    if constexpr (Channels == 1) {
      c[0] = pixelBlue(p);
    } else {
      c = {pixelRed(p), pixelGreen(p), pixelBlue(p)};
    }
    return c;
  };
  for (int y = 0; y < image.height(); ++y) {
    float* here = rows.data() + (y % 2 == 0 ? 0 : rowSize);
    float* below = rows.data() + (y % 2 == 0 ? rowSize : 0);
    std::fill(below, below + rowSize, 0.0F);
    const int step = y % 2 == 0 ? 1 : -1;
    const std::uint32_t* in = image.row(y);
    std::uint8_t* dst = out.indices.data() + static_cast<std::size_t>(y) * w;
    for (int i = 0; i < w; ++i) {
      const int x = step > 0 ? i : w - 1 - i;
      const auto at = [x](int dx, int c) {
        return static_cast<std::size_t>((x + 1 + dx) * Channels + c);
      };
      std::array<int, Channels> value = channels(in[x]);
      for (int c = 0; c < Channels; ++c) {
        value[c] = std::clamp(static_cast<int>(std::lround(value[c] + here[at(0, c)])), 0, 255);
      }
      const std::size_t index = nearestOf(value);
      dst[x] = static_cast<std::uint8_t>(index);
      const std::array<int, Channels> got = channels(palette[index]);
      for (int c = 0; c < Channels; ++c) {
        const auto error = static_cast<float>(value[c] - got[c]);
        here[at(step, c)] += error * (7.0F / 16);
        below[at(-step, c)] += error * (3.0F / 16);
        below[at(0, c)] += error * (5.0F / 16);
        below[at(step, c)] += error * (1.0F / 16);
      }
    }
  }
}

/// Two colours: ink and paper split at Otsu's threshold, each the mean colour of its side.
void twoColours(const Image& image, const Survey& s, IndexedImage& out) {
  const int t = otsuThreshold(s.brightness);
  std::array<std::uint8_t, 256> table{};
  for (int v = 0; v < 256; ++v) {
    table[static_cast<std::size_t>(v)] = v <= t ? 0 : 1;
  }
  mapByTable(image, false, table, out);
  std::array<std::array<std::uint64_t, 4>, 2> sums{};
  const std::uint32_t* px = image.pixels().data();
  for (std::size_t i = 0; i < out.indices.size(); ++i) {
    auto& c = sums[out.indices[i]];
    c[0] += static_cast<std::uint64_t>(pixelRed(px[i]));
    c[1] += static_cast<std::uint64_t>(pixelGreen(px[i]));
    c[2] += static_cast<std::uint64_t>(pixelBlue(px[i]));
    ++c[3];
  }
  for (const auto& c : sums) {
    const std::uint64_t n = std::max<std::uint64_t>(c[3], 1);
    out.palette.push_back(makePixel(static_cast<int>((c[0] + n / 2) / n),
                                    static_cast<int>((c[1] + n / 2) / n),
                                    static_cast<int>((c[2] + n / 2) / n)));
  }
}

/// The `levels` grey values with the least squared error for the histogram: an optimal
/// partition of 0..255 into intervals by dynamic programming, each interval taking its mean.
void greyLevels(const Image& image, const Histogram& h, int levels, IndexedImage& out) {
  std::array<double, 257> w{}, s{}, q{};
  for (int v = 0; v < 256; ++v) {
    const auto n = static_cast<double>(h[v]);
    w[v + 1] = w[v] + n;
    s[v + 1] = s[v] + n * v;
    q[v + 1] = q[v] + n * v * v;
  }
  const auto cost = [&](int a, int b) {  // squared error of [a, b) around its mean
    const double n = w[b] - w[a];
    if (n <= 0) {
      return 0.0;
    }
    const double sum = s[b] - s[a];
    return (q[b] - q[a]) - sum * sum / n;
  };
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const auto k = static_cast<std::size_t>(levels);
  std::vector<std::array<double, 257>> best(k + 1);
  std::vector<std::array<int, 257>> cut(k + 1);
  for (auto& row : best) {
    row.fill(kInf);
  }
  best[0][0] = 0;
  for (std::size_t j = 1; j <= k; ++j) {
    for (int i = 1; i <= 256; ++i) {
      for (int m = static_cast<int>(j) - 1; m < i; ++m) {
        const double c = best[j - 1][m] + cost(m, i);
        if (c < best[j][i]) {
          best[j][i] = c;
          cut[j][i] = m;
        }
      }
    }
  }
  std::array<std::uint8_t, 256> table{};
  int end = 256;
  std::vector<std::pair<int, int>> intervals;
  for (std::size_t j = k; j >= 1; --j) {
    intervals.emplace_back(cut[j][end], end);
    end = cut[j][end];
  }
  std::reverse(intervals.begin(), intervals.end());
  for (const auto& [a, b] : intervals) {
    const double n = w[b] - w[a];
    if (n <= 0) {
      continue;  // an empty interval needs no colour
    }
    const int mean = static_cast<int>((s[b] - s[a]) / n + 0.5);
    for (int v = a; v < b; ++v) {
      table[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(out.palette.size());
    }
    out.palette.push_back(makePixel(mean, mean, mean));
  }
  diffuse<1>(
      image, out.palette,
      [&table](const std::array<int, 1>& v) {
        return std::size_t{table[static_cast<std::size_t>(v[0])]};
      },
      out);
}

// ---- Colour pages: median cut on a 15-bit histogram, refined by k-means ----

struct Cell {
  double colour[3];
  double weight;
};

constexpr int kCellBits = 5;

std::vector<Cell> colourCells(const Image& image) {
  constexpr std::size_t kCells = std::size_t{1} << (3 * kCellBits);
  std::vector<std::array<std::uint64_t, 4>> sums(kCells);
  for (const std::uint32_t p : image.pixels()) {
    const int r = pixelRed(p), g = pixelGreen(p), b = pixelBlue(p);
    auto& c = sums[static_cast<std::size_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3))];
    c[0] += static_cast<std::uint64_t>(r);
    c[1] += static_cast<std::uint64_t>(g);
    c[2] += static_cast<std::uint64_t>(b);
    ++c[3];
  }
  std::vector<Cell> cells;
  for (const auto& c : sums) {
    if (c[3] != 0) {
      const auto n = static_cast<double>(c[3]);
      cells.push_back({{c[0] / n, c[1] / n, c[2] / n}, n});
    }
  }
  return cells;
}

struct Box {
  std::size_t begin, end;
  double error;  // weighted squared error around the mean
  int axis;      // the axis of largest spread
};

Box describe(const std::vector<Cell>& cells, std::size_t begin, std::size_t end) {
  double w = 0, s[3] = {}, q[3] = {};
  for (std::size_t i = begin; i < end; ++i) {
    const Cell& c = cells[i];
    w += c.weight;
    for (int a = 0; a < 3; ++a) {
      s[a] += c.weight * c.colour[a];
      q[a] += c.weight * c.colour[a] * c.colour[a];
    }
  }
  Box box{begin, end, 0, 0};
  double widest = -1;
  for (int a = 0; a < 3; ++a) {
    const double err = w > 0 ? q[a] - s[a] * s[a] / w : 0;
    box.error += err;
    if (err > widest) {
      widest = err;
      box.axis = a;
    }
  }
  if (end - begin < 2) {
    box.error = 0;
  }
  return box;
}

std::array<double, 3> meanOf(const std::vector<Cell>& cells, std::size_t begin, std::size_t end) {
  double w = 0;
  std::array<double, 3> s{};
  for (std::size_t i = begin; i < end; ++i) {
    w += cells[i].weight;
    for (int a = 0; a < 3; ++a) {
      s[static_cast<std::size_t>(a)] += cells[i].weight * cells[i].colour[a];
    }
  }
  for (double& v : s) {
    v = w > 0 ? v / w : 0;
  }
  return s;
}

/// Median cut: repeatedly splits the box with the largest error at the weighted median of its
/// widest axis.
std::vector<std::array<double, 3>> medianCut(std::vector<Cell>& cells, std::size_t colours) {
  std::vector<Box> boxes{describe(cells, 0, cells.size())};
  while (boxes.size() < colours) {
    const auto worst = std::max_element(
        boxes.begin(), boxes.end(), [](const Box& a, const Box& b) { return a.error < b.error; });
    if (worst->error <= 0) {
      break;
    }
    const Box box = *worst;
    const auto first = cells.begin() + static_cast<std::ptrdiff_t>(box.begin);
    const auto last = cells.begin() + static_cast<std::ptrdiff_t>(box.end);
    std::sort(first, last,
              [a = box.axis](const Cell& x, const Cell& y) { return x.colour[a] < y.colour[a]; });
    double total = 0;
    for (auto it = first; it != last; ++it) {
      total += it->weight;
    }
    double running = 0;
    std::size_t split = box.begin;
    while (split < box.end - 1 && running + cells[split].weight <= total / 2) {
      running += cells[split].weight;
      ++split;
    }
    split = std::clamp(split, box.begin + 1, box.end - 1);
    *worst = describe(cells, box.begin, split);
    boxes.push_back(describe(cells, split, box.end));
  }
  std::vector<std::array<double, 3>> palette;
  for (const Box& box : boxes) {
    palette.push_back(meanOf(cells, box.begin, box.end));
  }
  return palette;
}

template <typename Colour>
std::size_t nearest(const std::vector<std::array<double, 3>>& palette, const Colour& c) {
  std::size_t best = 0;
  double bestDistance = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const double dr = palette[i][0] - c[0], dg = palette[i][1] - c[1], db = palette[i][2] - c[2];
    const double d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

/// Lloyd's k-means over the histogram cells, starting from the median-cut palette. An entry
/// that no cell chooses moves to the cell worst served, so no palette slot is wasted.
void refine(const std::vector<Cell>& cells, std::vector<std::array<double, 3>>& palette) {
  constexpr int kRounds = 8;
  for (int round = 0; round < kRounds; ++round) {
    std::vector<std::array<double, 4>> sums(palette.size());
    std::vector<std::pair<double, std::size_t>> worst;  // (weighted error, cell), largest first
    for (std::size_t i = 0; i < cells.size(); ++i) {
      const Cell& c = cells[i];
      const std::size_t k = nearest(palette, c.colour);
      auto& s = sums[k];
      double error = 0;
      for (std::size_t a = 0; a < 3; ++a) {
        s[a] += c.weight * c.colour[a];
        error += (c.colour[a] - palette[k][a]) * (c.colour[a] - palette[k][a]);
      }
      s[3] += c.weight;
      worst.emplace_back(error * c.weight, i);
    }
    std::size_t nextWorst = 0;
    const auto reseedOrder = [&worst] { std::sort(worst.begin(), worst.end(), std::greater<>()); };
    bool sorted = false;
    double moved = 0;
    for (std::size_t i = 0; i < palette.size(); ++i) {
      if (sums[i][3] <= 0) {
        if (!sorted) {
          reseedOrder();
          sorted = true;
        }
        if (nextWorst < worst.size() && worst[nextWorst].first > 0) {
          const Cell& c = cells[worst[nextWorst++].second];
          palette[i] = {c.colour[0], c.colour[1], c.colour[2]};
          moved = std::max(moved, 1.0);
        }
        continue;
      }
      for (std::size_t a = 0; a < 3; ++a) {
        const double value = sums[i][a] / sums[i][3];
        moved = std::max(moved, std::abs(value - palette[i][a]));
        palette[i][a] = value;
      }
    }
    if (moved < 0.25) {
      break;
    }
  }
}

void colourPalette(const Image& image, std::size_t colours, IndexedImage& out) {
  std::vector<Cell> cells = colourCells(image);
  std::vector<std::array<double, 3>> palette = medianCut(cells, colours);
  refine(cells, palette);
  std::vector<std::array<double, 3>> rounded;
  for (const auto& c : palette) {
    const auto channel = [](double v) { return std::clamp(static_cast<int>(v + 0.5), 0, 255); };
    out.palette.push_back(makePixel(channel(c[0]), channel(c[1]), channel(c[2])));
    rounded.push_back({double(channel(c[0])), double(channel(c[1])), double(channel(c[2]))});
  }
  // Nearest entry for a colour, looked up once per 18-bit colour and remembered.
  constexpr int kKeyBits = 6;
  constexpr int kDrop = 8 - kKeyBits;
  std::vector<std::int16_t> cache(std::size_t{1} << (3 * kKeyBits), -1);
  const auto nearestOf = [&](const std::array<int, 3>& v) {
    const int r = v[0] >> kDrop, g = v[1] >> kDrop, b = v[2] >> kDrop;
    std::int16_t& slot =
        cache[static_cast<std::size_t>((r << (2 * kKeyBits)) | (g << kKeyBits) | b)];
    if (slot < 0) {
      constexpr double kCentre = (1 << kDrop) / 2.0 - 0.5;
      const std::array<double, 3> centre = {(r << kDrop) + kCentre, (g << kDrop) + kCentre,
                                            (b << kDrop) + kCentre};
      slot = static_cast<std::int16_t>(nearest(rounded, centre));
    }
    return static_cast<std::size_t>(slot);
  };
  diffuse<3>(image, out.palette, nearestOf, out);
}

}  // namespace

IndexedImage reduceColours(const Image& image, int depth) {
  IndexedImage out;
  out.width = image.width();
  out.height = image.height();
  if (image.isNull()) {
    return out;
  }
  const int limit = depth <= 1 ? 2 : depth <= 4 ? 16 : 256;
  const Survey s = survey(image);
  if (s.grey) {
    const auto used = std::count_if(s.brightness.begin(), s.brightness.end(),
                                    [](std::uint64_t n) { return n != 0; });
    if (used <= limit) {
      std::array<std::uint8_t, 256> table{};
      for (int v = 0; v < 256; ++v) {
        if (s.brightness[static_cast<std::size_t>(v)] != 0) {
          table[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(out.palette.size());
          out.palette.push_back(makePixel(v, v, v));
        }
      }
      mapByTable(image, true, table, out);
      return out;
    }
  } else if (exactPalette(image, static_cast<std::size_t>(limit), out)) {
    return out;
  }
  out.palette.clear();
  out.indices.clear();
  if (limit == 2) {
    twoColours(image, s, out);
  } else if (s.grey) {
    greyLevels(image, s.brightness, limit, out);
  } else {
    colourPalette(image, static_cast<std::size_t>(limit), out);
  }
  return out;
}

void packIndexRow(const std::uint8_t* indices, int width, int depth, std::uint8_t* out) {
  if (depth == 8) {
    std::copy(indices, indices + width, out);
    return;
  }
  const int perByte = 8 / depth;
  const int bytes = (width + perByte - 1) / perByte;
  std::fill(out, out + bytes, std::uint8_t{0});
  for (int x = 0; x < width; ++x) {
    const int shift = 8 - depth * (x % perByte + 1);
    out[x / perByte] = static_cast<std::uint8_t>(out[x / perByte] | (indices[x] << shift));
  }
}

}  // namespace korvalis
