# The Windows download: a ZIP with lathwell-cli.exe (the runtimes linked in statically, so it
# needs no DLL beside it), README.md, LICENSE and the examples folder.
#   cmake --build build-mingw --target lathwell-cli && (cd build-mingw && cpack)
#   -> lathwell-<version>-windows-x86_64.zip
# Packaging needs lathwell-cli.exe alone built, not every target of the build (tests, benchmarks).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
install(TARGETS lathwell-cli RUNTIME DESTINATION .)
install(FILES README.md LICENSE DESTINATION .)
install(DIRECTORY examples/ DESTINATION examples)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME lathwell)
set(CPACK_PACKAGE_VENDOR "The Lathwell developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME lathwell-${PROJECT_VERSION}-windows-x86_64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
