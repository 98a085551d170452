# Fonts, drawing and text, annotations, outlines, attachments and the document script of the
# PDF writer. Included by pdf/CMakeLists.txt before korvalis_pdf is added. Each part lists its
# sources in a fragment of its own and adds its tests in a deferred call.
set(KORVALIS_PDF_EXTENSION_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/fonts/base_font_widths.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fonts/base_font.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fonts/ascii85.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fonts/true_type_font.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fonts/installed_font.cpp
    ${CMAKE_CURRENT_LIST_DIR}/metafile/metafile_form.cpp)

set(KORVALIS_PDF_EXTENSION_DIR ${CMAKE_CURRENT_LIST_DIR})
find_package(Fontconfig REQUIRED)

include(${CMAKE_CURRENT_LIST_DIR}/fonts/fonts.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/drawing/drawing.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/annotations/annotations.cmake)

# Runs once the directory is processed, when korvalis_pdf exists.
function(korvalis_pdf_extension_targets)
  target_link_libraries(korvalis_pdf PUBLIC Fontconfig::Fontconfig korvalis_platform_core)
  korvalis_gtest(korvalis_pdf_font_files_test
    SOURCES ${KORVALIS_PDF_EXTENSION_DIR}/tests/font_files_test.cpp
    LIBS korvalis_pdf korvalis_platform_core)
  korvalis_gtest(korvalis_pdf_metafile_form_test
    SOURCES ${KORVALIS_PDF_EXTENSION_DIR}/tests/metafile_form_test.cpp
    LIBS korvalis_pdf)
endfunction()
cmake_language(DEFER CALL korvalis_pdf_extension_targets)
