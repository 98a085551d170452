# Drawing operations of the PDF writer and the metafile forms placed as images.
list(APPEND KORVALIS_PDF_EXTENSION_SOURCES
     ${CMAKE_CURRENT_LIST_DIR}/pdf_drawing.cpp
     ${CMAKE_CURRENT_LIST_DIR}/../metafile/metafile_image.cpp)

set(KORVALIS_PDF_DRAWING_TEST_DIR ${CMAKE_CURRENT_LIST_DIR}/../tests)

# Runs once the directory is processed, when korvalis_pdf exists. The tests read the written
# files back with qpdf and render them with pdftoppm; the viewer's decoder reads the render.
function(korvalis_pdf_drawing_targets)
  korvalis_gtest(korvalis_pdf_drawing_test
    SOURCES ${KORVALIS_PDF_DRAWING_TEST_DIR}/drawing_operations_test.cpp
            ${KORVALIS_PDF_DRAWING_TEST_DIR}/metafile_placement_test.cpp
    LIBS korvalis_pdf korvalis_viewer)
endfunction()
cmake_language(DEFER CALL korvalis_pdf_drawing_targets)
