# Test helpers shared by every module.
#
# hh_add_test(NAME sources... LIBS libs...)
#   A GoogleTest executable run by CTest, one CTest case per test so that every
#   test runs in its own process with its own device tree and window registry.
# hh_add_fuzzer(NAME sources... LIBS libs...)
#   A libFuzzer target, built only in the fuzz tree (HH_FUZZ=ON).
# hh_add_benchmark(NAME sources... LIBS libs...)
#   A Google Benchmark executable; never run by the tests.

function(hh_add_test name)
    if(HH_FUZZ)
        return()
    endif()
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} os_test_main GTest::gtest GTest::gmock)
    gtest_discover_tests(${name}
        DISCOVERY_TIMEOUT 60
        PROPERTIES TIMEOUT 120 ENVIRONMENT "OS_BACKEND=headless;HH_BUILD_DIR=${CMAKE_BINARY_DIR}")
endfunction()

function(hh_add_fuzzer name)
    if(NOT HH_FUZZ)
        return()
    endif()
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_property(GLOBAL APPEND PROPERTY HH_FUZZERS ${name})
endfunction()

function(hh_add_benchmark name)
    if(HH_FUZZ OR HH_SANITIZE OR NOT benchmark_FOUND)
        return()
    endif()
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
endfunction()
