# Install rules and CPack settings.
#
# Linux (cpack -G DEB in a Release build): velmora_<version>_<arch>.deb with
#   /usr/bin/velmora, /usr/bin/velmora-cli
#   /usr/share/velmora/workspace        the bundled working folder
#   /usr/share/applications/velmora.desktop, the hicolor icon
#   /usr/share/man/man1/velmora.1.gz, velmora-cli.1.gz
#   /usr/share/doc/velmora/copyright, changelog.gz; the lintian overrides
# Windows (cpack -G ZIP in the cross build): velmora-<version>-win64.zip with
#   velmora-<version>-win64/velmora-cli.exe beside velmora-<version>-win64/workspace
# The programs find the working folder relative to themselves (InstallLocation.h),
# so either unpacks anywhere.

set(VELMORA_WORKSPACE_ENTRIES default.kiv tes.lua tens.lua ldp.lua)
set(VELMORA_WORKSPACE_FOLDERS ZQD BSP)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
  set(VELMORA_BIN_DESTINATION .)
  set(VELMORA_WORKSPACE_DESTINATION workspace)
else()
  include(GNUInstallDirs)
  set(VELMORA_BIN_DESTINATION ${CMAKE_INSTALL_BINDIR})
  set(VELMORA_WORKSPACE_DESTINATION ${CMAKE_INSTALL_DATADIR}/velmora/workspace)
endif()

foreach(program velmora velmora-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${VELMORA_BIN_DESTINATION})
  endif()
endforeach()
foreach(entry ${VELMORA_WORKSPACE_ENTRIES})
  install(FILES workspace/${entry} DESTINATION ${VELMORA_WORKSPACE_DESTINATION})
endforeach()
foreach(folder ${VELMORA_WORKSPACE_FOLDERS})
  install(DIRECTORY workspace/${folder} DESTINATION ${VELMORA_WORKSPACE_DESTINATION})
endforeach()

# gzip -9n: the most compression and no time stamp or name, as Debian asks.
function(velmora_gzip source output)
  get_filename_component(name ${source} NAME)
  set(copy ${PROJECT_BINARY_DIR}/packaging/${name})
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    COMMAND ${VELMORA_GZIP} -9nf ${copy}
    DEPENDS ${source}
    VERBATIM)
endfunction()

if(NOT WIN32)
  find_program(VELMORA_GZIP gzip REQUIRED)
  set(packaging ${PROJECT_SOURCE_DIR}/packaging)
  set(built ${PROJECT_BINARY_DIR}/packaging)
  set(pages velmora-cli)
  if(TARGET velmora)
    list(APPEND pages velmora)
  endif()
  set(compressed)
  foreach(page ${pages})
    configure_file(${packaging}/${page}.1.in ${built}/man/${page}.1 @ONLY)
    velmora_gzip(${built}/man/${page}.1 ${built}/${page}.1.gz)
    install(FILES ${built}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    list(APPEND compressed ${built}/${page}.1.gz)
  endforeach()
  velmora_gzip(${packaging}/changelog ${built}/changelog.gz)
  list(APPEND compressed ${built}/changelog.gz)
  add_custom_target(velmora_package_files ALL DEPENDS ${compressed})
  install(FILES ${built}/changelog.gz ${packaging}/copyright
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/velmora)
  install(FILES ${packaging}/lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME velmora)
  if(TARGET velmora)
    install(FILES ${packaging}/velmora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${packaging}/velmora.svg
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  endif()
endif()

set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Velmora developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "TrustZone partition tool and project generator for the V6048")
set(CPACK_PACKAGE_CONTACT "Velmora developers <velmora@example.org>")

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME velmora-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_VELMORA_STRIP ${CMAKE_STRIP})
  set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/StripPackagedPrograms.cmake)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The About item's text is Chinese; without a CJK font it shows as boxes.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-wqy-microhei)
  # What the generated CMake build of the projects uses.
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gcc-arm-none-eabi, libnewlib-arm-none-eabi, cmake, ninja-build")
  # CPack puts the summary above it and indents it as a control file wants.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Velmora divides the V6048, a Cortex-M23 microcontroller with TrustZone, into
its secure and non-secure worlds: the flash and SRAM boundaries, the
attribution of the 60 peripherals, the four execute-only memory regions and
the secure and non-secure firmware projects.

Its dialog (velmora) and its command-line runner (velmora-cli) validate the
configuration and write Keil MDK and IAR EWARM projects for it, and a CMake
build of the same projects for arm-none-eabi-gcc, edited by the Lua scripts of
the working folder. A sample working folder is included.")
endif()

include(CPack)
