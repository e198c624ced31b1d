# The fake weather service API over HTTPS (cpp-httplib with OpenSSL): a
# library the integration tests embed, and the program tickwell-nws-fake.
# Included from tools/CMakeLists.txt.
find_package(OpenSSL REQUIRED)
find_package(Threads REQUIRED)
if(NOT TARGET PkgConfig::CPP_HTTPLIB)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(CPP_HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
endif()
set(NWS_FAKE_DIR ${CMAKE_CURRENT_SOURCE_DIR}/nws_fake)
add_library(nws_fake STATIC ${NWS_FAKE_DIR}/nws_fake.cpp ${NWS_FAKE_DIR}/payloads.cpp
  ${NWS_FAKE_DIR}/world_payloads.cpp)
target_include_directories(nws_fake PUBLIC ${NWS_FAKE_DIR})
target_compile_features(nws_fake PUBLIC cxx_std_20)
target_link_libraries(nws_fake PUBLIC PkgConfig::CPP_HTTPLIB OpenSSL::SSL OpenSSL::Crypto
  Threads::Threads)

add_executable(tickwell-nws-fake ${NWS_FAKE_DIR}/main.cpp)
target_link_libraries(tickwell-nws-fake PRIVATE nws_fake)
