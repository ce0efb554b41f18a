# Run by CPack on the staged files before it makes the package: a build that lacked scdoc or
# rsvg-convert leaves out the manual page or the icons, and such a package must not be made.
set(root "${CPACK_TEMPORARY_DIRECTORY}")
if(NOT root OR NOT IS_DIRECTORY "${root}")
  message(FATAL_ERROR "CPack gave no staging folder to check")
endif()
set(missing "")
foreach(file IN ITEMS
        bin/cellwatch
        bin/cellwatch-window
        share/man/man1/cellwatch.1.gz
        share/icons/hicolor/48x48/apps/cellwatch.png
        share/applications/cellwatch.desktop
        share/doc/cellwatch/changelog.gz)
  if(NOT EXISTS "${root}${CPACK_PACKAGING_INSTALL_PREFIX}/${file}")
    list(APPEND missing "${file}")
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "The package would lack ${missing}: install scdoc and librsvg2-bin, then "
                      "configure and build again (tools/quickstart.sh installs them).")
endif()
