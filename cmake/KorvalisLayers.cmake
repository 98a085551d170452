# The layers of the code, lowest first. A core library may include headers of its own layer and
# of the layers below it, never of a layer above:
#   platform <- subsystem (pdf, records, viewer, archive) <- feature (print, batch, nav)
#            <- app <- top (the Qt windows, the executables, tools, benchmarks and tests)
set(KORVALIS_LAYERS platform subsystem feature app top)

# korvalis_layer_rank(LAYER OUT): the position of LAYER in KORVALIS_LAYERS; an unknown name is
# a configuration error.
function(korvalis_layer_rank layer out)
  list(FIND KORVALIS_LAYERS "${layer}" rank)
  if(rank LESS 0)
    message(FATAL_ERROR "Unknown layer \"${layer}\"; the layers are: ${KORVALIS_LAYERS}")
  endif()
  set(${out} ${rank} PARENT_SCOPE)
endfunction()
