# What `cmake --install` puts under the prefix, in three components named after the Debian
# packages that debian/rules makes of them (`cmake --install build --component lathwell-cli`):
#
#   lathwell-cli    bin/lathwell-cli; share/man/man1/lathwell-cli.1.gz, man5/lathwell-dd.5.gz;
#                   share/bash-completion/completions/lathwell-cli;
#                   share/doc/lathwell-cli/: README.md, docs/*.md, examples/ (sample files)
#   lathwell        bin/lathwell, share/man/man1/lathwell.1.gz, share/applications/lathwell.desktop,
#                   share/icons/hicolor/scalable/apps/lathwell.svg (when the window is built)
#   libmarlpit-dev  include/marlpit/*.h (the library's public headers, not lib/platform's),
#                   LIBDIR/libmarlpit_*.a, LIBDIR/cmake/Marlpit/ (find_package(Marlpit) gives
#                   Marlpit::marlpit), LIBDIR/pkgconfig/marlpit.pc
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/InstallWindows.cmake)
  return()
endif()
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(lathwell_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/lathwell-cli)
# Named in the manual pages.
set(LATHWELL_DOC_DIR ${CMAKE_INSTALL_FULL_DATADIR}/doc/lathwell-cli)
set(LATHWELL_EXAMPLES_DIR ${LATHWELL_DOC_DIR}/examples)

# --- lathwell-cli and lathwell: the programs.

# Manual pages: the version and the installed paths go into the roff source, which is then
# compressed the way Debian wants it (-n: no name or time stamp, so the package builds
# reproducibly). The target man_pages builds them all.
find_program(LATHWELL_GZIP gzip REQUIRED)
add_custom_target(man_pages ALL)
function(lathwell_man_page page component)
  set(dir ${CMAKE_BINARY_DIR}/man)
  string(REGEX REPLACE ".*\\." "" section ${page})
  configure_file(docs/man/${page}.in ${dir}/${page} @ONLY)
  add_custom_command(OUTPUT ${dir}/${page}.gz
                     COMMAND ${LATHWELL_GZIP} -9 -n -f -k ${page}
                     DEPENDS ${dir}/${page}
                     WORKING_DIRECTORY ${dir}
                     COMMENT "Compressing the manual page ${page}")
  add_custom_target(man_page_${page} DEPENDS ${dir}/${page}.gz)
  add_dependencies(man_pages man_page_${page})
  install(FILES ${dir}/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT ${component})
endfunction()

install(TARGETS lathwell-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT lathwell-cli)
lathwell_man_page(lathwell-cli.1 lathwell-cli)
lathwell_man_page(lathwell-dd.5 lathwell-cli)
if(TARGET lathwell)
  install(TARGETS lathwell RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT lathwell)
  lathwell_man_page(lathwell.1 lathwell)
  install(FILES resources/lathwell.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
          COMPONENT lathwell)
  install(FILES resources/lathwell.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          COMPONENT lathwell)
endif()

install(FILES resources/lathwell-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME lathwell-cli
        COMPONENT lathwell-cli)
# The README links docs/*.md by relative paths, which hold in the installed folder too.
install(FILES README.md DESTINATION ${lathwell_doc_dir} COMPONENT lathwell-cli)
install(FILES docs/cli.md docs/dd-format.md docs/split-inputs.md DESTINATION ${lathwell_doc_dir}/docs
        COMPONENT lathwell-cli)
install(FILES examples/deaths.csv examples/deaths.dd examples/flat.txt examples/population.csv
        DESTINATION ${lathwell_doc_dir}/examples COMPONENT lathwell-cli)

# --- libmarlpit-dev: the library for other programs.

set(marlpit_parts base io ini startup)
set(marlpit_include_dir ${CMAKE_INSTALL_INCLUDEDIR}/marlpit)
set(marlpit_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Marlpit)
foreach(part ${marlpit_parts})
  file(GLOB headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/lib/${part}/*.h)
  install(FILES ${headers} DESTINATION ${marlpit_include_dir} COMPONENT libmarlpit-dev)
endforeach()
# lib/platform's archive goes too: the other parts call it, though its headers stay private.
install(TARGETS marlpit marlpit_platform marlpit_base marlpit_io marlpit_ini marlpit_startup
        EXPORT MarlpitTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libmarlpit-dev)
install(EXPORT MarlpitTargets NAMESPACE Marlpit:: DESTINATION ${marlpit_package_dir}
        COMPONENT libmarlpit-dev)
configure_package_config_file(cmake/MarlpitConfig.cmake.in ${CMAKE_BINARY_DIR}/MarlpitConfig.cmake
                              INSTALL_DESTINATION ${marlpit_package_dir})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/MarlpitConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/MarlpitConfig.cmake ${CMAKE_BINARY_DIR}/MarlpitConfigVersion.cmake
        DESTINATION ${marlpit_package_dir} COMPONENT libmarlpit-dev)
# The archives in link order, each before those it uses.
set(MARLPIT_PC_LIBS "-lmarlpit_startup -lmarlpit_ini -lmarlpit_io -lmarlpit_base -lmarlpit_platform")
configure_file(cmake/marlpit.pc.in ${CMAKE_BINARY_DIR}/marlpit.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/marlpit.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT libmarlpit-dev)
