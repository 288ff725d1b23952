# Test helpers shared by every module.
#
# hh_add_test(NAME sources... LIBS libs...)
#   A GoogleTest program run by CTest, one CTest case per test so that every
#   test runs in its own process with its own device tree and window registry.
#   Its cases are named NAME.Suite.Test.
# hh_tests(PREFIX LIBS libs...)
#   One test program of every tests/*_test.cpp of the calling folder; the cases
#   of tests/<stem>_test.cpp are named PREFIX_<stem>.Suite.Test.
# hh_add_fuzzer(NAME sources... LIBS libs...)
#   A libFuzzer target, built only in the sanitizer tree (HH_FUZZ=ON). Each
#   process takes a window-lookup prefix of its own (OS_INSTANCE), so copies
#   running side by side never meet each other's windows.
# hh_add_benchmark(NAME sources... LIBS libs...)
#   A Google Benchmark program; never run by the tests.
#
# What a test build costs is mostly fixed work per file and per program: the
# precompiled GoogleTest header is loaded once per compiled file, and every
# program is linked against the libraries and run once to list its tests.
# So test files, like library sources, are compiled in unity batches
# (HH_UNITY_BATCH files to one compiler run), and a folder's test files make
# one program. The files of one folder therefore share one scope: names local
# to a file (in its anonymous namespace, or static) must differ from those of
# the other files of its folder. -DHH_UNITY=OFF compiles file by file.

# Test files are compiled without optimisation: they are large, run briefly,
# and the code they test keeps the tree's own optimisation. In the sanitizer
# tree they need no fuzzing coverage (a fifth of their compile time).
set(HH_TEST_OPT -O0)
if(HH_FUZZ)
    list(APPEND HH_TEST_OPT -fno-sanitize=fuzzer-no-link)
endif()
option(HH_UNITY "Compile libraries and test programs in unity batches" ON)
set(HH_UNITY_BATCH 8 CACHE STRING "source files compiled together in one compiler run")

# Every test program reuses one precompiled GoogleTest header: most of a test
# file's compile time is spent in it.
function(hh_test_pch)
    if(TARGET hh_test_pch)
        return()
    endif()
    file(WRITE ${CMAKE_BINARY_DIR}/hh_test_pch.cpp "// precompiled test headers\n")
    add_library(hh_test_pch STATIC ${CMAKE_BINARY_DIR}/hh_test_pch.cpp)
    target_link_libraries(hh_test_pch PRIVATE os GTest::gtest GTest::gmock)
    target_precompile_headers(hh_test_pch PRIVATE <gtest/gtest.h> <string> <vector> <memory> <functional>)
    target_compile_options(hh_test_pch PRIVATE ${HH_TEST_OPT})
endfunction()

# Lists the program's tests after each link into a CTest file of its folder.
function(hh_discover_tests target prefix per_file)
    set(ctest_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_tests.cmake")
    set(env "HH_BUILD_DIR=${CMAKE_BINARY_DIR}|HH_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -D EXE=$<TARGET_FILE:${target}>
            -D WORK_DIR=${CMAKE_CURRENT_BINARY_DIR} -D PREFIX=${prefix} -D PER_FILE=${per_file}
            -D CTEST_FILE=${ctest_file} -D TIMEOUT=120 -D ENVIRONMENT=${env}
            -P ${PROJECT_SOURCE_DIR}/cmake/DiscoverTests.cmake
        VERBATIM)
    set(include_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_include.cmake")
    file(WRITE ${include_file}
        "if(EXISTS [==[${ctest_file}]==])\n"
        "    include([==[${ctest_file}]==])\n"
        "else()\n"
        "    add_test(${target}_NOT_BUILT ${target}_NOT_BUILT)\n"
        "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
endfunction()

# The test program TARGET from SOURCES, its cases named PREFIX... (see above).
function(hh_test_program target prefix per_file)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    hh_test_pch()
    add_executable(${target} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} os_test_main GTest::gtest GTest::gmock)
    target_precompile_headers(${target} REUSE_FROM hh_test_pch)
    # gcc warns of a fixture in an anonymous namespace of any file but the
    # compiled one, which every unity batch has.
    target_compile_options(${target} PRIVATE ${HH_TEST_OPT} $<$<CXX_COMPILER_ID:GNU>:-Wno-subobject-linkage>)
    set_target_properties(${target} PROPERTIES UNITY_BUILD ${HH_UNITY} UNITY_BUILD_BATCH_SIZE ${HH_UNITY_BATCH})
    hh_discover_tests(${target} ${prefix} ${per_file})
endfunction()

function(hh_add_test name)
    hh_test_program(${name} ${name} OFF ${ARGN})
endfunction()

function(hh_add_fuzzer name)
    if(NOT HH_FUZZ)
        return()
    endif()
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} os_fuzz_instance)
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
    # Listed in the tree's benchmarks.txt by their paths.
    file(RELATIVE_PATH where ${CMAKE_BINARY_DIR} ${CMAKE_CURRENT_BINARY_DIR}/${name})
    set_property(GLOBAL APPEND PROPERTY HH_BENCHMARKS "${where}")
endfunction()

# hh_library(TARGET DIRS folders... LIBS libraries...)
#   One static library TARGET from every *.cpp of the given folders (relative
#   to the calling folder), with the project root as its include root,
#   compiled in unity batches (see above).
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
    set_target_properties(${target} PROPERTIES UNITY_BUILD ${HH_UNITY} UNITY_BUILD_BATCH_SIZE ${HH_UNITY_BATCH})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_LIBS})
endfunction()

# hh_tests(PREFIX LIBS libraries...)
#   The test program PREFIX_tests of every tests/*_test.cpp of the calling
#   folder. Each file also names a target PREFIX_<stem> that stands for the
#   program, for build-order dependencies (add_dependencies) on one file's needs.
function(hh_tests prefix)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*_test.cpp)
    if(NOT tests)
        return()
    endif()
    hh_test_program(${prefix}_tests ${prefix} ON ${tests} LIBS ${ARG_LIBS})
    foreach(test IN LISTS tests)
        get_filename_component(stem ${test} NAME_WE)
        string(REGEX REPLACE "_test$" "" stem ${stem})
        add_custom_target(${prefix}_${stem})
        add_dependencies(${prefix}_tests ${prefix}_${stem})
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
