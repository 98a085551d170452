# Checks what a toolkit-free core library includes, following every project header it reaches
# (transitively), and fails the build when
#   - one of those files includes a Qt header, or
#   - one of them includes a project header of a layer above the library's own (see the layer
#     list in KorvalisHelpers.cmake), unless that include is listed in EXCEPTIONS.
# An upward header is reported and not followed further. Writes STAMP when the library passes
# and DEPFILE (the files read) so the check runs again whenever one of them changes.
#
# Arguments (-D): NAME, LAYER (a layer name), SOURCE_ROOT, FILES ("|"-separated), LAYER_MAP (a
# file of "folder|layer" lines, folders relative to SOURCE_ROOT), EXCEPTIONS, STAMP, DEPFILE.

cmake_policy(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/KorvalisLayers.cmake)

korvalis_layer_rank(${LAYER} own_rank)

file(STRINGS "${LAYER_MAP}" map_lines)
file(STRINGS "${EXCEPTIONS}" exception_lines REGEX "->")
set(exceptions "")
foreach(line IN LISTS exception_lines)
  string(REGEX REPLACE "#.*" "" line "${line}")
  string(REGEX REPLACE "[ \t]+" "" line "${line}")
  if(line)
    list(APPEND exceptions "${line}")
  endif()
endforeach()

# The layer of the project file `rel` (relative to the source root): windows, Qt code, tests and
# test helpers are on top; otherwise the library folder that holds it most closely decides; a file
# outside every core library's folder (tools, benchmarks) is on top too.
function(layer_of rel out)
  if(rel MATCHES "(^|/)(ui|qt|tests|testing)/")
    korvalis_layer_rank(top rank)
    set(${out} ${rank} PARENT_SCOPE)
    return()
  endif()
  set(best_length -1)
  korvalis_layer_rank(top best_rank)
  foreach(entry IN LISTS map_lines)
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 folder)
    list(GET entry 1 layer)
    string(LENGTH "${folder}" length)
    string(FIND "${rel}" "${folder}/" position)
    if(position EQUAL 0)
      if(length GREATER best_length)
        set(best_length ${length})
        korvalis_layer_rank(${layer} best_rank)
      endif()
    endif()
  endforeach()
  set(${out} ${best_rank} PARENT_SCOPE)
endfunction()

string(REPLACE "|" ";" queue "${FILES}")
set(seen ${queue})
set(problems "")
while(queue)
  list(POP_FRONT queue file)
  file(RELATIVE_PATH file_rel "${SOURCE_ROOT}" "${file}")
  get_filename_component(file_dir "${file}" DIRECTORY)
  file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*" "\\1" target "${line}")
    if(target MATCHES "^(Q[A-Za-z]+|Qt[A-Za-z]*/)")
      list(APPEND problems "${file_rel} includes the Qt header <${target}>")
      continue()
    endif()
    if(NOT line MATCHES "\"")
      continue()  # a system or library header
    endif()
    if(EXISTS "${file_dir}/${target}")
      get_filename_component(header "${file_dir}/${target}" ABSOLUTE)
    elseif(EXISTS "${SOURCE_ROOT}/${target}")
      get_filename_component(header "${SOURCE_ROOT}/${target}" ABSOLUTE)
    else()
      continue()  # generated during the build (moc), not a project header
    endif()
    file(RELATIVE_PATH header_rel "${SOURCE_ROOT}" "${header}")
    layer_of("${header_rel}" header_rank)
    if(header_rank GREATER own_rank)
      if(NOT "${file_rel}->${header_rel}" IN_LIST exceptions)
        list(APPEND problems "${file_rel} includes ${header_rel}, a header of a higher layer")
      endif()
      continue()
    endif()
    if(NOT header IN_LIST seen)
      list(APPEND seen "${header}")
      list(APPEND queue "${header}")
    endif()
  endforeach()
endwhile()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "${NAME} (layer ${LAYER}) is a toolkit-free core library:\n  ${text}\n"
                      "A core library includes only headers of its own layer or those below it "
                      "(docs/architecture.md, \"Layers\").")
endif()

set(deps "")
foreach(f IN LISTS seen)
  string(REPLACE " " "\\ " f "${f}")
  string(APPEND deps " ${f}")
endforeach()
file(WRITE "${DEPFILE}" "${STAMP}:${deps}\n")
file(WRITE "${STAMP}" "ok\n")
