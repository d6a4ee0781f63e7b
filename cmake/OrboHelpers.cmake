# orbo_library(NAME SOURCES ... DEPS ...)
# A static library whose headers are included as "folder/file.h" from src/.
function(orbo_library name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${L_DEPS})
endfunction()

# orbo_gtest(NAME LABEL unit|e2e|gui|slow SOURCES ... DEPS ... [TIMEOUT s])
# One test executable per suite; every TEST becomes one CTest case carrying LABEL.
function(orbo_gtest name)
  cmake_parse_arguments(T "" "LABEL;TIMEOUT" "SOURCES;DEPS" ${ARGN})
  if(NOT T_LABEL)
    set(T_LABEL unit)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_DEPS} orbo_test_support GTest::gtest GTest::gmock
                        GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE ORBO_APP_DIR="${ORBO_APP_DIR}"
                                             ORBO_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                                             ORBO_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name} PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT}
                       DISCOVERY_TIMEOUT 60)
endfunction()

# orbo_fuzz_target(NAME SOURCES ... DEPS ...)
# One fuzz target for one parser of outside input, seeded from
# tests/fuzz/corpus/NAME/ (with tests/fuzz/dict/NAME.dict when the format has
# keywords). In the ORBO_FUZZ build, fuzz_NAME is a libFuzzer program; in
# every other build it replays the seeds and the kept findings
# (tests/fuzz/regressions/NAME/) once, as a unit test.
function(orbo_fuzz_target name)
  cmake_parse_arguments(F "" "" "SOURCES;DEPS" ${ARGN})
  set(target fuzz_${name})
  add_executable(${target} ${F_SOURCES})
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests
                                               ${CMAKE_SOURCE_DIR}/tests/fuzz)
  target_link_libraries(${target} PRIVATE orbo_fuzz_support ${F_DEPS})
  set(seeds ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name})
  if(ORBO_FUZZ)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
    set_property(GLOBAL APPEND PROPERTY ORBO_FUZZ_TARGETS ${name})
  else()
    target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests/fuzz/replay_main.cpp)
    add_test(NAME fuzz_replay_${name}
             COMMAND ${target} ${seeds} ${CMAKE_SOURCE_DIR}/tests/fuzz/regressions/${name})
    set_tests_properties(fuzz_replay_${name} PROPERTIES LABELS unit TIMEOUT 120)
  endif()
endfunction()
