# User manuals, manual pages, desktop integration and the Debian package.
#
# The manuals are written in Markdown under docs/ and turned into PDF at build
# time by zelk-manualgen (Qt's QTextDocument and QPdfWriter, offscreen). They
# are produced next to the built zelk-duv, where a copy run from its own folder
# finds them, and installed into the documentation folder
# (<prefix>/share/doc/zelk-duv), where the installed program looks.

# Where an installed program lives, compiled in: an installed program keeps its
# settings in the user's configuration folder and finds its manuals in the
# documentation folder (see docs/install.md).
if(TARGET zelk_core)
  target_compile_definitions(zelk_core PRIVATE ZELK_INSTALL_BINDIR="${CMAKE_INSTALL_FULL_BINDIR}")
endif()
if(TARGET zelk_app_ui)
  target_compile_definitions(zelk_app_ui PRIVATE ZELK_INSTALL_DOCDIR="${CMAKE_INSTALL_FULL_DOCDIR}")
endif()
if(TARGET zelk-duv)
  target_compile_definitions(zelk-duv PRIVATE ZELK_VERSION="${PROJECT_VERSION}")
endif()
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

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

  install(FILES ${_zelk_manuals} DESTINATION ${CMAKE_INSTALL_DOCDIR})

  # Manual pages, made from each program's own --help text. Deferred to the end
  # of the configuration so that programs added after this file are found too.
  find_program(ZELK_GZIP gzip REQUIRED)
  function(zelk_man_pages)
    set(_pages)
    foreach(_prog zelk-duv zelk-sim zelk-cli)
      if(NOT TARGET ${_prog})
        continue()
      endif()
      set(_page ${PROJECT_BINARY_DIR}/man/${_prog}.1.gz)
      set(_extra_args)
      set(_extra_deps)
      if(_prog STREQUAL "zelk-cli")
        # The JSON documents; the settings file of the user who built it is
        # not the reader's.
        set(_extra_args "-DOMIT=^Settings file in use for you: "
                        -DMARKDOWN=${PROJECT_SOURCE_DIR}/docs/zelk-cli.md)
        set(_extra_deps ${PROJECT_SOURCE_DIR}/docs/zelk-cli.md)
      endif()
      add_custom_command(
        OUTPUT ${_page}
        COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${_prog}> -DNAME=${_prog}
                -DVERSION=${PROJECT_VERSION} -DOUTPUT=${_page} -DGZIP=${ZELK_GZIP} ${_extra_args}
                -P ${PROJECT_SOURCE_DIR}/cmake/manpage.cmake
        DEPENDS ${_prog} ${PROJECT_SOURCE_DIR}/cmake/manpage.cmake ${_extra_deps}
        COMMENT "Generating the manual page of ${_prog}"
        VERBATIM)
      list(APPEND _pages ${_page})
    endforeach()
    add_custom_target(zelk_man_pages ALL DEPENDS ${_pages})
    install(FILES ${_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endfunction()
  cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL zelk_man_pages)

  # The test that ends the built program with signals runs a copy of it.
  function(zelk_program_tests)
    if(TARGET app_tst_stop_signals)
      target_compile_definitions(app_tst_stop_signals PRIVATE ZELK_DUV_PATH="$<TARGET_FILE:zelk-duv>"
        ZELK_CLI_PATH="$<TARGET_FILE:zelk-cli>")
      add_dependencies(app_tst_stop_signals zelk-duv zelk-cli)
    endif()
  endfunction()
  cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL zelk_program_tests)
endif()

# Desktop integration: menu entry, icon and AppStream description.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/zelk-duv.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/zelk-duv.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/example.zelkmetering.ZelkDuv.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/docs/user_manual_en.md ${PROJECT_SOURCE_DIR}/docs/user_manual_it.md
              ${PROJECT_SOURCE_DIR}/docs/zelk-cli.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/zelk-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME zelk-cli)

# Copyright (machine-readable) and changelog. The version is native (no Debian
# revision), so the changelog is installed as changelog.gz.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog _zelk_changelog_top LIMIT_COUNT 1)
if(NOT _zelk_changelog_top MATCHES "^zelk-duv \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog must start with an entry for ${PROJECT_VERSION}: "
                      "\"${_zelk_changelog_top}\"")
endif()
set(_zelk_changelog_gz ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(
  OUTPUT ${_zelk_changelog_gz}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/changelog ${PROJECT_BINARY_DIR}/packaging/changelog
  COMMAND gzip -9 -n -f ${PROJECT_BINARY_DIR}/packaging/changelog
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
  COMMENT "Compressing the changelog"
  VERBATIM)
add_custom_target(zelk_changelog ALL DEPENDS ${_zelk_changelog_gz})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${_zelk_changelog_gz}
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Debian package: scripts/package, or cpack -G DEB in a Release build folder
# configured with -DCMAKE_INSTALL_PREFIX=/usr (docs/install.md).
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "zelk-duv")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "ZELK Metering")
set(CPACK_PACKAGE_CONTACT "ZELK Metering <support@zelk-metering.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configuration utility for ZELK wireless M-Bus receivers")
# Extended description: lines of at most 80 characters, as Debian wants them.
# CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Programs the meter list, AES-128 keys and media of ZELK wireless M-Bus
receivers through a serial port, configures the receiver (ID, wireless mode,
clock, flags, reset), reads back its status and meter list, and keeps a
hexadecimal activity log that can be saved and printed.
.
Includes zelk-cli, which does the same work from a terminal or a script and
verifies what a receiver holds, and the zelk-sim receiver simulator, which
plays a receiver on a pseudo-terminal so that both can be tried without
hardware.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.zelk-metering.example")
# Shared libraries as dpkg-shlibdeps finds them (libc, libstdc++, libgcc, Qt,
# libjpeg), merged with what no binary links: the Qt platform plugins.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins (>= 6.4)")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Stripped binaries: the debug symbols stay out of the package.
set(CPACK_STRIP_FILES ON)
include(CPack)
