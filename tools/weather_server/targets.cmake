# The stand-in weather server: a library (tests and demos embed it) and the
# program tickwell-weather-server. Included from tools/CMakeLists.txt.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
pkg_check_modules(CPP_HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)

set(WEATHER_SERVER_DIR ${CMAKE_CURRENT_SOURCE_DIR}/weather_server)

# The sample pages become byte arrays in a generated source file, so the
# library needs no files at run time. Editing a page reconfigures the build.
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

add_library(weather_server STATIC
  ${WEATHER_SERVER_DIR}/connection_server.cpp
  ${WEATHER_SERVER_DIR}/fault_names.cpp
  ${WEATHER_SERVER_DIR}/page_variants.cpp
  ${WEATHER_SERVER_DIR}/request_log.cpp
  ${WEATHER_SERVER_DIR}/sample_pages.cpp
  ${WEATHER_SERVER_DIR}/weather_server.cpp
  ${WEATHER_SERVER_PAGES_SOURCE})
target_include_directories(weather_server PUBLIC ${WEATHER_SERVER_DIR})
target_compile_features(weather_server PUBLIC cxx_std_20)
target_link_libraries(weather_server PUBLIC PkgConfig::CPP_HTTPLIB Threads::Threads)

add_executable(tickwell-weather-server ${WEATHER_SERVER_DIR}/main.cpp)
target_link_libraries(tickwell-weather-server PRIVATE weather_server)
