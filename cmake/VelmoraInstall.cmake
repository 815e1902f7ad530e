# What `cmake --install` puts where, under any prefix: programs in bin/, the instructions in
# share/velmora/, the desktop entry, the AppStream metainfo and the icons where desktops look.
#
# A program of the project installs itself from its own CMakeLists.txt with
#   velmora_install_program(<target>)
# and its manual page with
#   velmora_install_man_page(<file.N>)
include(GNUInstallDirs)

set(VELMORA_APP_ID org.velmora.Velmora)
set(VELMORA_DATA_DIR ${CMAKE_INSTALL_DATADIR}/velmora)
# The data folder as the installed program sees it from its own folder, so that a relocated
# installation (any prefix, a DESTDIR, a package) still finds its files.
file(RELATIVE_PATH VELMORA_DATA_FROM_BIN
  ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_PREFIX}/${VELMORA_DATA_DIR})

function(velmora_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

function(velmora_install_man_page file)
  string(REGEX MATCH "[0-9]$" section ${file})
  install(FILES ${file} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()

set(resources ${CMAKE_SOURCE_DIR}/resources)
install(FILES ${resources}/instructions.txt DESTINATION ${VELMORA_DATA_DIR})
install(FILES ${resources}/${VELMORA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${resources}/${VELMORA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
  install(FILES ${resources}/icons/velmora-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${VELMORA_APP_ID}.png)
endforeach()
install(FILES ${resources}/icons/velmora.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${VELMORA_APP_ID}.svg)

# `cmake --build build --target uninstall` removes what the last install wrote (install_manifest.txt)
# and the folders that this left empty.
add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND} -DMANIFEST=${CMAKE_BINARY_DIR}/install_manifest.txt
    -P ${CMAKE_CURRENT_LIST_DIR}/VelmoraUninstall.cmake
  VERBATIM)
