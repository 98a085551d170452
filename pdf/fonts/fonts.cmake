# Font selection, font output and text operations of the PDF writer.
list(APPEND KORVALIS_PDF_EXTENSION_SOURCES
     ${CMAKE_CURRENT_LIST_DIR}/pdf_fonts.cpp
     ${CMAKE_CURRENT_LIST_DIR}/font_output.cpp
     ${CMAKE_CURRENT_LIST_DIR}/text_ops.cpp)

function(korvalis_pdf_font_targets)
  korvalis_gtest(korvalis_pdf_fonts_text_test
    SOURCES ${KORVALIS_PDF_EXTENSION_DIR}/tests/fonts_output_test.cpp
            ${KORVALIS_PDF_EXTENSION_DIR}/tests/text_cell_test.cpp
    LIBS korvalis_pdf)
endfunction()
cmake_language(DEFER CALL korvalis_pdf_font_targets)
