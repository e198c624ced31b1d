# The sample pages become byte arrays in a generated source file
# (WEATHER_SERVER_PAGES_SOURCE), so that the stand-in weather server and the
# Windows demo, which serves them itself, need no files at run time. Editing
# a page reconfigures the build. Needs WEATHER_SERVER_DIR.
set(WEATHER_SERVER_PAGES_SOURCE ${CMAKE_CURRENT_BINARY_DIR}/weather_server/sample_pages_data.cpp)
set(WEATHER_SERVER_PAGES_CONTENT "// Generated from tools/weather_server/pages; do not edit.\n#include <cstddef>\n\nnamespace tickwell::tools::embedded {\n")
foreach(page Forecast Roundup)
  string(TOLOWER ${page} page_file)
  set(page_path ${WEATHER_SERVER_DIR}/pages/${page_file}.html)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${page_path})
  file(READ ${page_path} page_hex HEX)
  file(SIZE ${page_path} page_size)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," page_bytes "${page_hex}")
  string(REGEX REPLACE "((0x..,){16})" "\\1\n" page_bytes "${page_bytes}")
  string(APPEND WEATHER_SERVER_PAGES_CONTENT
    "extern const unsigned char k${page}Page[] = {\n${page_bytes}0};\n"
    "extern const std::size_t k${page}PageSize = ${page_size};\n")
endforeach()
string(APPEND WEATHER_SERVER_PAGES_CONTENT "}  // namespace tickwell::tools::embedded\n")
file(CONFIGURE OUTPUT ${WEATHER_SERVER_PAGES_SOURCE} CONTENT "${WEATHER_SERVER_PAGES_CONTENT}" @ONLY)
