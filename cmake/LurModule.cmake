# lur_add_tests(<prefix> <dir>
#               LIBS <libs...>          libraries every test program links
#               [DEPENDS <targets...>]  programs and libraries the tests run or load
#               [DEFINITIONS <defs...>] compile definitions of the test programs
#               [INCLUDES <dirs...>]    extra include directories
#               [SOURCES <files...>])   extra sources compiled into each test program
# Builds one GoogleTest program per <dir>/*_test.cpp, named <prefix>_<file>,
# and registers its tests with CTest. Every test sees LUR_TEST_BIN_DIR, the
# directory of the built programs and shared libraries.
function(lur_add_tests prefix dir)
  cmake_parse_arguments(ARG "" "" "LIBS;DEPENDS;DEFINITIONS;INCLUDES;SOURCES" ${ARGN})
  if(NOT LUR_BUILD_TESTS)
    return()
  endif()
  file(GLOB test_sources CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  foreach(src ${test_sources})
    get_filename_component(name ${src} NAME_WE)
    set(target ${prefix}_${name})
    add_executable(${target} ${src} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    if(ARG_DEPENDS)
      add_dependencies(${target} ${ARG_DEPENDS})
    endif()
    if(ARG_DEFINITIONS)
      target_compile_definitions(${target} PRIVATE ${ARG_DEFINITIONS})
    endif()
    if(ARG_INCLUDES)
      target_include_directories(${target} PRIVATE ${ARG_INCLUDES})
    endif()
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "LUR_TEST_BIN_DIR=${CMAKE_BINARY_DIR}/bin")
  endforeach()
endfunction()
