#pragma once

#include <cstdint>

#include "archive/page_answer.h"

namespace korvalis {

/// What the main window's commands ask of the archive: pages, look-ups and the answers of
/// both. The program implements it on the transfer engine (archive/page_address.h); the
/// command tests record the calls. User-interface thread only.
class PageRequests {
 public:
  virtual ~PageRequests() = default;

  /// Shows the page of the ID and page fields.
  virtual void loadPage() = 0;
  /// Shows the first page of the record tree's current entry.
  virtual void loadTreePage() = 0;
  /// APID field to ID and page fields; the answer arrives as completion `code`.
  virtual void startIdLookup(int code) = 0;
  /// ID and page fields to the APID field; false when it stopped because a field was empty.
  virtual bool startApidLookup(int code) = 0;
  /// The answer of a look-up (codes 65537, 65538); frees the job.
  virtual void handleLookupAnswer(int code, std::uintptr_t job) = 0;
  /// The answer of a page download (code 65536): shows the page or says why not; frees the
  /// job.
  virtual PageAnswer handlePageAnswer(std::uintptr_t job) = 0;
  /// Cancels the page request in flight, in its look-ups or its download; false when none is
  /// running (a finished download is freed by its completion event).
  virtual bool abortPageDownload() = 0;
};

}  // namespace korvalis
