# User manuals, desktop integration and the Debian package.
#
# The manuals are written in Markdown under docs/ and turned into PDF at build
# time by zelk-manualgen (Qt's QTextDocument and QPdfWriter, offscreen). They
# are produced next to the built zelk-duv, where Help > User Manual looks for
# them, and installed beside the installed program for the same reason.

if(NOT ZELK_FUZZ)
  add_executable(zelk-manualgen ${PROJECT_SOURCE_DIR}/tools/manualgen/main.cpp)
  target_link_libraries(zelk-manualgen PRIVATE Qt6::Gui)

  get_target_property(_zelk_duv_dir zelk-duv BINARY_DIR)
  get_target_property(_zelk_duv_rundir zelk-duv RUNTIME_OUTPUT_DIRECTORY)
  if(_zelk_duv_rundir)
    set(_zelk_duv_dir ${_zelk_duv_rundir})
  endif()

  set(_zelk_manuals)
  foreach(_manual "en;UsrManQOR.pdf;ZELK-DUV set - User Manual"
                  "it;UsrManQOR_IT.pdf;ZELK-DUV set - Manuale Utente")
    list(GET _manual 0 _lang)
    list(GET _manual 1 _pdf)
    list(GET _manual 2 _title)
    set(_src ${PROJECT_SOURCE_DIR}/docs/user_manual_${_lang}.md)
    set(_out ${_zelk_duv_dir}/${_pdf})
    # Leak checking is off for this build step: a sanitizer build of the tool
    # must not fail the build over the font libraries' allocations.
    add_custom_command(
      OUTPUT ${_out}
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
              $<TARGET_FILE:zelk-manualgen> ${_src} ${_out} "${_title}"
      DEPENDS zelk-manualgen ${_src}
      COMMENT "Generating ${_pdf}"
      VERBATIM)
    list(APPEND _zelk_manuals ${_out})
  endforeach()
  add_custom_target(zelk_manuals ALL DEPENDS ${_zelk_manuals})
  add_dependencies(zelk-duv zelk_manuals)

  install(FILES ${_zelk_manuals} DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# Desktop integration: menu entry, icon and AppStream description.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/zelk-duv.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/zelk-duv.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/example.zelkmetering.ZelkDuv.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/docs/user_manual_en.md ${PROJECT_SOURCE_DIR}/docs/user_manual_it.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Debian package: cpack -G DEB in the build folder.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "zelk-duv")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "ZELK Metering")
set(CPACK_PACKAGE_CONTACT "ZELK Metering <support@zelk-metering.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configuration utility for ZELK wireless M-Bus receivers")
set(CPACK_PACKAGE_DESCRIPTION
    "Programs the meter list, AES-128 keys and media of ZELK wireless M-Bus receivers through a serial port, configures the receiver and keeps a hexadecimal activity log. Includes the zelk-sim receiver simulator.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.zelk-metering.example")
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6printsupport6 (>= 6.4), qt6-qpa-plugins (>= 6.4), libjpeg62-turbo")
include(CPack)
