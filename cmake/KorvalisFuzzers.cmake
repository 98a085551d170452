# Fuzz targets (libFuzzer, clang) for the parsers of untrusted input: record files, the
# archive's answers, page images, and the PDF writer's image walks, TrueType and metafile
# readers. Built by the `fuzz` preset; each target runs as a CTest test for
# KORVALIS_FUZZ_SECONDS, starting from its seeds.
set(KORVALIS_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs as a test")
add_custom_target(korvalis_fuzzers)

# korvalis_fuzzer(NAME SOURCE file SEEDS dir LIBS ...)
function(korvalis_fuzzer name)
  cmake_parse_arguments(ARG "" "SOURCE;SEEDS" "LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCE})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  add_dependencies(korvalis_fuzzers ${name})
  # New inputs go to a corpus in the build tree; the seeds in the source tree are only read.
  set(corpus ${CMAKE_BINARY_DIR}/fuzz-corpus/${name})
  file(MAKE_DIRECTORY ${corpus})
  add_test(NAME ${name}
           COMMAND ${name} -max_total_time=${KORVALIS_FUZZ_SECONDS} -rss_limit_mb=2048
                   -timeout=10 ${corpus} ${ARG_SEEDS})
  set_tests_properties(${name} PROPERTIES LABELS fuzz)
endfunction()

korvalis_fuzzer(fuzz_record_file
  SOURCE ${PROJECT_SOURCE_DIR}/records/tests/fuzz/fuzz_record_file.cpp
  SEEDS ${PROJECT_SOURCE_DIR}/records/tests/fuzz/seeds
  LIBS korvalis_records)
korvalis_fuzzer(fuzz_service_answers
  SOURCE ${PROJECT_SOURCE_DIR}/archive/tests/fuzz/fuzz_service_answers.cpp
  SEEDS ${PROJECT_SOURCE_DIR}/archive/tests/fuzz/seeds
  LIBS korvalis_archive)
korvalis_fuzzer(fuzz_decode
  SOURCE ${PROJECT_SOURCE_DIR}/viewer/tests/fuzz/fuzz_decode.cpp
  SEEDS ${PROJECT_SOURCE_DIR}/viewer/tests/fuzz/seeds
  LIBS korvalis_viewer)
korvalis_fuzzer(fuzz_pdf_image_parsers
  SOURCE ${PROJECT_SOURCE_DIR}/pdf/tests/fuzz/fuzz_image_parsers.cpp
  SEEDS ${PROJECT_SOURCE_DIR}/pdf/tests/fuzz/seeds
  LIBS korvalis_pdf)
korvalis_fuzzer(fuzz_pdf_true_type
  SOURCE ${PROJECT_SOURCE_DIR}/pdf/tests/fuzz/fuzz_true_type.cpp
  SEEDS ${PROJECT_SOURCE_DIR}/pdf/tests/fuzz/true_type_seeds
  LIBS korvalis_pdf)
korvalis_fuzzer(fuzz_pdf_metafile
  SOURCE ${PROJECT_SOURCE_DIR}/pdf/tests/fuzz/fuzz_metafile.cpp
  SEEDS ${PROJECT_SOURCE_DIR}/pdf/tests/fuzz/metafile_seeds
  LIBS korvalis_pdf)
