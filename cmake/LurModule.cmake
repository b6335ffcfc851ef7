# lur_add_tests(<prefix> <dir>
#               LIBS <libs...>          libraries the test program links
#               [DEPENDS <targets...>]  programs and libraries the tests run or load
#               [DEFINITIONS <defs...>] compile definitions of the test program
#               [INCLUDES <dirs...>]    extra include directories
#               [SOURCES <files...>])   extra sources compiled into the test program
# Builds one GoogleTest program of all <dir>/*_test.cpp, named <prefix>_tests,
# and registers its tests with CTest. One program per module rather than one
# per file keeps the sanitizer build's link steps few (each links the whole
# static library stack); every test file keeps its helpers in an anonymous
# namespace and its suite names to itself. Every test sees LUR_TEST_BIN_DIR,
# the directory of the built programs and shared libraries. Test names carry
# the index of a parameter, never its value (values may be raw bytes).
function(lur_add_tests prefix dir)
  cmake_parse_arguments(ARG "" "" "LIBS;DEPENDS;DEFINITIONS;INCLUDES;SOURCES" ${ARGN})
  if(NOT LUR_BUILD_TESTS)
    return()
  endif()
  file(GLOB test_sources CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  if(NOT test_sources)
    return()
  endif()
  set(target ${prefix}_tests)
  add_executable(${target} ${test_sources} ${ARG_SOURCES})
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
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES NO_PRETTY_TYPES
    PROPERTIES ENVIRONMENT "LUR_TEST_BIN_DIR=${CMAKE_BINARY_DIR}/bin")
endfunction()
