# The layers and what keeps their includes pointing down.
#
# Each layer is a static library that links only the layers below it:
#   tavrin_db -> tavrin_xlsx -> tavrin_domain -> tavrin_ui -> tavrin_windows -> tavrin_app
# A subsystem's folder holds files of two layers (its routines in the domain, its windows above the
# window mechanisms), so no folder above db/ is ever an include path. A layer's headers are included
# by their path from the project's root ("participants/Registration.h") through a folder of the
# layer's own in the build tree, which holds a forwarding header for each header the layer lists
# among its sources and nothing else: a file finds the headers of its own layer and of the layers
# its library links, and an include that runs back up a layer does not build.

# Gives the layer's headers their forwarding headers under build/include/<layer>/, made again at
# every configure (only a changed one is written), and puts that folder on the include path of the
# layer and of what links it.
function(tavrin_expose_headers layer)
  get_target_property(sources ${layer} SOURCES)
  get_target_property(dir ${layer} SOURCE_DIR)
  set(root ${CMAKE_BINARY_DIR}/include/${layer})
  set(made)
  foreach(source IN LISTS sources)
    if(NOT source MATCHES "\\.h$")
      continue()
    endif()
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${dir} NORMALIZE)
    cmake_path(RELATIVE_PATH source BASE_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE name)
    file(CONFIGURE OUTPUT ${root}/${name} CONTENT "#include \"${source}\"\n")
    list(APPEND made ${root}/${name})
  endforeach()
  file(GLOB_RECURSE standing ${root}/*.h)
  foreach(file IN LISTS standing)
    if(NOT file IN_LIST made)
      file(REMOVE ${file})  # a header that left the layer
    endif()
  endforeach()
  target_include_directories(${layer} PUBLIC ${root})
endfunction()
