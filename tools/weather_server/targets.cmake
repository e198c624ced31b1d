# The stand-in weather server: a library (tests and demos embed it) and the
# program tickwell-weather-server. Included from tools/CMakeLists.txt.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
pkg_check_modules(CPP_HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)

set(WEATHER_SERVER_DIR ${CMAKE_CURRENT_SOURCE_DIR}/weather_server)

include(${WEATHER_SERVER_DIR}/sample_pages.cmake)

add_library(weather_server STATIC
  ${WEATHER_SERVER_DIR}/answers.cpp
  ${WEATHER_SERVER_DIR}/connection_server.cpp
  ${WEATHER_SERVER_DIR}/control_commands.cpp
  ${WEATHER_SERVER_DIR}/fault_names.cpp
  ${WEATHER_SERVER_DIR}/page_variants.cpp
  ${WEATHER_SERVER_DIR}/request_log.cpp
  ${WEATHER_SERVER_DIR}/sample_pages.cpp
  ${WEATHER_SERVER_DIR}/weather_requests.cpp
  ${WEATHER_SERVER_DIR}/weather_server.cpp
  ${WEATHER_SERVER_PAGES_SOURCE})
target_include_directories(weather_server PUBLIC ${WEATHER_SERVER_DIR})
target_compile_features(weather_server PUBLIC cxx_std_20)
target_link_libraries(weather_server PUBLIC PkgConfig::CPP_HTTPLIB Threads::Threads)

add_executable(tickwell-weather-server ${WEATHER_SERVER_DIR}/main.cpp)
target_link_libraries(tickwell-weather-server PRIVATE weather_server)
