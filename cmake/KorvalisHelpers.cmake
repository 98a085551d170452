# Shared build helpers.

include(${CMAKE_CURRENT_LIST_DIR}/KorvalisLayers.cmake)

# Each core library's folder and layer ("folder|layer" lines), written by korvalis_finish().
set(KORVALIS_LAYER_MAP ${CMAKE_BINARY_DIR}/korvalis_layers.txt)

# korvalis_core_library(NAME LAYER LAYER SOURCES ... [LIBS ...])
# A toolkit-free core library on one of the layers in KorvalisLayers.cmake. A check run at build
# time follows every project header its sources include, directly or through other headers, and
# fails when one of them includes a Qt header or a header of a higher layer (except the includes
# listed in cmake/layer_exceptions.txt). So the cores stay usable without Qt (krv, tests,
# sanitizer builds) and the layers stay apart.
function(korvalis_core_library name)
  cmake_parse_arguments(ARG "" "LAYER" "SOURCES;LIBS" ${ARGN})
  korvalis_layer_rank("${ARG_LAYER}" rank)
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set_property(GLOBAL APPEND PROPERTY KORVALIS_LAYER_FOLDERS "${folder}|${ARG_LAYER}")
  set(files "")
  foreach(src IN LISTS ARG_SOURCES)
    get_filename_component(abs ${src} ABSOLUTE)
    list(APPEND files ${abs})
  endforeach()
  string(REPLACE ";" "|" file_arg "${files}")
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${name}.includes.stamp)
  set(exceptions ${PROJECT_SOURCE_DIR}/cmake/layer_exceptions.txt)
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DNAME=${name} -DLAYER=${ARG_LAYER}
            -DSOURCE_ROOT=${PROJECT_SOURCE_DIR} "-DFILES=${file_arg}"
            -DLAYER_MAP=${KORVALIS_LAYER_MAP} -DEXCEPTIONS=${exceptions} -DSTAMP=${stamp}
            -DDEPFILE=${stamp}.d -P ${PROJECT_SOURCE_DIR}/cmake/CheckCoreIncludes.cmake
    DEPENDS ${files} ${KORVALIS_LAYER_MAP} ${exceptions}
            ${PROJECT_SOURCE_DIR}/cmake/CheckCoreIncludes.cmake
            ${PROJECT_SOURCE_DIR}/cmake/KorvalisLayers.cmake
    DEPFILE ${stamp}.d
    COMMENT "Checking the includes of ${name} (no Qt, no higher layer)" VERBATIM)
  add_custom_target(${name}_includes DEPENDS ${stamp})
  add_dependencies(${name} ${name}_includes)
endfunction()

# Test programs find the source and build trees through these compiled-in paths (and nothing
# else): KORVALIS_TEST_SOURCE_DIR and KORVALIS_TEST_BINARY_DIR.
function(korvalis_test_paths name)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE
    "KORVALIS_TEST_SOURCE_DIR=\"${PROJECT_SOURCE_DIR}\""
    "KORVALIS_TEST_BINARY_DIR=\"${PROJECT_BINARY_DIR}\"")
endfunction()

# korvalis_gtest_pch(): the test framework's headers compiled once (korvalis_gtest_pch) and
# reused by every gtest program; parsing them is most of the compile time of a small test file.
# A reused header needs the same code-generation flags everywhere, so the programs and the
# header are all position-independent (the programs that link Qt are anyway).
function(korvalis_gtest_pch)
  add_library(korvalis_gtest_pch STATIC ${PROJECT_SOURCE_DIR}/platform/testing/gtest_pch.cpp)
  target_link_libraries(korvalis_gtest_pch PRIVATE GTest::gtest GTest::gmock)
  set_target_properties(korvalis_gtest_pch PROPERTIES AUTOMOC OFF)
  target_compile_options(korvalis_gtest_pch PRIVATE -fPIC)
  korvalis_test_paths(korvalis_gtest_pch)
  target_precompile_headers(korvalis_gtest_pch PRIVATE <gtest/gtest.h> <gmock/gmock.h>)
endfunction()

# korvalis_gtest(NAME SOURCES ... LIBS ... [LABELS ...])
# LABELS tsan: the program's tests also run in the thread-sanitizer build (korvalis_tsan_tests).
function(korvalis_gtest name)
  if(NOT KORVALIS_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  korvalis_test_paths(${name})
  target_compile_options(${name} PRIVATE -fPIC)
  target_precompile_headers(${name} REUSE_FROM korvalis_gtest_pch)
  set_property(GLOBAL APPEND PROPERTY KORVALIS_CORE_TEST_PROGRAMS ${name})
  if("tsan" IN_LIST ARG_LABELS)
    set_property(GLOBAL APPEND PROPERTY KORVALIS_TSAN_TEST_PROGRAMS ${name})
  endif()
  # One label, since the test-discovery properties take one value per property (a list would be
  # split): "core" or "core-tsan"; `ctest -L` takes a regular expression, so both -L core and
  # -L tsan select the latter.
  string(JOIN "-" label core ${ARG_LABELS})
  gtest_discover_tests(${name} PROPERTIES LABELS "${label}" DISCOVERY_TIMEOUT 60)
endfunction()

# korvalis_qtest(NAME SOURCES ... LIBS ... [LABELS ...])
# A QtTest program run headless (offscreen platform plugin).
function(korvalis_qtest name)
  if(NOT KORVALIS_BUILD_TESTS OR NOT KORVALIS_BUILD_UI)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test Qt6::Widgets)
  korvalis_test_paths(${name})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    LABELS "ui;${ARG_LABELS}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    TIMEOUT 300)
endfunction()

# Called once at the end of the top-level CMakeLists.txt, when every target is defined: writes
# the layer map the include checks read and adds korvalis_tsan_tests, which builds every test
# program labelled tsan (the thread-sanitizer step builds it and runs `ctest -L tsan`), and
# korvalis_asan_tests, which builds what the tests labelled core, fuzz and monkey run (the
# address-sanitizer step builds it; the UI's own test programs are left out there).
function(korvalis_finish)
  get_property(folders GLOBAL PROPERTY KORVALIS_LAYER_FOLDERS)
  list(JOIN folders "\n" text)
  set(content "${text}\n")
  set(old "")
  if(EXISTS ${KORVALIS_LAYER_MAP})
    file(READ ${KORVALIS_LAYER_MAP} old)
  endif()
  if(NOT old STREQUAL content)
    file(WRITE ${KORVALIS_LAYER_MAP} "${content}")
  endif()
  get_property(programs GLOBAL PROPERTY KORVALIS_TSAN_TEST_PROGRAMS)
  add_custom_target(korvalis_tsan_tests)
  if(programs)
    add_dependencies(korvalis_tsan_tests ${programs})
  endif()
  get_property(core GLOBAL PROPERTY KORVALIS_CORE_TEST_PROGRAMS)
  add_custom_target(korvalis_asan_tests)
  foreach(target IN LISTS core ITEMS krv readme-example korvalis_archive_server korvalis_fuzzers
                 korvalis_monkey)
    if(TARGET ${target})
      add_dependencies(korvalis_asan_tests ${target})
    endif()
  endforeach()
endfunction()
