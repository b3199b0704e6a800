# Project-wide compiler settings and helpers for libraries and tests.

set(veltroma_warnings -Wall -Wextra -Wpedantic)

if(VELTROMA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# veltroma_library(<name> SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# A library target veltroma_<name>; its headers are included as "<name>/File.h".
function(veltroma_library name)
  cmake_parse_arguments(arg "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(veltroma_${name} STATIC ${arg_SOURCES})
  target_include_directories(veltroma_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(veltroma_${name} PRIVATE ${veltroma_warnings})
  target_link_libraries(veltroma_${name} PUBLIC ${arg_PUBLIC_LIBS} PRIVATE ${arg_PRIVATE_LIBS})
  # The fuzz targets see which branches of every library an input reaches.
  if(VELTROMA_FUZZ)
    target_compile_options(veltroma_${name} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()

# veltroma_test(<name> SOURCES ... LIBS ... [GUI] [TIMEOUT s] [LABEL label])
# One GoogleTest executable per tests/ folder. GUI tests run on the offscreen platform and
# carry the label "gui"; the sanitizer build does not build them. LABEL names tests that a
# quick loop may skip (ctest -LE LABEL), e.g. "browser".
function(veltroma_test name)
  cmake_parse_arguments(arg "GUI" "TIMEOUT;LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${arg_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/TestMain.cpp)
  target_compile_options(${name} PRIVATE ${veltroma_warnings})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${arg_LIBS} Qt6::Core GTest::gtest GTest::gmock)
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 300)
  endif()
  set(labels core)
  # The folders reach the tests through their main, not through CTest properties, so that
  # running a test executable by hand behaves the same.
  set_source_files_properties(${PROJECT_SOURCE_DIR}/tests/support/TestMain.cpp
    TARGET_DIRECTORY ${name}
    PROPERTIES COMPILE_DEFINITIONS
      "VELTROMA_TEST_SOURCE_DIR=\"${PROJECT_SOURCE_DIR}\";VELTROMA_TEST_BINARY_DIR=\"${PROJECT_BINARY_DIR}\"")
  if(arg_GUI)
    target_compile_definitions(${name} PRIVATE VELTROMA_TEST_GUI)
    target_link_libraries(${name} PRIVATE Qt6::Widgets)
    set(labels gui)
  endif()
  if(arg_LABEL)
    set(labels ${arg_LABEL})
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${labels}" TIMEOUT ${arg_TIMEOUT})
endfunction()

# veltroma_fuzz_test(<test name> <fuzz target> [libFuzzer arguments...])
# Runs a libFuzzer target (built with VELTROMA_FUZZ) under CTest. Every run is held to the
# same bounds, so that an input that makes a reader slow or greedy fails as surely as one
# that makes it crash: 5 s per input, 512 MB for the process.
function(veltroma_fuzz_test name target)
  add_test(NAME ${name} COMMAND ${target} -rss_limit_mb=512 -timeout=5 ${ARGN})
  set_tests_properties(${name} PROPERTIES LABELS core TIMEOUT 600)
endfunction()

# veltroma_fuzz_target(<target> SOURCE <file> LIBS <libraries...> [ARGS <libFuzzer arguments...>])
# A libFuzzer target of the tests and its run under CTest.
function(veltroma_fuzz_target target)
  cmake_parse_arguments(arg "" "SOURCE" "LIBS;ARGS" ${ARGN})
  add_executable(${target} ${arg_SOURCE})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${target} PRIVATE ${arg_LIBS})
  veltroma_fuzz_test(${target} ${target} ${arg_ARGS})
endfunction()
