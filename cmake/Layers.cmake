# The layers and what keeps their includes pointing down.
#
# Each layer is a static library that links only the layers below it:
#   tavrin_db -> tavrin_xlsx -> tavrin_domain -> tavrin_ui -> tavrin_windows -> tavrin_app
# A subsystem's folder holds files of two layers (its routines in the domain, its windows above the
# window mechanisms), so no folder above db/ is ever an include path. A layer's headers are included
# by their path from the project's root ("participants/Registration.h") through a folder of the
# layer's own in the build tree, which holds a forwarding header for each header the layer lists
# among its sources and nothing else: a file finds the headers of its own layer and of the layers
# its library links, and an include that runs back up a layer does not build. What include paths
# cannot stop (a header of a higher layer beside the file in its folder, a widget header below the
# window mechanisms) the layer check refuses before anything is compiled (check_layers.cmake).

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

# The layer check: every source of the layers, lowest first, is read before any of them is
# compiled, and an include that runs up a layer fails the build, naming the file and the include.
#   tavrin_check_layers(LAYERS db xlsx ... [TARGETS LAYER:TARGET ...] WIDGETS_FROM LAYER)
# TARGETS are further targets of a layer (the program beside its application library); below the
# WIDGETS_FROM layer no file includes a widget header.
function(tavrin_check_layers)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "WIDGETS_FROM" "LAYERS;TARGETS")
  set(manifest "")
  set(inputs)
  set(rank 0)
  foreach(layer IN LISTS arg_LAYERS)
    math(EXPR rank "${rank} + 1")
    set(rank_${layer} ${rank})
  endforeach()
  set(targets ${arg_LAYERS})
  foreach(entry IN LISTS arg_LAYERS arg_TARGETS)
    string(REGEX MATCH "[^:]+$" target ${entry})
    string(REGEX MATCH "^[^:]+" layer ${entry})
    list(APPEND targets ${target})
    get_target_property(sources ${target} SOURCES)
    get_target_property(dir ${target} SOURCE_DIR)
    foreach(source IN LISTS sources)
      if(source MATCHES "\\.(h|cpp)$")
        cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${dir} NORMALIZE)
        string(APPEND manifest "${rank_${layer}};${layer};${source}\n")
        list(APPEND inputs ${source})
      endif()
    endforeach()
  endforeach()
  set(list ${CMAKE_BINARY_DIR}/layers.txt)
  file(CONFIGURE OUTPUT ${list} CONTENT "${manifest}")
  # Where the widget headers are.
  set(widgets)
  foreach(module Qt6::Widgets Qt6::Charts)
    get_target_property(dirs ${module} INTERFACE_INCLUDE_DIRECTORIES)
    foreach(d IN LISTS dirs)
      if(d MATCHES "/Qt(Widgets|Charts)$")
        list(APPEND widgets ${d})
      endif()
    endforeach()
  endforeach()
  set(stamp ${CMAKE_BINARY_DIR}/layers.checked)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DMANIFEST=${list} -DROOT=${PROJECT_SOURCE_DIR} "-DWIDGETS=${widgets}"
            -DWIDGETS_FROM=${rank_${arg_WIDGETS_FROM}} -P ${PROJECT_SOURCE_DIR}/cmake/check_layers.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${inputs} ${list} ${PROJECT_SOURCE_DIR}/cmake/check_layers.cmake
    COMMENT "Checking that every include points down a layer"
    VERBATIM)
  add_custom_target(layer-check DEPENDS ${stamp})
  foreach(target IN LISTS targets)
    add_dependencies(${target} layer-check)
  endforeach()
  # For the test that tries upward includes.
  set(TAVRIN_WIDGET_DIRS "${widgets}" PARENT_SCOPE)
  set(TAVRIN_WIDGETS_FROM ${rank_${arg_WIDGETS_FROM}} PARENT_SCOPE)
endfunction()
