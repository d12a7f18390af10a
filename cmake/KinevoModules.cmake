# Helpers that turn a source folder into a library.  Every folder is globbed,
# so adding a file needs no edit here.  A folder without sources becomes an
# interface library, so that later modules can already depend on it.

function(_kinevo_module target dir)
  cmake_parse_arguments(M "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  # Plugins are shared libraries of their own, built by their folder's CMakeLists.
  list(FILTER srcs EXCLUDE REGEX "/plugins/")
  if(srcs)
    add_library(${target} STATIC ${srcs})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${M_DEPS})
    set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} INTERFACE ${M_DEPS})
  endif()
endfunction()

function(kinevo_core_module name)
  cmake_parse_arguments(M "" "" "DEPS" ${ARGN})
  set(deps)
  foreach(d ${M_DEPS})
    list(APPEND deps kinevo_core_${d})
  endforeach()
  _kinevo_module(kinevo_core_${name} ${PROJECT_SOURCE_DIR}/src/core/${name} DEPS ${deps} Threads::Threads)
endfunction()

function(kinevo_platform_module name)
  _kinevo_module(kinevo_platform_${name} ${PROJECT_SOURCE_DIR}/src/platform/${name} ${ARGN})
endfunction()

function(kinevo_gui_module name)
  _kinevo_module(kinevo_gui_${name} ${PROJECT_SOURCE_DIR}/src/gui/${name} ${ARGN})
endfunction()

find_package(Threads REQUIRED)
