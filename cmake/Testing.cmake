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
        TEST_PREFIX "${name}."
        DISCOVERY_TIMEOUT 60
        PROPERTIES TIMEOUT 120 ENVIRONMENT "HH_BUILD_DIR=${CMAKE_BINARY_DIR}")
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

# hh_os_module(NAME [DEPS modules...] [LIBS libraries...] [TEST_LIBS libraries...])
#   One platform library os_NAME from every *.cpp of the calling folder, and one
#   test program os_NAME_<file> for every tests/*_test.cpp beside it (each test
#   file its own program, so a module's tests build apart from the others').
#   DEPS names other os modules (cycles are fine between static libraries).
function(hh_os_module name)
    cmake_parse_arguments(ARG "" "" "DEPS;LIBS;TEST_LIBS" ${ARGN})
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*_test.cpp)
    if(NOT srcs)
        return()
    endif()
    add_library(os_${name} STATIC ${srcs})
    target_link_libraries(os_${name} PUBLIC os_headers ${ARG_LIBS})
    foreach(dep IN LISTS ARG_DEPS)
        target_link_libraries(os_${name} PUBLIC $<TARGET_NAME_IF_EXISTS:os_${dep}>)
    endforeach()
    foreach(test IN LISTS tests)
        get_filename_component(stem ${test} NAME_WE)
        string(REGEX REPLACE "_test$" "" stem ${stem})
        hh_add_test(os_${name}_${stem} ${test} LIBS os_${name} ${ARG_TEST_LIBS})
    endforeach()
endfunction()
