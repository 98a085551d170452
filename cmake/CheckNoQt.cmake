# Fails when one of FILES includes a Qt header; writes STAMP otherwise.
string(REPLACE "|" ";" FILE_LIST "${FILES}")
foreach(f IN LISTS FILE_LIST)
  file(STRINGS "${f}" hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]+|Qt[A-Za-z]*/)")
  if(hits)
    message(FATAL_ERROR "${f} is part of a toolkit-free core library but includes Qt: ${hits}")
  endif()
endforeach()
file(WRITE "${STAMP}" "ok\n")
