# What the release packages hold, and how CPack makes them:
# - on Linux (with SCENARIO_PACKAGE), the Debian package scenario-tool: the tool in /usr/bin,
#   its manual page, the installer in /usr/lib/scenario-tool/ (it writes its files next to
#   itself, so it is a file to copy into the simulator's folder, not a command to run from
#   /usr/bin), and the README and documents in /usr/share/doc/scenario-tool/;
# - on Windows, a zip of the two programs, the README and the documents.
# The release number is the project's version.
option(SCENARIO_PACKAGE
  "Make the Debian package's files too: the manual page (help2man) and the changelog" OFF)

set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "GENOVA-TORINO IC514 maintainers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "installer of the GENOVA - TORINO IC 514 driving scenario, and scenario-tool")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  install(TARGETS genova_torino_ic514 scenario-tool RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-windows-x86_64)
  include(CPack)
  return()
endif()

if(NOT SCENARIO_PACKAGE)
  return()
endif()

set(package scenario-tool)
set(doc_dir share/doc/${package})
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The changelog names the release too; the two must agree.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^${package} \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog starts with [${changelog_head}], not with release "
    "${PROJECT_VERSION}: add its entry")
endif()

find_program(GZIP_EXECUTABLE gzip REQUIRED)
find_program(HELP2MAN_EXECUTABLE help2man REQUIRED)
set(man_page ${CMAKE_CURRENT_BINARY_DIR}/packaging/scenario-tool.1.gz)
set(changelog ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${man_page}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging
  COMMAND bash ${PROJECT_SOURCE_DIR}/packaging/man-page.sh $<TARGET_FILE:scenario-tool>
    ${PROJECT_SOURCE_DIR}/packaging/scenario-tool.h2m ${PROJECT_VERSION} ${man_page}
  DEPENDS scenario-tool ${PROJECT_SOURCE_DIR}/packaging/man-page.sh
    ${PROJECT_SOURCE_DIR}/packaging/scenario-tool.h2m
  COMMENT "Writing the manual page scenario-tool(1) from the tool's help"
  VERBATIM)
add_custom_command(OUTPUT ${changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging
  COMMAND sh -c "${GZIP_EXECUTABLE} -9n <\"$1\" >\"$2\"" gzip
    ${PROJECT_SOURCE_DIR}/packaging/changelog ${changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(package_files ALL DEPENDS ${man_page} ${changelog})

install(TARGETS scenario-tool RUNTIME DESTINATION bin)
install(TARGETS genova_torino_ic514 RUNTIME DESTINATION lib/${package})
install(FILES ${man_page} DESTINATION share/man/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/packaging/copyright
  ${changelog} DESTINATION ${doc_dir})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs DESTINATION ${doc_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${package})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(SCENARIO_PACKAGE_MAINTAINER
  "GENOVA-TORINO IC514 maintainers <maintainers@users.noreply.c-seed-ca142e4d.example>"
  CACHE STRING "Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${SCENARIO_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The C and C++ runtimes, as dpkg-shlibdeps finds them in the two programs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The installer draws its window with FLTK on X11, loaded only when a display answers; without
# them it does its whole job without a window.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libfltk1.3, libx11-6")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The long description; CPack puts the summary before it and indents it as the control file
# wants, a blank line parting paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "scenario-tool compiles the line and train descriptions of a scenario for a
train-driving simulator into the three files the simulator reads, reports
the faults it finds with their line and position, and shows what compiled
files hold, as text, as JSON or as an SVG map of the line and its profile.

The package also holds the self-installing scenario GENOVA - TORINO, train
IC 514 (169 km), as /usr/lib/scenario-tool/genova_torino_ic514. It takes no
arguments and writes the scenario's files next to itself: copy it into the
simulator's folder and run it there. It shows a small window when a display
answers, with FLTK on X11, and works without one too.")
include(CPack)
