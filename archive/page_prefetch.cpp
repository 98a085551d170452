#include "archive/page_prefetch.h"

#include <algorithm>
#include <charconv>

#include "archive/event_codes.h"
#include "archive/page_address.h"
#include "archive/page_cache.h"
#include "viewer/image_codec.h"

namespace korvalis {

namespace {
constexpr int kLastPage = 99999;

/// Only a page image that came with a successful status is worth keeping: an error page, a
/// proxy's answer or an XML refusal is asked for again when the user steps to the page.
bool isPageImage(int httpStatus, std::optional<std::span<const unsigned char>> body) {
  return httpStatus >= 200 && httpStatus < 300 && body && !body->empty() &&
         detectImageFormat(*body) != ImageFormat::Unknown;
}

std::optional<int> pageNumber(std::string_view page) {
  int number = 0;
  const auto [end, error] = std::from_chars(page.data(), page.data() + page.size(), number);
  if (page.empty() || error != std::errc() || end != page.data() + page.size() || number < 0) {
    return std::nullopt;
  }
  return number;
}
}  // namespace

std::optional<std::string> nextPageText(std::string_view page) {
  const auto number = pageNumber(page);
  if (!number || *number >= kLastPage) {
    return std::nullopt;
  }
  return pageText(std::to_string(*number + 1));
}

PagePrefetch::PagePrefetch(TransferEngine& engine, const RequestState& request,
                           std::shared_ptr<EventTarget> target)
    : engine_(engine), request_(request), target_(std::move(target)) {}

PagePrefetch::~PagePrefetch() {
  cancel();
}

void PagePrefetch::requestStarted(std::string_view id) {
  cancel();
  if (!held_.empty() && held_.front().id != id) {
    held_.clear();
  }
}

void PagePrefetch::pageShown(HeldPage shown) {
  if (!held_.empty() && held_.front().id != shown.id) {
    held_.clear();
  }
  const auto number = pageNumber(shown.page);
  // Only the neighbours of the shown page stay.
  std::erase_if(held_, [&number](const HeldPage& page) {
    const auto other = pageNumber(page.page);
    return !number || !other || *other < *number - 1 || *other > *number + 1;
  });
  const std::string id = shown.id;
  const auto next = nextPageText(shown.page);
  keep(std::move(shown));
  if (next && find(id, *next) == nullptr &&
      !(fetch_ && fetch_->page.id == id && fetch_->page.page == *next)) {
    start(id, *next);
  }
}

const HeldPage* PagePrefetch::find(std::string_view id, std::string_view page) const {
  const auto it = std::find_if(held_.begin(), held_.end(), [&](const HeldPage& held) {
    return held.id == id && held.page == page;
  });
  return it == held_.end() ? nullptr : &*it;
}

void PagePrefetch::keep(HeldPage page) {
  std::erase_if(held_, [&page](const HeldPage& held) {
    return held.id == page.id && held.page == page.page;
  });
  held_.push_back(std::move(page));
}

void PagePrefetch::start(const std::string& id, const std::string& page) {
  cancel();
  if (cache_ != nullptr && cache_->findApid(id, page)) {
    return;
  }
  fetch_ = Fetch{};
  fetch_->page.id = id;
  fetch_->page.page = page;
  fetch_->location =
      startJob(locationRequest(request_.servicePrefix, id + "_" + page), kAheadLocationEvent);
  if (fetch_->location == 0) {
    fetch_.reset();
  }
}

JobHandle PagePrefetch::startJob(UrlRequest request, int code) {
  request.notifyTarget = target_;
  request.notifyCode = code;
  return engine_.GetUrl(request);
}

void PagePrefetch::stopJob(JobHandle& handle) {
  // A finished job is left to its completion event, which frees it as a stray answer.
  if (handle != 0 && engine_.IsRunning(handle) != 0) {
    engine_.Free(handle, /*freeData=*/true);
  }
  handle = 0;
}

void PagePrefetch::cancel() {
  if (fetch_) {
    stopJob(fetch_->location);
    stopJob(fetch_->size);
    stopJob(fetch_->image);
    fetch_.reset();
  }
}

void PagePrefetch::clear() {
  cancel();
  held_.clear();
}

bool PagePrefetch::handleEvent(int code, JobHandle handle) {
  const bool ours = fetch_ && handle != 0 &&
                    ((code == kAheadLocationEvent && handle == fetch_->location) ||
                     (code == kAheadSizeEvent && handle == fetch_->size) ||
                     (code == kAheadImageEvent && handle == fetch_->image));
  if (!ours) {
    engine_.Free(handle, /*freeData=*/true);
    return false;
  }
  const auto answer = engine_.GetData(handle);
  Fetch& fetch = *fetch_;
  if (code == kAheadLocationEvent) {
    fetch.location = 0;
    located(answer);
  } else if (code == kAheadSizeEvent) {
    fetch.size = 0;
    fetch.sizeDone = true;
    fetch.page.size = readSizeAnswer(answer, &fetch.page.lastAnswer);
  } else {
    fetch.image = 0;
    fetch.imageDone = true;
    if (isPageImage(engine_.GetHttpStatus(handle), answer)) {
      fetch.page.body.assign(answer->begin(), answer->end());
    }
  }
  engine_.Free(handle, /*freeData=*/true);
  completeIfDone();
  return true;
}

void PagePrefetch::located(std::optional<std::span<const unsigned char>> answer) {
  Fetch& fetch = *fetch_;
  fetch.page.apid = readLocationAnswer(answer, &fetch.page.lastAnswer);
  if (!answer || fetch.page.apid == kUnknownApid) {
    // Not a page to show at once: stepping to it asks the archive as usual.
    fetch_.reset();
    return;
  }
  // Size and image need only the APID: both at once.
  fetch.size = startJob(sizeRequest(request_.servicePrefix, fetch.page.apid, /*byApid=*/true),
                        kAheadSizeEvent);
  fetch.image = startJob(pageRequest(request_, fetch.page.apid), kAheadImageEvent);
  if (fetch.size == 0 || fetch.image == 0) {
    cancel();
  }
}

void PagePrefetch::completeIfDone() {
  if (!fetch_ || !fetch_->sizeDone || !fetch_->imageDone) {
    return;
  }
  HeldPage page = std::move(fetch_->page);
  fetch_.reset();
  if (!page.body.empty()) {
    if (cache_ != nullptr) {
      cache_->store(page.id, page.page, page.apid, page.body);
    }
    keep(std::move(page));
  }
}

}  // namespace korvalis
