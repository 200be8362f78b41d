# The fuzz harnesses (each fuzz/<name>.cpp) and the library each links, in pairs; read by
# fuzz/CMakeLists.txt and by the main build's check of sources in no target.
set(COLDPOINT_FUZZ_HARNESSES
  curve_file      cp_app_core
  journal         cp_app_core
  input_report    cp_app_core
  report_descriptor cp_platform_linux
  udev_record     cp_platform_linux
  code_page       cp_runtime
  number_text     cp_app_core
)
# The program that writes the harnesses' seeds.
set(COLDPOINT_FUZZ_SEEDS make_seeds.cpp)

# Records the fuzz sources for coldpoint_check_sources.
function(coldpoint_record_fuzz_sources)
  set(_sources ${COLDPOINT_FUZZ_SEEDS})
  list(LENGTH COLDPOINT_FUZZ_HARNESSES _n)
  math(EXPR _last "${_n} - 1")
  foreach(_i RANGE 0 ${_last} 2)
    list(GET COLDPOINT_FUZZ_HARNESSES ${_i} _name)
    list(APPEND _sources ${_name}.cpp)
  endforeach()
  foreach(_s ${_sources})
    set_property(GLOBAL APPEND PROPERTY COLDPOINT_SOURCES "${PROJECT_SOURCE_DIR}/fuzz/${_s}")
  endforeach()
endfunction()
