# The Linux programs: tickwell, tickwell-demo (with the stand-in weather
# server built in) and the canvas check the end-to-end tests run.
# Included from platform/linux/CMakeLists.txt once tickwell_gui exists.
include(GNUInstallDirs)

# The Preferences picture is compiled into the program, so it needs no file
# at run time. Changing the picture reconfigures the build.
set(TICKWELL_PICTURE ${CMAKE_SOURCE_DIR}/resources/picture.bmp)
set(TICKWELL_PICTURE_SOURCE ${CMAKE_CURRENT_BINARY_DIR}/picture_data.cpp)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TICKWELL_PICTURE})
file(READ ${TICKWELL_PICTURE} picture_hex HEX)
file(SIZE ${TICKWELL_PICTURE} picture_size)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," picture_bytes "${picture_hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" picture_bytes "${picture_bytes}")
file(CONFIGURE OUTPUT ${TICKWELL_PICTURE_SOURCE} CONTENT
  "// Generated from resources/picture.bmp; do not edit.\n#include \"platform/linux/gui/picture.h\"\n\nnamespace tickwell::linux_gui {\nextern const unsigned char kPictureBmp[] = {\n${picture_bytes}0};\nextern const std::size_t kPictureBmpSize = ${picture_size};\n}  // namespace tickwell::linux_gui\n"
  @ONLY)
target_sources(tickwell_gui PRIVATE ${TICKWELL_PICTURE_SOURCE})

add_executable(tickwell ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
target_link_libraries(tickwell PRIVATE tickwell_gui tickwell_linux_program)
if(TICKWELL_SOURCE STREQUAL "live")
  target_link_libraries(tickwell PRIVATE tickwell_system_events)
endif()
# TICKWELL_SOURCE=classic keeps the direct connection to the legacy server.
target_compile_definitions(tickwell PRIVATE TICKWELL_VERSION="${PROJECT_VERSION}"
  TICKWELL_LIVE_SOURCE=$<STREQUAL:${TICKWELL_SOURCE},live>)

add_executable(tickwell-demo ${CMAKE_CURRENT_SOURCE_DIR}/demo_main.cpp)
target_link_libraries(tickwell-demo PRIVATE tickwell_gui tickwell_linux_program weather_server)

if(TICKWELL_TESTS)
  # Draws one scene on the FLTK canvas and on the raster canvas and compares
  # them pixel by pixel (needs an X display).
  add_executable(tickwell-canvas-check ${CMAKE_SOURCE_DIR}/tests/e2e/canvas_check.cpp)
  target_link_libraries(tickwell-canvas-check PRIVATE tickwell_gui tickwell_raster)
endif()

# The desktop entry, icons, metadata and manual page: packaging/linux.
install(TARGETS tickwell RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
