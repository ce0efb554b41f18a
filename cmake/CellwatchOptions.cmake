# Compiler settings shared by every target of the project, carried by one interface target.
add_library(cellwatch_options INTERFACE)
target_compile_options(cellwatch_options INTERFACE -Wall -Wextra -Wpedantic)
if(CELLWATCH_WERROR)
  target_compile_options(cellwatch_options INTERFACE -Werror)
endif()
target_include_directories(cellwatch_options INTERFACE ${PROJECT_SOURCE_DIR}/src)

if(CELLWATCH_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(CELLWATCH_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# The core modules in dependency order; each folder must have its CMakeLists.txt.
set(CELLWATCH_CORE_MODULES common design script trace board app batch)

# cellwatch_add_module(name SOURCES ... [DEPENDS ...]): one static library per core module.
function(cellwatch_add_module name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(cellwatch_${name} STATIC ${ARG_SOURCES})
  target_link_libraries(cellwatch_${name} PUBLIC cellwatch_options ${ARG_DEPENDS})
endfunction()

# cellwatch_add_test(name SOURCES ... LIBS ...): one GoogleTest executable registered with CTest.
function(cellwatch_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE cellwatch_options ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    CELLWATCH_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    CELLWATCH_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()

# cellwatch_add_bench(name SOURCES ... LIBS ...): one Google Benchmark program.
function(cellwatch_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE cellwatch_options ${ARG_LIBS} benchmark::benchmark benchmark::benchmark_main)
  target_compile_definitions(${name} PRIVATE CELLWATCH_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endfunction()

# cellwatch_add_fuzzer(name SOURCES ... LIBS ...): one libFuzzer target.
function(cellwatch_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE cellwatch_options ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzzers)
  set_property(GLOBAL APPEND PROPERTY CELLWATCH_FUZZERS ${name})
endfunction()
