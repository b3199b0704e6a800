# Install rules: the FHS layout under the prefix. Nothing installed is ever written by the
# program; its per-user files go to the program folder (see config/ProgramPaths.h).
include(GNUInstallDirs)

set(VELTROMA_APP_ID org.veltroma.Monitor)
set(linux_sources ${PROJECT_SOURCE_DIR}/resources/linux)
set(linux_build ${PROJECT_BINARY_DIR}/linux)
set(doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/veltroma-monitor)
file(MAKE_DIRECTORY ${linux_build})

install(TARGETS veltroma-monitor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Man page: its OPTIONS section comes from the built program's --help.
add_custom_command(
  OUTPUT ${linux_build}/veltroma-monitor.1
  COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:veltroma-monitor>
          -DTEMPLATE=${linux_sources}/veltroma-monitor.1.in
          -DOUTPUT=${linux_build}/veltroma-monitor.1
          -DVELTROMA_VERSION_TEXT=${VELTROMA_VERSION_TEXT}
          -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
  DEPENDS veltroma-monitor ${linux_sources}/veltroma-monitor.1.in ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
  COMMENT "Writing the man page"
  VERBATIM)

# Debian wants the changelog compressed, without a time stamp in the gzip header.
configure_file(${linux_sources}/changelog.in ${linux_build}/changelog @ONLY)
find_program(VELTROMA_GZIP gzip REQUIRED)
add_custom_command(
  OUTPUT ${linux_build}/changelog.gz
  COMMAND ${VELTROMA_GZIP} -9nkf ${linux_build}/changelog
  DEPENDS ${linux_build}/changelog
  VERBATIM)
add_custom_target(veltroma_linux_files ALL
  DEPENDS ${linux_build}/veltroma-monitor.1 ${linux_build}/changelog.gz)

install(FILES ${linux_build}/veltroma-monitor.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
              ${linux_sources}/copyright ${linux_build}/changelog.gz
        DESTINATION ${doc_dir})
# The pictures the README shows.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${doc_dir}/docs
        FILES_MATCHING PATTERN "*.png")

# The service unit names the executable by its installed path, which is known only when
# installing (cmake --install --prefix, CPack's staging).
install(CODE "
  set(BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  configure_file(\"${linux_sources}/veltroma-monitor@.service.in\"
                 \"${linux_build}/veltroma-monitor@.service\" @ONLY)")
install(FILES ${linux_build}/veltroma-monitor@.service DESTINATION lib/systemd/system)

# Desktop integration, for the build with a window.
if(VELTROMA_GUI)
  install(FILES ${linux_sources}/${VELTROMA_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
  configure_file(${linux_sources}/${VELTROMA_APP_ID}.metainfo.xml
                 ${linux_build}/${VELTROMA_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${linux_build}/${VELTROMA_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)

  set(icon_svg ${PROJECT_SOURCE_DIR}/resources/artwork/app-icon.svg)
  set(icon_theme ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor)
  install(FILES ${icon_svg} DESTINATION ${icon_theme}/scalable/apps
          RENAME ${VELTROMA_APP_ID}.svg)
  set(icon_arguments)
  set(icon_files)
  foreach(size IN ITEMS 16 24 32 48 64 128 256)
    set(png ${linux_build}/icons/${size}/${VELTROMA_APP_ID}.png)
    list(APPEND icon_arguments ${size} ${png})
    list(APPEND icon_files ${png})
    install(FILES ${png} DESTINATION ${icon_theme}/${size}x${size}/apps)
  endforeach()
  foreach(png IN LISTS icon_files)
    get_filename_component(folder ${png} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
  endforeach()
  add_custom_command(
    OUTPUT ${icon_files}
    COMMAND render-icon ${icon_svg} ${icon_arguments}
    DEPENDS render-icon ${icon_svg}
    COMMENT "Rendering the application icon"
    VERBATIM)
  add_custom_target(veltroma_icons ALL DEPENDS ${icon_files})
endif()
