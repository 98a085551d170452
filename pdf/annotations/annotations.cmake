# Links, notes, bookmarks, attachments and the document script of the PDF writer, and the
# sample program that exercises every operation of the writer.
list(APPEND KORVALIS_PDF_EXTENSION_SOURCES
     ${CMAKE_CURRENT_LIST_DIR}/../pdf_outline.cpp
     ${CMAKE_CURRENT_LIST_DIR}/../pdf_string.cpp
     ${CMAKE_CURRENT_LIST_DIR}/page_destination.cpp
     ${CMAKE_CURRENT_LIST_DIR}/pdf_links.cpp
     ${CMAKE_CURRENT_LIST_DIR}/pdf_bookmarks.cpp
     ${CMAKE_CURRENT_LIST_DIR}/pdf_attachments.cpp
     ${CMAKE_CURRENT_LIST_DIR}/pdf_script.cpp
     ${CMAKE_CURRENT_LIST_DIR}/annotation_hooks.cpp)

function(korvalis_pdf_annotation_targets)
  korvalis_gtest(korvalis_pdf_annotations_test
    SOURCES ${KORVALIS_PDF_EXTENSION_DIR}/tests/annotations_output_test.cpp
    LIBS korvalis_pdf)
  # Runs the sample program and reads its document back with qpdf and poppler.
  korvalis_gtest(korvalis_pdf_sample_test
    SOURCES ${KORVALIS_PDF_EXTENSION_DIR}/tests/sample_output_test.cpp)
  if(TARGET korvalis_pdf_sample_test)
    target_compile_definitions(korvalis_pdf_sample_test
      PRIVATE "KORVALIS_PDF_SAMPLE=\"$<TARGET_FILE:pdf-sample>\"")
    add_dependencies(korvalis_pdf_sample_test pdf-sample)
  endif()
endfunction()
cmake_language(DEFER CALL korvalis_pdf_annotation_targets)
