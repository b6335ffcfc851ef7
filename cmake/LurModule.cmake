# lur_add_tests(<prefix> <dir> LIBS <libs...>)
# Builds one GoogleTest program per <dir>/*_test.cpp, named <prefix>_<file>,
# and registers its tests with CTest.
function(lur_add_tests prefix dir)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  if(NOT LUR_BUILD_TESTS)
    return()
  endif()
  file(GLOB test_sources CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  foreach(src ${test_sources})
    get_filename_component(name ${src} NAME_WE)
    set(target ${prefix}_${name})
    add_executable(${target} ${src})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "LUR_TEST_BIN_DIR=${CMAKE_BINARY_DIR}/bin")
  endforeach()
endfunction()
