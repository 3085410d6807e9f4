# The Windows programs' resources: the file properties Windows shows (release, description,
# file name), and whatever else a program carries, in one resource script per program.
#
#   scenario_windows_resources(TARGET DESCRIPTION "..." [EXTRA "resource lines"])
function(scenario_windows_resources target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "DESCRIPTION;EXTRA" "")
  enable_language(RC)
  get_target_property(output_name ${target} OUTPUT_NAME)
  if(NOT output_name)
    set(output_name ${target})
  endif()
  set(SCENARIO_RC_FILE_NAME ${output_name}.exe)
  set(SCENARIO_RC_INTERNAL_NAME ${output_name})
  set(SCENARIO_RC_DESCRIPTION ${arg_DESCRIPTION})
  set(SCENARIO_RC_EXTRA ${arg_EXTRA})
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${script} @ONLY)
  target_sources(${target} PRIVATE ${script})
endfunction()
