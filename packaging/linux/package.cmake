# What the Linux program installs beside itself, and its Debian package:
# the desktop entry, the icon in every hicolor size (rendered from
# resources/tickwell.svg at build time), AppStream metadata, the manual page,
# and the copyright and changelog files Debian asks for.
#
#   cmake --build --preset linux --target package-deb
#
# writes build/linux/packages/tickwell_<version>_<arch>.deb, with the stripped
# program and the dependencies dpkg-shlibdeps finds.
include(GNUInstallDirs)

find_program(RSVG_CONVERT rsvg-convert)
find_program(GZIP gzip)
if(NOT RSVG_CONVERT OR NOT GZIP)
  message(WARNING "rsvg-convert (librsvg2-bin) or gzip is missing: the icons, the manual page "
                  "and the Debian package are not built (scripts/install-deps.sh installs them)")
  return()
endif()

set(TICKWELL_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(TICKWELL_ICON_SOURCE ${CMAKE_SOURCE_DIR}/resources/tickwell.svg)
set(data_dir ${CMAKE_BINARY_DIR}/packaging)
set(TICKWELL_ICON_SIZES 16 22 24 32 48 64 128 256)

set(generated)
foreach(size ${TICKWELL_ICON_SIZES})
  set(png ${data_dir}/icons/${size}x${size}/tickwell.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${data_dir}/icons/${size}x${size}
    COMMAND ${RSVG_CONVERT} --width=${size} --height=${size} --output=${png} ${TICKWELL_ICON_SOURCE}
    DEPENDS ${TICKWELL_ICON_SOURCE}
    COMMENT "Rendering the ${size}x${size} icon" VERBATIM)
  list(APPEND generated ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Compressed without a name or time stamp, so the same source gives the same bytes.
function(tickwell_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND sh -c "${GZIP} -9n -c \"$0\" > \"$1\"" ${source} ${output}
    DEPENDS ${source}
    COMMENT "Compressing ${output}" VERBATIM)
endfunction()
tickwell_gzip(${TICKWELL_PACKAGING_DIR}/tickwell.1 ${data_dir}/tickwell.1.gz)
tickwell_gzip(${TICKWELL_PACKAGING_DIR}/changelog ${data_dir}/changelog.gz)
list(APPEND generated ${data_dir}/tickwell.1.gz ${data_dir}/changelog.gz)

add_custom_target(tickwell-data ALL DEPENDS ${generated})

install(FILES ${TICKWELL_ICON_SOURCE} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${TICKWELL_PACKAGING_DIR}/org.quillfen.Tickwell.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TICKWELL_PACKAGING_DIR}/org.quillfen.Tickwell.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${data_dir}/tickwell.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${TICKWELL_PACKAGING_DIR}/copyright ${data_dir}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tickwell)

# The whole global offset table read-only once the program has started.
target_link_options(tickwell PRIVATE -Wl,-z,relro,-z,now)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tickwell)
set(CPACK_PACKAGE_VENDOR Quillfen)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quillfen <tickwell@quillfen.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small desktop weather ticker")
set(CPACK_PACKAGE_DESCRIPTION
  "Tickwell shows the current weather at one station of the United States\n"
  "National Weather Service in a small window that stays above the others:\n"
  "temperature, relative humidity, pressure and dew point on seven-segment\n"
  "readouts, a clock, and a line that scrolls the forecast.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quillfen.org/tickwell/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Also drops the compiler's notes, as Debian's own packages do.
set(CPACK_PRE_BUILD_SCRIPTS ${TICKWELL_PACKAGING_DIR}/strip-notes.cmake)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)

# Installing and packaging need only the program and its data, which
# package-deb builds first, not the tests and benchmarks of the whole tree.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
add_custom_target(package-deb
  COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS tickwell tickwell-data
  COMMENT "Building the Debian package" VERBATIM)
