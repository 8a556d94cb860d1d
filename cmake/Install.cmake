# What `cmake --install` puts under the prefix, and the .deb that CPack builds from it:
#   bin/lathwell-cli, bin/lathwell (when the desktop program is built)
#   share/man/man1/lathwell-cli.1.gz, lathwell.1.gz    manual pages, compressed at build time
#   share/bash-completion/completions/lathwell-cli
#   share/applications/lathwell.desktop, share/icons/hicolor/scalable/apps/lathwell.svg
#   share/doc/lathwell/README.md, LICENSE
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/InstallWindows.cmake)
  return()
endif()
include(GNUInstallDirs)


install(TARGETS lathwell-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
set(lathwell_pages lathwell-cli)
if(TARGET lathwell)
  install(TARGETS lathwell RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  list(APPEND lathwell_pages lathwell)
  install(FILES resources/lathwell.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES resources/lathwell.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# Manual pages: the version goes into the roff source, which is then compressed the way
# Debian wants it (-n: no name or time stamp, so the package builds reproducibly).
find_program(LATHWELL_GZIP gzip REQUIRED)
set(lathwell_man_dir ${CMAKE_BINARY_DIR}/man)
set(lathwell_man_files)
foreach(page ${lathwell_pages})
  configure_file(docs/man/${page}.1.in ${lathwell_man_dir}/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${lathwell_man_dir}/${page}.1.gz
                     COMMAND ${LATHWELL_GZIP} -9 -n -f -k ${page}.1
                     DEPENDS ${lathwell_man_dir}/${page}.1
                     WORKING_DIRECTORY ${lathwell_man_dir}
                     COMMENT "Compressing the manual page ${page}.1")
  list(APPEND lathwell_man_files ${lathwell_man_dir}/${page}.1.gz)
endforeach()
add_custom_target(man_pages ALL DEPENDS ${lathwell_man_files})
install(FILES ${lathwell_man_files} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES resources/lathwell-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME lathwell-cli)
install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lathwell)

# The Debian package. Its dependencies come from the libraries the programs link
# (dpkg-shlibdeps), so they follow whatever Qt and zlib the build used.
set(LATHWELL_PACKAGE_MAINTAINER "The Lathwell developers" CACHE STRING
    "Maintainer field of the Debian package (name <address>)")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lathwell)
set(CPACK_PACKAGE_VENDOR "The Lathwell developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "rewrites flat text files into records of one fixed length")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Lathwell pads or truncates every line of a flat text file to one record length,\n\
optionally blanking unprintable bytes, or converts a CSV file into fixed-field records\n\
laid out by a data definition (DD) file. Input and output may be plain or gzip, and every\n\
record ends in CR LF. It comes as a desktop program (lathwell) and a command-line tool\n\
(lathwell-cli) that reports the statistics of each run.")
set(CPACK_PACKAGE_CONTACT ${LATHWELL_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${LATHWELL_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded as a plug-in, so the library scan cannot see it: Qt draws the window's SVG icon with it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
include(CPack)
