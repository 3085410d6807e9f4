# The commit lookup that scenario-tool --version shows: a git checkout gives its commit, with
# "-dirty" once a tracked file changes; a tree without git, or one unpacked inside another
# checkout, gives none; an unchanged header is not rewritten, so that nothing recompiles.
#
#   cmake -DSCRIPT=cmake/build_version.cmake -DSCRATCH=DIR -P build_version_test.cmake
find_program(GIT git REQUIRED)
file(REMOVE_RECURSE ${SCRATCH})
set(repo ${SCRATCH}/checkout)
set(header ${SCRATCH}/build_version.h)
file(MAKE_DIRECTORY ${repo}/unpacked)

function(lookup source expected what)
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${source} -DOUTPUT=${header}
    -P ${SCRIPT} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what}: the lookup failed")
  endif()
  file(STRINGS ${header} line REGEX "^#define SCENARIO_BUILD_COMMIT ")
  if(NOT line STREQUAL "#define SCENARIO_BUILD_COMMIT \"${expected}\"")
    message(FATAL_ERROR "${what}: got [${line}], expected the commit [${expected}]")
  endif()
endfunction()

function(git)
  execute_process(COMMAND ${GIT} -c user.name=t -c user.email=t@t -c init.defaultBranch=main
    ${ARGN} WORKING_DIRECTORY ${repo} OUTPUT_QUIET RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "git ${ARGN} failed")
  endif()
endfunction()

lookup(${repo} "" "a tree that is not a checkout")

git(init -q)
file(WRITE ${repo}/file.txt "one\n")
git(add file.txt)
git(commit -q -m one)
execute_process(COMMAND ${GIT} rev-parse --short HEAD WORKING_DIRECTORY ${repo}
  OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE)
lookup(${repo} "${commit}" "a clean checkout")
file(TIMESTAMP ${header} before "%s")
execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 1.1)
lookup(${repo} "${commit}" "the same checkout again")
file(TIMESTAMP ${header} after "%s")
if(NOT before STREQUAL after)
  message(FATAL_ERROR "the header was rewritten with the same text")
endif()

lookup(${repo}/unpacked "" "a tree unpacked inside another checkout")

file(WRITE ${repo}/file.txt "two\n")
lookup(${repo} "${commit}-dirty" "a checkout with a changed file")

file(REMOVE_RECURSE ${SCRATCH})
