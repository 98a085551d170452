#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/request_state.h"
#include "archive/transfer_engine.h"

namespace korvalis {

class PageCache;

/// A page of a film held in memory, with what the look-ups before its download brought, so
/// showing it leaves the same fields as downloading it.
struct HeldPage {
  std::string id;          ///< nine-character ID text
  std::string page;        ///< five-character page text
  std::string apid;        ///< from the location look-up
  std::string lastAnswer;  ///< the last answer of the look-ups (RequestState::lastAnswer)
  std::int64_t size = -1;  ///< from the size query
  std::vector<unsigned char> body;
};

/// The page after the shown one, fetched in the background (location look-up, size query and
/// image, as asynchronous requests of the engine whose answers come back through handleEvent),
/// so stepping forward shows it at once. Only a page image answered with a successful status
/// is kept; a failed answer is never replayed from memory. Holds at most the shown page, the one
/// before it and the one after it, all of one film. User-interface thread only.
class PagePrefetch {
 public:
  /// The requests go to `request.servicePrefix` with its connect time-out; their answers are
  /// posted to `target` (codes kAheadLocationEvent, kAheadSizeEvent, kAheadImageEvent).
  PagePrefetch(TransferEngine& engine, const RequestState& request,
               std::shared_ptr<EventTarget> target);
  ~PagePrefetch();  ///< cancels the fetch in flight
  PagePrefetch(const PagePrefetch&) = delete;
  PagePrefetch& operator=(const PagePrefetch&) = delete;

  /// A page request of film `id` starts: the fetch in flight is cancelled, and the pages of
  /// another film are dropped.
  void requestStarted(std::string_view id);
  /// `shown` was downloaded and is shown now: it is kept, pages farther than one from it are
  /// dropped and the page after it is fetched unless held already.
  void pageShown(HeldPage shown);
  /// The held page with exactly this ID and page text, or null.
  const HeldPage* find(std::string_view id, std::string_view page) const;
  /// Continues the fetch with the answer of one of its requests and frees the job. False
  /// (the job is freed all the same) for an answer of a cancelled fetch.
  bool handleEvent(int code, JobHandle handle);
  /// Cancels the fetch in flight; the held pages stay.
  void cancel();
  /// Drops every held page and the fetch in flight.
  void clear();
  /// The pages kept on disk (null: none): a page found there is not fetched ahead (it shows
  /// from there as fast), and a page fetched ahead is kept there.
  void setCache(PageCache* cache) { cache_ = cache; }
  /// True while a page is being fetched.
  bool fetching() const { return fetch_.has_value(); }
  std::size_t heldCount() const { return held_.size(); }

 private:
  struct Fetch {
    HeldPage page;
    JobHandle location = 0;
    JobHandle size = 0;
    JobHandle image = 0;
    bool sizeDone = false;
    bool imageDone = false;
  };
  void start(const std::string& id, const std::string& page);
  JobHandle startJob(UrlRequest request, int code);
  void stopJob(JobHandle& handle);
  void located(std::optional<std::span<const unsigned char>> answer);
  void completeIfDone();
  void keep(HeldPage page);

  TransferEngine& engine_;
  const RequestState& request_;
  std::shared_ptr<EventTarget> target_;
  std::vector<HeldPage> held_;
  std::optional<Fetch> fetch_;
  PageCache* cache_ = nullptr;
};

/// The page text after `page` (digits only, below 99999), or nothing.
std::optional<std::string> nextPageText(std::string_view page);

}  // namespace korvalis
