# The Windows downloads, made by `cpack` in build-windows/: a zip with the program and a short
# read-me, and an installer (NSIS) that puts the program under Program Files with a Start-menu
# entry and an uninstaller.
install(FILES ${CMAKE_SOURCE_DIR}/docs/windows/README.txt DESTINATION .)

set(CPACK_PACKAGE_NAME orvanta)
set(CPACK_PACKAGE_VENDOR Orvanta)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Slab widths for stone and tile fitters")
set(CPACK_PACKAGE_FILE_NAME orvanta-${PROJECT_VERSION}-windows-x64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Orvanta)
set(CPACK_PACKAGE_EXECUTABLES orvanta Orvanta)  # the Start-menu entry
set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_NSIS_DISPLAY_NAME Orvanta)
set(CPACK_NSIS_PACKAGE_NAME Orvanta)
set(CPACK_NSIS_INSTALLED_ICON_NAME orvanta.exe)
set(CPACK_NSIS_MUI_ICON ${CMAKE_BINARY_DIR}/orvanta.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_BINARY_DIR}/orvanta.ico)
set(CPACK_NSIS_EXECUTABLE makensis)
include(CPack)
