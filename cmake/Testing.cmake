# Test helpers shared by every module.
#
# hh_add_test(NAME sources... LIBS libs...)
#   A GoogleTest executable run by CTest, one CTest case per test so that every
#   test runs in its own process with its own device tree and window registry.
# hh_add_fuzzer(NAME sources... LIBS libs...)
#   A libFuzzer target, built only in the fuzz tree (HH_FUZZ=ON).
# hh_add_benchmark(NAME sources... LIBS libs...)
#   A Google Benchmark executable; never run by the tests.

# Test files are compiled without optimisation: they are large, run briefly,
# and the code they test keeps the tree's own optimisation.
set(HH_TEST_OPT -O0)

# Every test program reuses one precompiled GoogleTest header: most of a test
# file's compile time is spent in it.
function(hh_test_pch)
    if(TARGET hh_test_pch OR HH_FUZZ)
        return()
    endif()
    file(WRITE ${CMAKE_BINARY_DIR}/hh_test_pch.cpp "// precompiled test headers\n")
    add_library(hh_test_pch STATIC ${CMAKE_BINARY_DIR}/hh_test_pch.cpp)
    target_link_libraries(hh_test_pch PRIVATE os GTest::gtest GTest::gmock)
    target_precompile_headers(hh_test_pch PRIVATE <gtest/gtest.h> <gmock/gmock.h> <string> <vector> <memory> <functional>)
    target_compile_options(hh_test_pch PRIVATE ${HH_TEST_OPT})
endfunction()

function(hh_add_test name)
    if(HH_FUZZ)
        return()
    endif()
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    hh_test_pch()
    add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} os_test_main GTest::gtest GTest::gmock)
    target_precompile_headers(${name} REUSE_FROM hh_test_pch)
    target_compile_options(${name} PRIVATE ${HH_TEST_OPT})
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

# hh_library(TARGET DIRS folders... LIBS libraries...)
#   One static library TARGET from every *.cpp of the given folders (relative
#   to the calling folder), with the project root as its include root.
function(hh_library target)
    cmake_parse_arguments(ARG "" "" "DIRS;LIBS" ${ARGN})
    set(srcs)
    foreach(dir IN LISTS ARG_DIRS)
        file(GLOB dir_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
        list(APPEND srcs ${dir_srcs})
    endforeach()
    if(NOT srcs)
        return()
    endif()
    add_library(${target} STATIC ${srcs})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_LIBS})
endfunction()

# hh_tests(PREFIX LIBS libraries...)
#   One test program PREFIX_<file> for every tests/*_test.cpp of the calling
#   folder (each test file its own program, so a module's tests build apart).
function(hh_tests prefix)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*_test.cpp)
    foreach(test IN LISTS tests)
        get_filename_component(stem ${test} NAME_WE)
        string(REGEX REPLACE "_test$" "" stem ${stem})
        hh_add_test(${prefix}_${stem} ${test} LIBS ${ARG_LIBS})
    endforeach()
endfunction()

# hh_module(TARGET [LIBS libraries...] [TEST_LIBS libraries...])
#   hh_library of the calling folder and hh_tests of its tests/ folder.
function(hh_module target)
    cmake_parse_arguments(ARG "" "" "LIBS;TEST_LIBS" ${ARGN})
    hh_library(${target} DIRS . LIBS ${ARG_LIBS})
    if(TARGET ${target})
        hh_tests(${target} LIBS ${target} ${ARG_TEST_LIBS})
    endif()
endfunction()

# hh_os_module(NAME [DEPS modules...] [LIBS libraries...] [TEST_LIBS libraries...])
#   A platform library os_NAME built by hh_module. DEPS names the os modules
#   below it: the libraries form a graph without cycles (os/README.md); one
#   above that a module needs (GDI for the window manager's default painting,
#   the controls' classes) plugs itself in when the process starts.
function(hh_os_module name)
    cmake_parse_arguments(ARG "" "" "DEPS;LIBS;TEST_LIBS" ${ARGN})
    set(deps os_headers)
    foreach(dep IN LISTS ARG_DEPS)
        list(APPEND deps $<TARGET_NAME_IF_EXISTS:os_${dep}>)
    endforeach()
    hh_module(os_${name} LIBS ${deps} ${ARG_LIBS} TEST_LIBS ${ARG_TEST_LIBS})
endfunction()
