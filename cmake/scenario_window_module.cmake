# The installer's window module (Linux): FLTK and X11 linked into a module of their own, whose
# bytes go into scenario_platform; the installer writes them to a memory file and loads them
# only when a display answers (platform/linux/window_module_loader.cpp). Included from
# platform/CMakeLists.txt after scenario_platform is made.
enable_language(ASM)

# FLTK's own CMake package on Debian names libraries it does not install, so the library and its
# header are looked up directly; libfltk.so brings its X11 companions itself.
find_package(X11 REQUIRED)
find_package(Threads REQUIRED)
find_path(SCENARIO_FLTK_INCLUDE_DIR FL/Fl.H REQUIRED)
find_library(SCENARIO_FLTK_LIBRARY fltk REQUIRED)

# What code that talks to the X server links (the window tests look at windows through
# connections of their own), and what code that draws with the toolkit links.
add_library(scenario_xlib INTERFACE)
target_link_libraries(scenario_xlib INTERFACE X11::X11)
add_library(scenario_window_toolkit INTERFACE)
target_include_directories(scenario_window_toolkit SYSTEM INTERFACE ${SCENARIO_FLTK_INCLUDE_DIR})
target_link_libraries(scenario_window_toolkit INTERFACE ${SCENARIO_FLTK_LIBRARY} scenario_xlib)

set(SCENARIO_WINDOW_MODULE_DIR ${CMAKE_CURRENT_BINARY_DIR}/window_module)
set(SCENARIO_WINDOW_MODULE_FILE
  ${SCENARIO_WINDOW_MODULE_DIR}/${CMAKE_SHARED_MODULE_PREFIX}scenario_window${CMAKE_SHARED_MODULE_SUFFIX})
add_library(scenario_window MODULE ${WINDOW_MODULE_SOURCES})
target_link_libraries(scenario_window PRIVATE scenario_window_toolkit)
# Only the Ui factory is exported; every symbol the module needs must be found when it is linked,
# not when the installer loads it on a user's display.
set_target_properties(scenario_window PROPERTIES
  LIBRARY_OUTPUT_DIRECTORY ${SCENARIO_WINDOW_MODULE_DIR}
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON)
target_link_options(scenario_window PRIVATE LINKER:--no-undefined)

set(image_source ${CMAKE_CURRENT_SOURCE_DIR}/linux/window_module_image.S)
set_source_files_properties(${image_source} PROPERTIES
  COMPILE_DEFINITIONS "WINDOW_MODULE_PATH=\"${SCENARIO_WINDOW_MODULE_FILE}\""
  OBJECT_DEPENDS ${SCENARIO_WINDOW_MODULE_FILE})
target_sources(scenario_platform PRIVATE ${image_source})
add_dependencies(scenario_platform scenario_window)

# Xlib's headers give the display probe its types; the library itself is loaded at run time.
target_include_directories(scenario_platform SYSTEM PRIVATE ${X11_INCLUDE_DIR})
target_link_libraries(scenario_platform PUBLIC Threads::Threads ${CMAKE_DL_LIBS})
target_compile_definitions(scenario_platform PUBLIC SCENARIO_GUI=1)
