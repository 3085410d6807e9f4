# Writes the header that tells scenario-tool which commit it was built from. Run at every build
# (cmake -P), not only at configure time, so that a commit or an edit made since configuring
# shows; the header is rewritten only when its text changes, so that nothing recompiles
# otherwise.
#
#   cmake -DSOURCE_DIR=DIR -DOUTPUT=FILE -P build_version.cmake
#
# The commit is `git describe --always --dirty` of SOURCE_DIR. A tree that is not a git
# checkout (a source tarball), or a machine without git, gives an empty commit.
if(NOT SOURCE_DIR OR NOT OUTPUT)
  message(FATAL_ERROR "build_version.cmake needs SOURCE_DIR and OUTPUT")
endif()

set(commit "")
find_program(GIT_EXECUTABLE git)
if(GIT_EXECUTABLE)
  # Only the tree's own repository counts: a tarball unpacked inside some other checkout must
  # not take that checkout's commit.
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --show-toplevel
    WORKING_DIRECTORY ${SOURCE_DIR}
    OUTPUT_VARIABLE toplevel OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE toplevel_status ERROR_QUIET)
  if(toplevel_status EQUAL 0)
    file(REAL_PATH ${toplevel} toplevel)
    file(REAL_PATH ${SOURCE_DIR} source_dir)
  endif()
  if(toplevel_status EQUAL 0 AND toplevel STREQUAL source_dir)
    execute_process(COMMAND ${GIT_EXECUTABLE} describe --always --dirty
      WORKING_DIRECTORY ${SOURCE_DIR}
      OUTPUT_VARIABLE described OUTPUT_STRIP_TRAILING_WHITESPACE
      RESULT_VARIABLE describe_status ERROR_QUIET)
    if(describe_status EQUAL 0)
      set(commit ${described})
    endif()
  endif()
endif()

set(text "// Written by cmake/build_version.cmake at build time.\n#pragma once\n\n")
string(APPEND text "#define SCENARIO_BUILD_COMMIT \"${commit}\"\n")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
else()
  set(old "")
endif()
if(NOT old STREQUAL text)
  file(WRITE ${OUTPUT} "${text}")
endif()
