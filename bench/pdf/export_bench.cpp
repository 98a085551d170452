// The export window's path for bench/pdf/run.sh: the page is in memory (as the viewer keeps it)
// and exportPdf writes it; prints the seconds the export call took.
// Usage: pdf_export_bench PAGE.jpg WIDTH HEIGHT OUT.pdf
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/file_io.h"
#include "print/pdf_export.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: pdf_export_bench PAGE.jpg WIDTH HEIGHT OUT.pdf\n");
    return 2;
  }
  const auto page = korvalis::readWholeFileBytes(argv[1]);
  if (!page) {
    std::fprintf(stderr, "pdf_export_bench: cannot read %s\n", argv[1]);
    return 1;
  }
  const auto layout =
      korvalis::updatePdfLayout(std::atoi(argv[2]), std::atoi(argv[3]), {}, false, false);
  std::string error;
  // The window holds the page already: the export call alone is what the user waits for.
  const auto start = std::chrono::steady_clock::now();
  if (korvalis::exportPdf(*page, layout, false, false, argv[4], &error) != 1) {
    std::fprintf(stderr, "pdf_export_bench: %s\n", error.c_str());
    return 1;
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("%.4f\n", took.count());
  return 0;
}
