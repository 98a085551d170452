# Fuzz targets (libFuzzer, clang) for the parsers of untrusted input: record files, save lists, the
# archive's answers, page images, and the PDF writer's image walks, TrueType and metafile
# readers. Built by the `fuzz` preset; each target runs as a CTest test for
# KORVALIS_FUZZ_SECONDS, starting from its seeds.
set(KORVALIS_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs as a test")
add_custom_target(korvalis_fuzzers)

# korvalis_fuzzer(NAME DIR LIBRARY [SEEDS]): the target NAME built from DIR/NAME.cpp (DIR below
# the top of the source tree) against LIBRARY, starting from the seeds in DIR/SEEDS ("seeds").
function(korvalis_fuzzer name dir library)
  set(seeds ${PROJECT_SOURCE_DIR}/${dir}/seeds)
  if(ARGC GREATER 3)
    set(seeds ${PROJECT_SOURCE_DIR}/${dir}/${ARGV3})
  endif()
  add_executable(${name} ${PROJECT_SOURCE_DIR}/${dir}/${name}.cpp)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${library})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  add_dependencies(korvalis_fuzzers ${name})
  # New inputs go to a corpus in the build tree; the seeds in the source tree are only read.
  set(corpus ${CMAKE_BINARY_DIR}/fuzz-corpus/${name})
  file(MAKE_DIRECTORY ${corpus})
  add_test(NAME ${name}
           COMMAND ${name} -max_total_time=${KORVALIS_FUZZ_SECONDS} -rss_limit_mb=2048
                   -timeout=10 ${corpus} ${seeds})
  set_tests_properties(${name} PROPERTIES LABELS fuzz)
endfunction()

korvalis_fuzzer(fuzz_record_file records/tests/fuzz korvalis_records)
korvalis_fuzzer(fuzz_service_answers archive/tests/fuzz korvalis_archive)
korvalis_fuzzer(fuzz_decode viewer/tests/fuzz korvalis_viewer)
korvalis_fuzzer(fuzz_image_parsers pdf/tests/fuzz korvalis_pdf)
korvalis_fuzzer(fuzz_true_type pdf/tests/fuzz korvalis_pdf true_type_seeds)
korvalis_fuzzer(fuzz_metafile pdf/tests/fuzz korvalis_pdf metafile_seeds)
korvalis_fuzzer(fuzz_save_list batch/tests/fuzz korvalis_batch)
