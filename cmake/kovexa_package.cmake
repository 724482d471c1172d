# Installation layout and the Debian package (scripts/package runs CPack in
# the build folder). The icons' PNG sizes, the compressed manual pages and
# the changelog are made by the target kovexa_package_data at install time.
#
#   /usr/bin/kovexa            -> ../lib/kovexa/kovexa (the banner bitmap
#                                 lies beside the program, so the program
#                                 itself lives in a folder of its own)
#   /usr/bin/kvexsim
#   /usr/share/applications, /usr/share/metainfo, /usr/share/icons/hicolor,
#   /usr/share/man/man1, /usr/share/doc/kovexa

set(KOVEXA_APP_ID "example.quenndal.Kovexa")
set(KOVEXA_MAINTAINER "Kovexa developers <kovexa@quenndal.example>")
set(KOVEXA_ICON_SIZES 16 24 32 48 64 128 256)
set(KOVEXA_PKG_SRC ${CMAKE_SOURCE_DIR}/packaging)
set(KOVEXA_PKG_OUT ${CMAKE_BINARY_DIR}/packaging)

# Texts that carry the version or the date.
configure_file(${KOVEXA_PKG_SRC}/kovexa.metainfo.xml.in
  ${KOVEXA_PKG_OUT}/${KOVEXA_APP_ID}.metainfo.xml @ONLY)
configure_file(${KOVEXA_PKG_SRC}/kovexa.1.in ${KOVEXA_PKG_OUT}/kovexa.1 @ONLY)
configure_file(${KOVEXA_PKG_SRC}/kvexsim.1.in ${KOVEXA_PKG_OUT}/kvexsim.1 @ONLY)
# The changelog wants the date as RFC 2822, weekday included (Zeller's rule).
string(REGEX MATCH "^([0-9]+)-0*([0-9]+)-0*([0-9]+)$" _ok "${KOVEXA_RELEASE_DATE}")
if(NOT _ok)
  message(FATAL_ERROR "KOVEXA_RELEASE_DATE must be YYYY-MM-DD")
endif()
set(_y ${CMAKE_MATCH_1})
set(_m ${CMAKE_MATCH_2})
set(_d ${CMAKE_MATCH_3})
set(_zy ${_y})
set(_zm ${_m})
if(_m LESS 3)
  math(EXPR _zy "${_y} - 1")
  math(EXPR _zm "${_m} + 12")
endif()
math(EXPR _wd "(${_d} + (13 * (${_zm} + 1)) / 5 + ${_zy} % 100 + (${_zy} % 100) / 4 + (${_zy} / 100) / 4 + 5 * (${_zy} / 100)) % 7")
set(_days Sat Sun Mon Tue Wed Thu Fri)
set(_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(GET _days ${_wd} _wday)
math(EXPR _mi "${_m} - 1")
list(GET _months ${_mi} _mon)
if(_d LESS 10)
  set(_d "0${_d}")
endif()
set(KOVEXA_RELEASE_DATE_RFC2822 "${_wday}, ${_d} ${_mon} ${_y} 12:00:00 +0000")
configure_file(${KOVEXA_PKG_SRC}/changelog.in ${KOVEXA_PKG_OUT}/changelog @ONLY)

# Compressed the way Debian wants them: gzip -9 without name or time stamp,
# so the package is the same from one build to the next.
set(_kovexa_pkg_files)
foreach(_f kovexa.1 kvexsim.1 changelog)
  add_custom_command(OUTPUT ${KOVEXA_PKG_OUT}/${_f}.gz
    COMMAND gzip -9nf -k ${KOVEXA_PKG_OUT}/${_f}
    DEPENDS ${KOVEXA_PKG_OUT}/${_f} VERBATIM)
  list(APPEND _kovexa_pkg_files ${KOVEXA_PKG_OUT}/${_f}.gz)
endforeach()

# The PNG icons are drawn from the SVG at package time.
find_program(KOVEXA_RSVG_CONVERT rsvg-convert)
set(_rsvg ${KOVEXA_RSVG_CONVERT})
if(NOT KOVEXA_RSVG_CONVERT)
  # Only the package needs it: the program builds without it.
  set(_rsvg ${CMAKE_COMMAND} -E echo "rsvg-convert is missing: run scripts/deps package"
    COMMAND ${CMAKE_COMMAND} -E false)
endif()
foreach(_size ${KOVEXA_ICON_SIZES})
  set(_png ${KOVEXA_PKG_OUT}/icons/${_size}/kovexa.png)
  add_custom_command(OUTPUT ${_png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KOVEXA_PKG_OUT}/icons/${_size}
    COMMAND ${_rsvg} -w ${_size} -h ${_size} -o ${_png} ${KOVEXA_PKG_SRC}/kovexa.svg
    DEPENDS ${KOVEXA_PKG_SRC}/kovexa.svg VERBATIM)
  list(APPEND _kovexa_pkg_files ${_png})
endforeach()
add_custom_target(kovexa_package_data DEPENDS ${_kovexa_pkg_files})

# What gets installed. The generated files are made first, so that a plain
# "cpack" or "cmake --install" finds them too.
install(CODE "execute_process(COMMAND \"${CMAKE_COMMAND}\" --build \"${CMAKE_BINARY_DIR}\"
  --target kovexa_package_data RESULT_VARIABLE _rc)
if(_rc)
  message(FATAL_ERROR \"the package's icons and manual pages were not made\")
endif()")
install(TARGETS kovexa RUNTIME DESTINATION lib/kovexa)
install(FILES ${CMAKE_SOURCE_DIR}/logo/qd.bmp DESTINATION lib/kovexa)
install(TARGETS kvexsim RUNTIME DESTINATION bin)
install(CODE "
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
  file(CREATE_LINK ../lib/kovexa/kovexa
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/kovexa\" SYMBOLIC)")
# The desktop entry is named after the program, as the window names itself
# (X11 class and Wayland app id "kovexa"), so the desktop matches a running
# window to its entry and icon.
install(FILES ${KOVEXA_PKG_SRC}/kovexa.desktop DESTINATION share/applications)
install(FILES ${KOVEXA_PKG_OUT}/${KOVEXA_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${KOVEXA_PKG_SRC}/kovexa.svg DESTINATION share/icons/hicolor/scalable/apps)
foreach(_size ${KOVEXA_ICON_SIZES})
  install(FILES ${KOVEXA_PKG_OUT}/icons/${_size}/kovexa.png
    DESTINATION share/icons/hicolor/${_size}x${_size}/apps)
endforeach()
install(FILES ${KOVEXA_PKG_OUT}/kovexa.1.gz ${KOVEXA_PKG_OUT}/kvexsim.1.gz
  DESTINATION share/man/man1)
install(FILES ${KOVEXA_PKG_SRC}/copyright ${KOVEXA_PKG_OUT}/changelog.gz
  DESTINATION share/doc/kovexa)

# The package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kovexa)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quenndal")
set(CPACK_PACKAGE_CONTACT "${KOVEXA_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
file(READ ${KOVEXA_PKG_SRC}/description.txt CPACK_DEBIAN_PACKAGE_DESCRIPTION)
string(STRIP "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}" CPACK_DEBIAN_PACKAGE_DESCRIPTION)
include(CPack)
