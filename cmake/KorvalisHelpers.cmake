# Shared build helpers.

# korvalis_core_library(NAME SOURCES ... [LIBS ...])
# A toolkit-free core library. A check run at build time fails when one of its sources
# includes a Qt header, so the cores stay usable without Qt (krv, tests, sanitizer builds).
function(korvalis_core_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${name}.noqt.stamp)
  set(files "")
  foreach(src IN LISTS ARG_SOURCES)
    get_filename_component(abs ${src} ABSOLUTE)
    list(APPEND files ${abs})
    get_filename_component(base ${abs} NAME_WLE)
    get_filename_component(dir ${abs} DIRECTORY)
    if(EXISTS ${dir}/${base}.h)
      list(APPEND files ${dir}/${base}.h)
    endif()
  endforeach()
  list(REMOVE_DUPLICATES files)
  string(REPLACE ";" "|" file_arg "${files}")
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DSTAMP=${stamp} "-DFILES=${file_arg}" -P
            ${PROJECT_SOURCE_DIR}/cmake/CheckNoQt.cmake
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/CheckNoQt.cmake
    COMMENT "Checking that ${name} includes no Qt header" VERBATIM)
  add_custom_target(${name}_noqt DEPENDS ${stamp})
  add_dependencies(${name} ${name}_noqt)
endfunction()

# korvalis_gtest(NAME SOURCES ... LIBS ... [LABELS ...])
function(korvalis_gtest name)
  if(NOT KORVALIS_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  # The test-discovery properties take one value per property (a second list element would be
  # lost), so the binary directory is compiled in and only the source directory is passed.
  target_compile_definitions(${name} PRIVATE
    "KORVALIS_TEST_SOURCE_DIR=\"${PROJECT_SOURCE_DIR}\""
    "KORVALIS_TEST_BINARY_DIR=\"${PROJECT_BINARY_DIR}\"")
  # One label, since a list would be split too: "core" or "core-tsan"; `ctest -L` takes a
  # regular expression, so both -L core and -L tsan select the latter.
  string(JOIN "-" label core ${ARG_LABELS})
  gtest_discover_tests(${name}
    PROPERTIES LABELS "${label}"
               ENVIRONMENT "KORVALIS_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
    DISCOVERY_TIMEOUT 60)
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
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    LABELS "ui;${ARG_LABELS}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KORVALIS_SOURCE_DIR=${PROJECT_SOURCE_DIR};KORVALIS_BINARY_DIR=${PROJECT_BINARY_DIR}"
    TIMEOUT 300)
endfunction()
