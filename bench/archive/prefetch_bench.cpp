// Times ">>" to the page shown: from the page request for the next page of a film to its
// bytes decoded and handed to the view, stepping through STEPS pages once with the next page
// fetched ahead and once without, against the same archive. Prints "prefetch SECONDS" and
// "plain SECONDS" lines: the mean, the median and the slowest step of each.
// With --cache-fill DIR it shows STEPS pages once, keeping them in a page cache in DIR; with
// --cache-revisit DIR it shows them again from that cache (no page held in memory) and prints
// "cached SECONDS" as above, and "memory KB KB": the resident size before and after 1,000 more
// pages went through the cache (stored and found).
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "archive/archive_address.h"
#include "archive/curl_global.h"
#include "archive/event_codes.h"
#include "archive/page_address.h"
#include "archive/page_cache.h"
#include "archive/page_prefetch.h"
#include "platform/scripted/fake_main_view.h"
#include "viewer/image_codec.h"

namespace {

using namespace korvalis;
using Clock = std::chrono::steady_clock;

/// The window's event queue: workers post, the bench's main thread (the "UI thread") takes.
class EventQueue : public EventTarget {
 public:
  struct Event {
    int code;
    std::uintptr_t data;
  };
  void postEvent(int code, std::uintptr_t data) override {
    {
      const std::lock_guard lock(mutex_);
      events_.push_back(Event{code, data});
    }
    changed_.notify_one();
  }
  bool take(Event& event) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::seconds(30), [this] { return !events_.empty(); })) {
      return false;
    }
    event = events_.front();
    events_.pop_front();
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Event> events_;
};

struct Stepper {
  explicit Stepper(const std::string& prefix, bool ahead) {
    request.servicePrefix = prefix;
    if (ahead) {
      prefetch = std::make_unique<PagePrefetch>(engine, request, queue);
      context.prefetch = prefetch.get();
    }
  }

  /// Runs the event loop until the page asked for is decoded and handed to the view.
  bool runUntilShown() {
    EventQueue::Event event{};
    while (queue->take(event)) {
      if (event.code == kPageImageEvent) {
        const PageAnswer answer =
            HandlePageAnswer(context, event.data, [this](std::span<const unsigned char> body) {
              DecodeResult decoded = decodeImage(body);
              if (!decoded.ok()) {
                return PageAnswer::Ignored;
              }
              shownPage = std::move(decoded.image);
              return PageAnswer::Shown;
            });
        return answer == PageAnswer::Shown;
      }
      HandleRequestEvent(context, event.code, event.data);
    }
    return false;
  }
  /// Runs the event loop until the page after the shown one is held.
  bool runUntilFetched() {
    EventQueue::Event event{};
    while (prefetch && prefetch->fetching()) {
      if (!queue->take(event)) {
        return false;
      }
      HandleRequestEvent(context, event.code, event.data);
    }
    return true;
  }
  bool show(int page) {
    view.id = "4010472";
    view.page = std::to_string(page);
    LoadPage(context);
    return runUntilShown();
  }

  std::shared_ptr<EventQueue> queue = std::make_shared<EventQueue>();
  CurlGlobal curl;
  TransferEngine engine{curl, caBundleFile()};
  RequestState request;
  FakeMainView view;
  std::string aboutHtml;
  bool pageShown = false;
  ArchiveContext context{request, view, engine, queue, aboutHtml, pageShown, queue};
  std::unique_ptr<PagePrefetch> prefetch;
  Image shownPage;
};

struct Timing {
  std::vector<double> steps;
  double mean() const {
    double total = 0;
    for (const double s : steps) {
      total += s;
    }
    return steps.empty() ? 0 : total / static_cast<double>(steps.size());
  }
  double median() const {
    std::vector<double> sorted = steps;
    std::sort(sorted.begin(), sorted.end());
    return sorted.empty() ? 0 : sorted[sorted.size() / 2];
  }
  double slowest() const {
    return steps.empty() ? 0 : *std::max_element(steps.begin(), steps.end());
  }
};

