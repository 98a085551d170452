// The export window's path for bench/pdf/run.sh: the page is in memory (as the viewer keeps it)
// and exportPdf writes it. Usage: pdf_export_bench PAGE.jpg WIDTH HEIGHT OUT.pdf
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
  if (korvalis::exportPdf(*page, layout, false, false, argv[4], &error) != 1) {
    std::fprintf(stderr, "pdf_export_bench: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
