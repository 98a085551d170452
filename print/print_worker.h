#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/image.h"
#include "platform/platform.h"
#include "print/print_layout.h"

namespace korvalis {

/// The print job's thread: prints one page through the platform's printing service as a job
/// named "Korvalis". It works on what it was given when it started (the layout by value, the
/// image shared and never written), so nothing it reads can change under it.
class PrintWorker {
 public:
  /// Called on the printing thread when the job has ended.
  using Done = std::function<void(PrintOutcome)>;

  /// The name of every print job.
  static constexpr const char* kJobName = "Korvalis";

  /// Starts printing at once.
  PrintWorker(Platform& platform, std::string printer, std::shared_ptr<const Image> image,
              const PrintLayout& layout, Done done);
  /// Waits for the job to end.
  ~PrintWorker() = default;
  PrintWorker(const PrintWorker&) = delete;
  PrintWorker& operator=(const PrintWorker&) = delete;

  /// The title and text of the message for an outcome ("" when the page was printed).
  struct Message {
    const char* title = "";
    const char* text = "";
  };
  static Message messageFor(PrintOutcome outcome);

 private:
  std::jthread thread_;
};

}  // namespace korvalis
