# What `cmake --install` lays out, and the Debian package that cpack makes of it. The window
# program's files are installed only when it is built; the renderer always is.
include(GNUInstallDirs)

install(TARGETS tessalume-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The manual pages carry the project's version, filled in here.
foreach(page tessalume tessalume-render)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/man/${page}.1 man/${page}.1 @ONLY)
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/man/tessalume-render.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(TESSALUME_WINDOW)
  install(TARGETS tessalume RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_BINARY_DIR}/man/tessalume.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/tessalume.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/tessalume-${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME tessalume.png)
  endforeach()
  # The window program looks for its help page here, relative to its own folder.
  install(FILES ${CMAKE_SOURCE_DIR}/app/help/index.html DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tessalume)
endif()

set(CPACK_PACKAGE_NAME tessalume)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tessalume")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Quilt attractors with hexagonal symmetry")
set(CPACK_PACKAGE_DESCRIPTION
  "Finds, grows, colours and exports quilt attractors: one endless orbit of a symmetric chaotic
 map, stamped at every translate of a hexagonal lattice and tone-mapped into a seamless tile.
 Includes tessalume-render, which makes the same quilts from a seed without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tessalume developers <tessalume@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Dependencies come from the binaries themselves (dpkg-shlibdeps), never typed by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
