# The HTTP library of `scenario-tool serve` as the target scenario_http. On Linux it is Debian's
# libcpp-httplib (found through pkg-config, with the definitions its build was made with). A
# Windows build compiles the same library from Debian's source package, which
# scripts/fetch-httplib-source.sh unpacks with Debian's patches applied; only one source file
# of ours includes it.
if(TARGET scenario_http)
  return()
endif()
add_library(scenario_http INTERFACE)
if(WIN32)
  set(SCENARIO_HTTPLIB_DIR ${PROJECT_SOURCE_DIR}/build/third-party/cpp-httplib CACHE PATH
    "Folder holding the HTTP library's httplib.h for the Windows build")
  if(NOT EXISTS ${SCENARIO_HTTPLIB_DIR}/httplib.h)
    message(STATUS "Fetching the HTTP library's source into ${SCENARIO_HTTPLIB_DIR}")
    execute_process(
      COMMAND ${PROJECT_SOURCE_DIR}/scripts/fetch-httplib-source.sh ${SCENARIO_HTTPLIB_DIR}
      RESULT_VARIABLE fetched)
    if(NOT fetched EQUAL 0)
      message(FATAL_ERROR "cannot fetch the HTTP library's source (Debian's cpp-httplib source "
        "package): run scripts/fetch-httplib-source.sh ${SCENARIO_HTTPLIB_DIR} to see why")
    endif()
  endif()
  # Its own warnings are not ours to mend: the folder is a system one for our sources.
  target_include_directories(scenario_http SYSTEM INTERFACE ${SCENARIO_HTTPLIB_DIR})
  target_link_libraries(scenario_http INTERFACE ws2_32)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(CPP_HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
  target_link_libraries(scenario_http INTERFACE PkgConfig::CPP_HTTPLIB)
endif()
