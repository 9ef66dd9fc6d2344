# Installing and packaging: the version the programs print, the tools, the man pages, the
# AppStream data and the package's documents, and the .deb that CPack makes of them.
# scripts/package.sh drives the package build; `cmake --install` installs the same files.
include(GNUInstallDirs)

set(METER_PACKAGE_NAME meter-logger)
set(METER_APP_ID "org.example.MeterLogger" CACHE STRING "AppStream id of the window")
set(METER_SCREENSHOT_URL "https://example.org/meter-logger/window.png" CACHE STRING
    "Where software centres fetch the window's screenshot (docs/window.png)")
set(METER_PACKAGE_MAINTAINER "Meter Logger developers <meter-logger@example.org>" CACHE STRING
    "Maintainer field of the .deb")

set(_generated ${CMAKE_BINARY_DIR}/generated)
set(_docdir ${CMAKE_INSTALL_DATADIR}/doc/${METER_PACKAGE_NAME})

# --version prints the version set by project() above.
configure_file(${CMAKE_CURRENT_LIST_DIR}/program_version.h.in ${_generated}/program_version.h @ONLY)
set(_programs meter-logger meter-read meter-sim)
foreach(_program IN LISTS _programs)
  target_include_directories(${_program} PRIVATE ${_generated})
endforeach()

install(TARGETS meter-read meter-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Compressed as Debian wants them, without a time stamp so that builds are reproducible.
function(_meter_gzip in out)
  execute_process(COMMAND gzip -9nc ${in} OUTPUT_FILE ${out} RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "gzip ${in} failed")
  endif()
endfunction()

# Man pages, with the version filled in. tests/package keeps them in step with --help.
foreach(_program IN LISTS _programs)
  configure_file(${PROJECT_SOURCE_DIR}/docs/man/${_program}.1.in ${_generated}/man/${_program}.1 @ONLY)
  _meter_gzip(${_generated}/man/${_program}.1 ${_generated}/man/${_program}.1.gz)
  install(FILES ${_generated}/man/${_program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

configure_file(${PROJECT_SOURCE_DIR}/data/meter-logger.metainfo.xml.in
               ${_generated}/${METER_APP_ID}.metainfo.xml @ONLY)
install(FILES ${_generated}/${METER_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog ${_generated}/changelog COPYONLY)
_meter_gzip(${_generated}/changelog ${_generated}/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${_generated}/changelog.gz DESTINATION ${_docdir})

# The .deb. Its dependencies are the shared libraries dpkg-shlibdeps finds in the programs,
# plus the Qt platform plugins, which Qt loads at run time and no linker sees.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${METER_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "read, log and chart a handheld digital multimeter")
# CPack puts the summary above this, as the Description field's first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A desktop program that connects a PC to a handheld digital multimeter
through its serial cable or its USB adapter cable. It mirrors the meter's
display, judges each reading against two limits, logs the readings in a
table, plots them on a paged trend chart, saves the table as text, XML or
CSV and prints it as a report.
.
Two command-line tools come with it: meter-read, a logger without a
window, and meter-sim, a virtual meter for trying the program without one.
.
A udev rule gives the user at the seat access to the USB adapter cable.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${METER_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/postinst ${PROJECT_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
