# CLI11 and nlohmann/json for a cross build, taken from the build host: both are header-only,
# so the host's headers serve any target. Their packages would put the host's whole include
# directory on the path, where its C library headers would shadow the target's; instead a
# directory in the build tree holds links to just these two libraries' headers.
if(TARGET CLI11::CLI11 AND TARGET nlohmann_json::nlohmann_json)
  return()
endif()

find_path(SCENARIO_HOST_CLI11_DIR CLI/CLI.hpp PATHS /usr/include /usr/local/include
  NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_path(SCENARIO_HOST_NLOHMANN_DIR nlohmann/json.hpp PATHS /usr/include /usr/local/include
  NO_CMAKE_FIND_ROOT_PATH REQUIRED)

set(SCENARIO_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${SCENARIO_HOST_HEADERS})
file(CREATE_LINK ${SCENARIO_HOST_CLI11_DIR}/CLI ${SCENARIO_HOST_HEADERS}/CLI SYMBOLIC)
file(CREATE_LINK ${SCENARIO_HOST_NLOHMANN_DIR}/nlohmann ${SCENARIO_HOST_HEADERS}/nlohmann SYMBOLIC)

foreach(library CLI11::CLI11 nlohmann_json::nlohmann_json)
  add_library(${library} INTERFACE IMPORTED GLOBAL)
  set_target_properties(${library} PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${SCENARIO_HOST_HEADERS})
endforeach()
