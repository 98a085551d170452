#include "batch/storage_estimate.h"

#include <array>
#include <charconv>
#include <cmath>

#include "archive/event_codes.h"
#include "archive/page_address.h"

namespace korvalis {

namespace {

constexpr std::array<std::string_view, 7> kUnits = {"B", "KB", "MB", "GB", "TB", "PB", "EB"};
constexpr int kGenerationShift = 48;
constexpr std::uintptr_t kSizeMask = (std::uintptr_t{1} << kGenerationShift) - 1;

int unitExponent(std::int64_t bytes) {
  if (bytes <= 0) {
    return 0;
  }
  // Both logarithms and their quotient are 32-bit floats: this decides which unit a size
  // just at a power of 1024 gets (1 GiB reads 1024 MB).
  const float lnBytes = std::log(static_cast<float>(bytes));
  const float ln1024 = std::log(1024.0F);
  const float quotient = lnBytes / ln1024;
  return std::clamp(static_cast<int>(std::floor(quotient)), 0, static_cast<int>(kUnits.size()) - 1);
}

std::string sizeText(std::int64_t total) {
  return FormatByteSize(total, 2) + "yte.";
}

std::string failureNote(std::size_t failures) {
  if (failures == 0) {
    return {};
  }
  const std::string count =
      failures == 1 ? std::string(" einem Eintrag") : std::to_string(failures) + " Eintr\xE4gen";
  return "\rBei " + count +
         " konnte die Gr\xF6\xDF"
         "e nicht ermittelt werden.";
}

std::string allRowsMessage(const EstimateTotals& totals) {
  const std::size_t n = totals.rowCount;
  std::string text;
  if (totals.failures == 0) {
    text = "Alle " + std::to_string(n) + " Eintr\xE4ge belegen ca.  " + sizeText(totals.total);
  } else if (totals.failures < n) {
    // Also for exactly one failure: the rows of the list and the size of those found.
    text = std::to_string(n) + " Eintr\xE4ge belegen ca.  " + sizeText(totals.total);
  }
  if (totals.failures > 0) {
    text += "\rBei " + std::to_string(totals.failures) +
            (totals.failures == 1 ? " Eintrag" : " Eintr\xE4gen") +
            " konnte die Gr\xF6\xDF"
            "e nicht ermittelt werden.";
  }
  return text;
}

/// One worker of an estimate: takes the next reference until none is left or a stop comes, and
/// posts each size (an empty reference counts as unknown without asking).
void querySizes(TransferEngine& engine, EventTarget& target, const std::string& prefix,
                const std::vector<std::string>& references, std::atomic<std::size_t>& next,
                std::uintptr_t tag, const std::stop_token& stop) {
  for (std::size_t index = next++; index < references.size() && !stop.stop_requested();
       index = next++) {
    const std::string& reference = references[index];
    std::int64_t size = -1;
    if (!reference.empty()) {
      // A stop aborts the query under way.
      const auto answer =
          engine.GetUrlSync(sizeRequest(prefix, longImageName(reference), /*byApid=*/false), stop);
      size = readSizeAnswer(
          answer ? std::optional<std::span<const unsigned char>>(*answer) : std::nullopt, nullptr);
    }
    if (stop.stop_requested()) {
      break;
    }
    // Size + 1 keeps -1 (unknown) apart from every size in the event's data.
    target.postEvent(kEstimateSizeEvent, tag | (static_cast<std::uintptr_t>(size + 1) & kSizeMask));
  }
}

}  // namespace

std::string FormatByteSize(std::int64_t bytes, int decimals) {
  const int exponent = unitExponent(bytes);
  const double value = static_cast<double>(bytes) / std::pow(1024.0, exponent);
  const int places = exponent % 2 == 1 ? std::max(0, decimals) : 0;
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::fixed, places);
  std::string text(buffer.data(), result.ptr);
  text += ' ';
  text += kUnits[static_cast<std::size_t>(exponent)];
  return text;
}

