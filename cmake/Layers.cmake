# Every target names its sources; each source is recorded, so that the check at the end of
# the top CMakeLists.txt finds a .cpp that no target builds.
function(coldpoint_record_sources)
  foreach(_s ${ARGN})
    get_filename_component(_abs "${_s}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    set_property(GLOBAL APPEND PROPERTY COLDPOINT_SOURCES "${_abs}")
  endforeach()
endfunction()

# Our own targets fail on a warning where COLDPOINT_WERROR says so.
function(coldpoint_warnings name)
  if(COLDPOINT_WERROR AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${name} PRIVATE -Werror)
  endif()
endfunction()

# A static library of the tree: coldpoint_layer(name SOURCES a.cpp ... [LINK lib ...]).
function(coldpoint_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LINK")
  add_library(${name} STATIC ${arg_SOURCES})
  coldpoint_record_sources(${arg_SOURCES})
  coldpoint_warnings(${name})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${arg_LINK})
endfunction()

# A program of the tree: coldpoint_program(name SOURCES a.cpp ... [LINK lib ...]).
function(coldpoint_program name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LINK")
  add_executable(${name} ${arg_SOURCES})
  coldpoint_record_sources(${arg_SOURCES})
  coldpoint_warnings(${name})
  target_link_libraries(${name} PRIVATE ${arg_LINK})
endfunction()

# A test program, run by CTest: coldpoint_tests(name SOURCES ... LINK ...). Its main is
# tests/TestMain.cpp (cp_test_main) unless a source defines one.
function(coldpoint_tests name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LINK")
  add_executable(${name} ${arg_SOURCES})
  coldpoint_record_sources(${arg_SOURCES})
  coldpoint_warnings(${name})
  target_link_libraries(${name} PRIVATE ${arg_LINK} GTest::gtest GTest::gmock)
  # Tests that read files of the tree find them here (__FILE__ may be relative).
  target_compile_definitions(${name} PRIVATE COLDPOINT_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  target_link_libraries(${name} PRIVATE cp_test_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# A benchmark program: coldpoint_bench(name SOURCES ... LINK ...).
function(coldpoint_bench name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LINK")
  add_executable(${name} ${arg_SOURCES})
  coldpoint_record_sources(${arg_SOURCES})
  coldpoint_warnings(${name})
  target_link_libraries(${name} PRIVATE ${arg_LINK} benchmark::benchmark)
endfunction()

# Fails the configuration when a .cpp under one of the folders is in no target.
function(coldpoint_check_sources)
  get_property(_built GLOBAL PROPERTY COLDPOINT_SOURCES)
  set(_missing "")
  foreach(_dir ${ARGN})
    file(GLOB_RECURSE _all "${PROJECT_SOURCE_DIR}/${_dir}/*.cpp")
    foreach(_f ${_all})
      if(NOT _f IN_LIST _built)
        list(APPEND _missing "${_f}")
      endif()
    endforeach()
  endforeach()
  if(_missing)
    list(JOIN _missing "\n  " _text)
    message(FATAL_ERROR "Sources in no target:\n  ${_text}")
  endif()
endfunction()
