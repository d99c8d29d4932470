# Makes the Debian package of the build folder with CPack and checks it as apt would meet it: its
# file name, the files it installs, the dependencies dpkg-shlibdeps found, that its stripped tool
# runs from the installed layout, that lintian finds no error in it, and (as root) that it installs
# and works for ordinary users (install_as_users.sh).
#   cmake -DCPACK=<cpack> -DBUILD=<build folder> -DOUT=<scratch folder> -DUSERS=<install_as_users.sh> -P check_package.cmake

file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${CPACK} -G DEB --config ${BUILD}/CPackConfig.cmake -B ${OUT}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${out}${err}")
endif()

execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch OUTPUT_STRIP_TRAILING_WHITESPACE)
file(GLOB debs ${OUT}/tavrin_*_${arch}.deb)
list(LENGTH debs n)
if(NOT n EQUAL 1)
  file(GLOB made ${OUT}/*.deb)
  message(FATAL_ERROR "expected one tavrin_<version>_${arch}.deb, found: ${made}")
endif()

execute_process(COMMAND dpkg-deb -c ${debs} OUTPUT_VARIABLE contents RESULT_VARIABLE rc)
foreach(f ./usr/bin/tavrin ./usr/bin/tavrin-db ./usr/share/tavrin/Pril.xlsx ./usr/share/applications/tavrin.desktop
          ./usr/share/icons/hicolor/scalable/apps/tavrin.svg ./usr/share/doc/tavrin/copyright
          ./usr/share/doc/tavrin/changelog.Debian.gz ./usr/share/man/man1/tavrin.1.gz ./usr/share/man/man1/tavrin-db.1.gz
          ./usr/share/man/ru/man1/tavrin.1.gz ./usr/share/man/ru/man1/tavrin-db.1.gz)
  if(NOT contents MATCHES " ${f}\n")
    message(FATAL_ERROR "the package lacks ${f}:\n${contents}")
  endif()
endforeach()

execute_process(COMMAND dpkg-deb -f ${debs} Depends OUTPUT_VARIABLE depends)
foreach(p libfbclient2 libqt6widgets6 libzip4 firebird3.0-server-core qt6-translations-l10n)
  if(NOT depends MATCHES "(^|, )${p}( |,|\n|$)")
    message(FATAL_ERROR "the package does not depend on ${p}: ${depends}")
  endif()
endforeach()

# A spreadsheet program is suggested, never pulled in with the package.
execute_process(COMMAND dpkg-deb -f ${debs} Recommends Suggests OUTPUT_VARIABLE relations)
if(relations MATCHES "Recommends:[^\n]*libreoffice" OR NOT relations MATCHES "Suggests:[^\n]*libreoffice-calc")
  message(FATAL_ERROR "LibreOffice belongs in Suggests only: ${relations}")
endif()

find_program(LINTIAN lintian)
if(LINTIAN)
  execute_process(COMMAND ${LINTIAN} --fail-on error ${debs} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "lintian finds errors in the package:\n${out}${err}")
  endif()
  message(STATUS "lintian: ${out}")
else()
  message(STATUS "lintian is not installed: the package is not checked by it")
endif()

# The stripped tool makes a database from the installed layout.
execute_process(COMMAND dpkg-deb -x ${debs} ${OUT}/root RESULT_VARIABLE rc)
execute_process(COMMAND ${OUT}/root/usr/bin/tavrin-db create ${OUT}/made.fdb RESULT_VARIABLE rc OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT EXISTS ${OUT}/made.fdb)
  message(FATAL_ERROR "the packaged tavrin-db failed:\n${out}${err}")
endif()

execute_process(COMMAND bash ${USERS} ${debs} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the installed package failed its users:\n${out}${err}")
endif()
message(STATUS "${out}")
file(REMOVE_RECURSE ${OUT})
