#include "print/print_worker.h"

#include <utility>

namespace korvalis {

PrintWorker::PrintWorker(Platform& platform, std::string printer,
                         std::shared_ptr<const Image> image, const PrintLayout& layout, Done done)
    : thread_([&platform, printer = std::move(printer), image = std::move(image), layout,
               done = std::move(done)] {
        done(platform.printImage(printer, *image, printPlacement(layout), kJobName));
      }) {}

PrintWorker::Message PrintWorker::messageFor(PrintOutcome outcome) {
  switch (outcome) {
    case PrintOutcome::JobNotStarted:
      return {"Ooops....", "Drucker nicht bereit?"};
    case PrintOutcome::DrawingNotStarted:
      return {"Ooops....", "Drucker nicht bereit."};
    case PrintOutcome::Printed:
      break;
  }
  return {};
}

}  // namespace korvalis