std::string estimateMessage(EstimateScope scope, const EstimateTotals& totals) {
  if (totals.cancelled) {
    std::string text = "ABBRUCH!\r";
    if (totals.examined == 1) {
      text +=
          "Ein gepr\xFC"
          "fter Eintrag belegt ca.  " +
          sizeText(totals.total);
    } else if (totals.examined > 1) {
      text += std::to_string(totals.examined) +
              " gepr\xFC"
              "fte Eintr\xE4ge belegen ca.  " +
              sizeText(totals.total);
    }
    return text;
  }
  switch (scope) {
    case EstimateScope::Active:
      if (totals.failures > 0 || totals.examined == 0) {
        return "Dokumentgr\xF6\xDF"
               "e konnte nicht ermittelt werden.";
      }
      return "Das Dokument ben\xF6tigt ca.  " + sizeText(totals.total);
    case EstimateScope::Checked: {
      std::string text = totals.examined == 1 ? std::string("Der selektierte Eintrag belegt ca.  ")
                                              : "Die " + std::to_string(totals.examined) +
                                                    " selektierten Eintr\xE4ge belegen ca.  ";
      text += totals.failures == totals.examined ? std::string(" ? Byte") : sizeText(totals.total);
      return text + failureNote(totals.failures);
    }
    case EstimateScope::All:
      return allRowsMessage(totals);
  }
  return {};
}

StorageEstimate::StorageEstimate(TransferEngine& engine, std::shared_ptr<EventTarget> target,
                                 std::string servicePrefix)
    : engine_(engine), target_(std::move(target)), servicePrefix_(std::move(servicePrefix)) {}

StorageEstimate::~StorageEstimate() {
  cancel();
}

void StorageEstimate::start(std::vector<std::string> references, std::size_t rowCount) {
  cancel();
  ++generation_;
  totals_ = EstimateTotals{};
  totals_.rowCount = rowCount;
  planned_ = references.size();
  running_ = planned_ > 0;
  if (!running_) {
    return;
  }
  const std::uintptr_t tag = static_cast<std::uintptr_t>(generation_ & 0xFFFF) << kGenerationShift;
  const int workers =
      static_cast<int>(std::min(planned_, static_cast<std::size_t>(queriesAtOnce_)));
  auto shared = std::make_shared<const std::vector<std::string>>(std::move(references));
  auto next = std::make_shared<std::atomic<std::size_t>>(0);
  worker_.running = std::make_shared<std::atomic<int>>(workers);
  for (int i = 0; i < workers; ++i) {
    worker_.threads.emplace_back([&engine = engine_, target = target_, prefix = servicePrefix_,
                                  shared, next, tag, running = worker_.running,
                                  stop = worker_.stop.get_token()] {
      querySizes(engine, *target, prefix, *shared, *next, tag, stop);
      running->fetch_sub(1);
    });
  }
}

void StorageEstimate::retire() {
  std::erase_if(retired_, [](const Worker& old) { return old.running->load() == 0; });
  if (!worker_.threads.empty()) {
    worker_.stop.request_stop();
    retired_.push_back(std::move(worker_));
    worker_ = Worker{};
  }
}

bool StorageEstimate::handleEvent(int code, std::uintptr_t data) {
  if (code != kEstimateSizeEvent || !running_ ||
      (data >> kGenerationShift) != (generation_ & 0xFFFF)) {
    return false;
  }
  const auto sizePlusOne = static_cast<std::int64_t>(data & kSizeMask);
  ++totals_.examined;
  if (sizePlusOne == 0) {
    ++totals_.failures;
  } else {
    totals_.total += sizePlusOne - 1;
  }
  if (totals_.examined >= planned_) {
    running_ = false;
    retire();  // it has posted its last event and is leaving
  }
  return true;
}

void StorageEstimate::cancel() {
  if (running_) {
    totals_.cancelled = true;
    running_ = false;
  }
  retire();
}

}  // namespace korvalis
