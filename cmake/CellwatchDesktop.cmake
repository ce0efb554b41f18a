# Cellwatch as a Linux desktop citizen: the manual page, the launcher with its icon, the AppStream
# entry, the file types, bash completion and the documentation. Everything here is installed by
# `cmake --install` and so goes into the package (cmake/CellwatchPackage.cmake).

# The date of this version: the manual page's footer, the AppStream release and the package's
# changelog. Change it together with the project's VERSION.
set(CELLWATCH_RELEASE_DATE "2026-12-08")
set(CELLWATCH_APPSTREAM_ID "com.halvane.cellwatch")
set(CELLWATCH_HOMEPAGE "https://cellwatch.example" CACHE STRING
    "Where the project's pages are published; the AppStream screenshot is HOMEPAGE/images/main-window.png")
set(CELLWATCH_PACKAGE_MAINTAINER
    "Cellwatch maintainers <maintainers@users.noreply.c-seed-a6ef7b72.example>" CACHE STRING
    "The package's maintainer, as Name <address>")

set(CELLWATCH_DATADIR "${CMAKE_INSTALL_FULL_DATADIR}/cellwatch")
set(CELLWATCH_DOCDIR "${CMAKE_INSTALL_FULL_DOCDIR}/docs")
execute_process(COMMAND date -u -d "${CELLWATCH_RELEASE_DATE} 12:00" +%s
                OUTPUT_VARIABLE CELLWATCH_RELEASE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND date -u -d "${CELLWATCH_RELEASE_DATE} 12:00" -R
                OUTPUT_VARIABLE CELLWATCH_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE)

set(_linux "${PROJECT_SOURCE_DIR}/data/linux")
set(_out "${PROJECT_BINARY_DIR}/linux")
file(MAKE_DIRECTORY "${_out}")

# The manual page: docs/man/cellwatch.1.scd, with this build's paths and version, through scdoc.
# Dated by the release, not the build, so that two builds give the same page.
find_program(CELLWATCH_SCDOC scdoc)
find_program(CELLWATCH_GZIP gzip)
configure_file("${PROJECT_SOURCE_DIR}/docs/man/cellwatch.1.scd" "${_out}/cellwatch.1.scd" @ONLY)
if(CELLWATCH_SCDOC AND CELLWATCH_GZIP)
  add_custom_command(
    OUTPUT "${_out}/cellwatch.1" "${_out}/cellwatch.1.gz"
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${CELLWATCH_RELEASE_EPOCH}
            sh -c "'${CELLWATCH_SCDOC}' < cellwatch.1.scd > cellwatch.1"
    COMMAND "${CELLWATCH_GZIP}" -9nf -k cellwatch.1
    DEPENDS "${_out}/cellwatch.1.scd"
    WORKING_DIRECTORY "${_out}"
    COMMENT "Manual page cellwatch(1)"
    VERBATIM)
  add_custom_target(cellwatch_manpage ALL DEPENDS "${_out}/cellwatch.1.gz")
  # cellwatch-window is the same program's window; its page is this one.
  file(CREATE_LINK cellwatch.1.gz "${_out}/cellwatch-window.1.gz" SYMBOLIC)
  install(FILES "${_out}/cellwatch.1.gz" "${_out}/cellwatch-window.1.gz"
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "scdoc or gzip not found: no manual page (apt install scdoc)")
endif()

# The icon: drawn as SVG, rendered to the usual theme sizes by rsvg-convert.
set(CELLWATCH_ICON_SIZES 16 22 24 32 48 64 128 256)
install(FILES "${_linux}/cellwatch.svg" DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
find_program(CELLWATCH_RSVG_CONVERT rsvg-convert)
if(CELLWATCH_RSVG_CONVERT)
  set(_icons "")
  foreach(size IN LISTS CELLWATCH_ICON_SIZES)
    set(png "${_out}/icons/${size}x${size}/cellwatch.png")
    add_custom_command(
      OUTPUT "${png}"
      COMMAND ${CMAKE_COMMAND} -E make_directory "${_out}/icons/${size}x${size}"
      COMMAND "${CELLWATCH_RSVG_CONVERT}" -w ${size} -h ${size} -o "${png}" "${_linux}/cellwatch.svg"
      DEPENDS "${_linux}/cellwatch.svg"
      COMMENT "Icon ${size}x${size}"
      VERBATIM)
    list(APPEND _icons "${png}")
    install(FILES "${png}" DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(cellwatch_icons ALL DEPENDS ${_icons})
else()
  message(STATUS "rsvg-convert not found: the icon is installed as SVG only (apt install librsvg2-bin)")
endif()

# The launcher, the software-centre entry and the file types.
configure_file("${_linux}/cellwatch.metainfo.xml.in" "${_out}/${CELLWATCH_APPSTREAM_ID}.metainfo.xml" @ONLY)
install(FILES "${_linux}/cellwatch.desktop" DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES "${_out}/${CELLWATCH_APPSTREAM_ID}.metainfo.xml" DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES "${_linux}/cellwatch-mime.xml" DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME cellwatch.xml)
install(FILES "${_linux}/cellwatch.bash" DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME cellwatch)

# The documentation, laid out as in the source tree so that the README's links work.
install(FILES README.md "${_linux}/copyright" DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs PATTERN man EXCLUDE)
# The changelog, in the form Debian's tools read.
configure_file("${_linux}/changelog.in" "${_out}/changelog" @ONLY)
if(CELLWATCH_GZIP)
  add_custom_command(
    OUTPUT "${_out}/changelog.gz"
    COMMAND "${CELLWATCH_GZIP}" -9nf -k changelog
    DEPENDS "${_out}/changelog"
    WORKING_DIRECTORY "${_out}"
    VERBATIM)
  add_custom_target(cellwatch_changelog ALL DEPENDS "${_out}/changelog.gz")
  install(FILES "${_out}/changelog.gz" DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
