# The build refuses an include that runs back up a layer. Run by CTest:
#   cmake -DBUILD=DIR -DPROBES="name=outcome;..." -DROOT=DIR -DCHECK=FILE -DWIDGETS=DIRS -DWIDGETS_FROM=RANK
#         -DWORK=DIR -P layers_test.cmake
# 1. Each probe (tests/CMakeLists.txt: a generated file of one layer that includes one header) is
#    built: "refused" ones must fail for want of the header, "builds" ones must build.
# 2. The layer check, on a scratch tree, names what include paths cannot stop: a header of a higher
#    layer beside the file in its folder, a widget header in the domain; the same tree without them
#    passes.

set(failures)
foreach(probe IN LISTS PROBES)
  string(REPLACE "=" ";" probe "${probe}")
  list(GET probe 0 name)
  list(GET probe 1 outcome)
  list(GET probe 2 header)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD} --target ${name}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(outcome STREQUAL "builds" AND NOT rc EQUAL 0)
    list(APPEND failures "${name} should build:\n${out}")
  elseif(outcome STREQUAL "refused" AND (rc EQUAL 0 OR NOT out MATCHES "${header}: No such file"))
    list(APPEND failures "${name} should be refused for want of ${header}:\n${out}")
  endif()
endforeach()

# Runs the check on the scratch tree: its exit code and what it said.
function(check_scratch rc_var out_var)
  execute_process(COMMAND ${CMAKE_COMMAND} -DMANIFEST=${WORK}/layers.txt -DROOT=${WORK} "-DWIDGETS=${WIDGETS}"
                          -DWIDGETS_FROM=${WIDGETS_FROM} -P ${CHECK}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  set(${rc_var} ${rc} PARENT_SCOPE)
  set(${out_var} "${out}" PARENT_SCOPE)
endfunction()

# The scratch tree: a domain file and a window header side by side in participants/, a ui header.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/participants ${WORK}/ui)
file(WRITE ${WORK}/participants/UScratch.h "#pragma once\n#include <QDialog>\n")
file(WRITE ${WORK}/ui/Combo.h "#pragma once\n#include <QComboBox>\n")
file(WRITE ${WORK}/participants/Scratch.h "#pragma once\n#include <QString>\n")
file(WRITE ${WORK}/participants/Scratch.cpp "#include \"Scratch.h\"\n#include <QStringList>\n")
file(WRITE ${WORK}/layers.txt "3;tavrin_domain;${WORK}/participants/Scratch.cpp\n3;tavrin_domain;${WORK}/participants/Scratch.h\n"
                              "4;tavrin_ui;${WORK}/ui/Combo.h\n5;tavrin_windows;${WORK}/participants/UScratch.h\n")
check_scratch(rc out)
if(NOT rc EQUAL 0)
  list(APPEND failures "the scratch tree with includes that point down should pass:\n${out}")
endif()
file(APPEND ${WORK}/participants/Scratch.cpp "#include \"UScratch.h\"\n#include \"ui/Combo.h\"\n#include <QWidget>\n"
                                             "#include <QtCharts/QChart>\n")
check_scratch(rc out)
if(rc EQUAL 0)
  list(APPEND failures "the check let upward includes pass")
endif()
foreach(said IN ITEMS "participants/Scratch.cpp: #include \"UScratch.h\" runs up from tavrin_domain to tavrin_windows"
                      "participants/Scratch.cpp: #include \"ui/Combo.h\" runs up from tavrin_domain to tavrin_ui"
                      "participants/Scratch.cpp: #include <QWidget> is a widget header"
                      "participants/Scratch.cpp: #include <QtCharts/QChart> is a widget header")
  string(FIND "${out}" "${said}" at)
  if(at EQUAL -1)
    list(APPEND failures "the check should say «${said}»:\n${out}")
  endif()
endforeach()

if(failures)
  list(JOIN failures "\n\n" text)
  message(FATAL_ERROR "${text}")
endif()