/// Shows page 1, then steps `steps` times to the next page; each step is timed from the
/// request to the decoded page. With the prefetch the user reads each page until the next is
/// held, as a reader does.
bool stepThrough(const std::string& prefix, bool ahead, int steps, Timing& timing) {
  Stepper stepper(prefix, ahead);
  if (!stepper.show(1)) {
    return false;
  }
  for (int page = 2; page <= steps + 1; ++page) {
    if (!stepper.runUntilFetched()) {
      return false;
    }
    const auto start = Clock::now();
    if (!stepper.show(page)) {
      return false;
    }
    timing.steps.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  return true;
}

/// The resident size of this process in KiB (VmRSS), 0 when unknown.
long residentKb() {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) {
    return 0;
  }
  char line[256];
  long kb = 0;
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::sscanf(line, "VmRSS: %ld kB", &kb) == 1) {
      break;
    }
  }
  std::fclose(status);
  return kb;
}

/// Shows pages 1 to `steps` with a page cache in `folder` and no pages held in memory; with
/// `timing` each page is timed from the request to the decoded page.
bool showWithCache(const std::string& prefix, const std::string& folder, int steps,
                   Timing* timing) {
  PageCache cache(folder, std::uint64_t{1} << 32);
  Stepper stepper(prefix, /*ahead=*/false);
  stepper.context.cache = &cache;
  for (int page = 1; page <= steps; ++page) {
    const auto start = Clock::now();
    if (!stepper.show(page)) {
      return false;
    }
    if (timing != nullptr) {
      timing->steps.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
  }
  return true;
}

/// Resident size before and after 1,000 synthetic pages of 300 KB are stored and found again.
void measureCacheMemory(const std::string& folder) {
  PageCache cache(folder + "/memory", std::uint64_t{1} << 32);
  const std::vector<std::uint8_t> bytes(300 * 1024, 0x5A);
  const long before = residentKb();
  for (int page = 1; page <= 1000; ++page) {
    const std::string text = std::to_string(100000 + page).substr(1);
    cache.store("000000001", text, "TH-1-2-3-4-" + text, bytes);
    cache.find("000000001", text);
  }
  std::printf("memory %ld %ld\n", before, residentKb());
  cache.clear();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && (std::string(argv[3]) == "--cache-fill" ||
                    std::string(argv[3]) == "--cache-revisit")) {
    const int steps = std::max(1, std::atoi(argv[2]));
    const bool revisit = std::string(argv[3]) == "--cache-revisit";
    Timing cached;
    if (!showWithCache(argv[1], argv[4], steps, revisit ? &cached : nullptr)) {
      std::fprintf(stderr, "a page did not arrive\n");
      return 1;
    }
    if (revisit) {
      std::printf("cached %.4f %.4f %.4f\n", cached.mean(), cached.median(), cached.slowest());
      measureCacheMemory(argv[4]);
    }
    return 0;
  }
  if (argc != 3) {
    std::fprintf(stderr,
                 "usage: korvalis_archive_prefetch_bench SERVICE_PREFIX STEPS "
                 "[--cache-fill DIR | --cache-revisit DIR]\n");
    return 2;
  }
  const std::string prefix = argv[1];
  const int steps = std::max(1, std::atoi(argv[2]));
  Timing ahead;
  Timing plain;
  if (!stepThrough(prefix, true, steps, ahead) || !stepThrough(prefix, false, steps, plain)) {
    std::fprintf(stderr, "a page did not arrive\n");
    return 1;
  }
  std::printf("prefetch %.4f %.4f %.4f\n", ahead.mean(), ahead.median(), ahead.slowest());
  std::printf("plain %.4f %.4f %.4f\n", plain.mean(), plain.median(), plain.slowest());
  return 0;
}
