# One static library per folder: every .cpp of the folder (not of its subfolders).
function(coldpoint_layer name dir)
  file(GLOB _src CONFIGURE_DEPENDS "${dir}/*.cpp")
  if(NOT _src)
    # A layer that has no sources yet still links.
    set(_src "${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp")
    file(WRITE "${_src}" "")
  endif()
  add_library(${name} STATIC ${_src})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()

# One test program per folder under tests/: every .cpp in it, linked with gtest_main.
function(coldpoint_tests name dir)
  file(GLOB _src CONFIGURE_DEPENDS "${dir}/*.cpp")
  if(NOT _src)
    return()
  endif()
  add_executable(${name} ${_src})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gmock)
  # Tests that read files of the tree find them here (__FILE__ may be relative).
  target_compile_definitions(${name} PRIVATE COLDPOINT_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  if(NOT ARGN MATCHES "GTest::gtest_main")
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# One benchmark program per .cpp under bench/<dir>.
function(coldpoint_bench name dir)
  file(GLOB _src CONFIGURE_DEPENDS "${dir}/*.cpp")
  if(NOT _src)
    return()
  endif()
  add_executable(${name} ${_src})
  target_link_libraries(${name} PRIVATE ${ARGN} benchmark::benchmark)
endfunction()
