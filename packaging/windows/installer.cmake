# The Windows installer, built with NSIS's makensis on the build machine:
#
#   cmake --build --preset win32 --target windows-installer
#
# writes build/win32/tickwell-setup-<version>.exe around the built tickwell.exe,
# stripped. The 64-bit build (the win64 preset) writes
# build/win64/tickwell-setup-<version>-x64.exe the same way: a 64-bit
# installer (NSIS's amd64-unicode stubs) around the 64-bit program, for
# 64-bit Windows.
find_program(MAKENSIS makensis)
if(NOT MAKENSIS)
  message(STATUS "makensis (nsis) not found: no windows-installer target")
  return()
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TICKWELL_SETUP_NAME tickwell-setup-${PROJECT_VERSION}-x64.exe)
  set(TICKWELL_NSIS_TARGET amd64-unicode)
else()
  set(TICKWELL_SETUP_NAME tickwell-setup-${PROJECT_VERSION}.exe)
  set(TICKWELL_NSIS_TARGET x86-unicode)
endif()
set(TICKWELL_SETUP ${CMAKE_BINARY_DIR}/${TICKWELL_SETUP_NAME})
set(TICKWELL_NSIS_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/tickwell.nsi)
set(TICKWELL_INSTALLER_ICON ${CMAKE_SOURCE_DIR}/resources/tickwell.ico)
# The notices of the open data the station table is made from (CC BY asks
# for them to travel with the program).
set(TICKWELL_NOTICES ${CMAKE_CURRENT_LIST_DIR}/NOTICES.txt)
# Windows wants four numbers in a file's version.
set(version_quad ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0)
if(NOT "${PROJECT_VERSION_PATCH}" STREQUAL "")
  set(version_quad ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
endif()

# The installer carries a stripped copy of the program.
set(staged_program ${CMAKE_BINARY_DIR}/installer/tickwell.exe)
add_custom_command(OUTPUT ${TICKWELL_SETUP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/installer
  COMMAND ${CMAKE_STRIP} -o ${staged_program} $<TARGET_FILE:tickwell>
  COMMAND ${MAKENSIS} -V2 -WX -DVERSION=${PROJECT_VERSION} -DVERSION_QUAD=${version_quad}
          -DPROGRAM=${staged_program} -DICON=${TICKWELL_INSTALLER_ICON} -DNOTICES=${TICKWELL_NOTICES}
          -DOUTFILE=${TICKWELL_SETUP} -DTARGET=${TICKWELL_NSIS_TARGET} ${TICKWELL_NSIS_SCRIPT}
  DEPENDS tickwell ${TICKWELL_NSIS_SCRIPT} ${TICKWELL_INSTALLER_ICON} ${TICKWELL_NOTICES}
  COMMENT "Building the Windows installer ${TICKWELL_SETUP_NAME}" VERBATIM)
add_custom_target(windows-installer DEPENDS ${TICKWELL_SETUP})
