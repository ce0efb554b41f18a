# Run by CPack on the staged files before it makes the package: a build that lacked scdoc or
# rsvg-convert leaves out the manual page or the icons, and such a package must not be made.
set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
if(NOT root)
  set(root "${CPACK_TEMPORARY_DIRECTORY}")
endif()
set(missing "")
foreach(file IN ITEMS
        usr/bin/cellwatch
        usr/bin/cellwatch-window
        usr/share/man/man1/cellwatch.1.gz
        usr/share/icons/hicolor/48x48/apps/cellwatch.png
        usr/share/applications/cellwatch.desktop
        usr/share/doc/cellwatch/changelog.gz)
  file(GLOB_RECURSE found "${root}/*/${file}" "${root}/${file}")
  if(NOT found AND NOT EXISTS "${root}/${file}")
    list(APPEND missing "${file}")
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "The package would lack ${missing}: install scdoc and librsvg2-bin, then "
                      "configure and build again (tools/quickstart.sh installs them).")
endif()
