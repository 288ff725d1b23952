# Lists the tests of one GoogleTest program and writes them as CTest cases,
# one case per test, so that every test runs in its own process.
# Run after the program is linked:
#   cmake -D EXE=... -D WORK_DIR=... -D PREFIX=... -D PER_FILE=ON|OFF
#         -D CTEST_FILE=... -D TIMEOUT=... -D ENVIRONMENT=... -P DiscoverTests.cmake
# A case is named PREFIX.Suite.Test; with PER_FILE a test from
# tests/<stem>_test.cpp is named PREFIX_<stem>.Suite.Test instead, so that a
# program built from several test files keeps one name per file.
# ENVIRONMENT separates its entries with "|" (a ";" would split the argument).
string(REPLACE "|" ";" ENVIRONMENT "${ENVIRONMENT}")
set(json "${CTEST_FILE}.json")
file(REMOVE "${json}")
execute_process(
    COMMAND "${EXE}" --gtest_list_tests "--gtest_output=json:${json}"
    WORKING_DIRECTORY "${WORK_DIR}"
    TIMEOUT 120
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output
    RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT EXISTS "${json}")
    file(REMOVE "${CTEST_FILE}")
    message(FATAL_ERROR "Listing the tests of ${EXE} failed (${result}):\n${output}")
endif()

# The list is GoogleTest's own indented JSON: a suite's name at six spaces,
# a test's fields at ten, a test's closing brace at eight.
# Brackets and semicolons would upset CMake's lists; no field used holds one.
file(READ "${json}" text)
string(REGEX REPLACE "[][;]" "_" text "${text}")
string(REPLACE "\n" ";" lines "${text}")
set(script "")
set(suite "")
set(test "")
set(file "")
foreach(line IN LISTS lines)
    if(line MATCHES "^      \"name\": \"(.*)\",?$")
        string(REPLACE "\\/" "/" suite "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^          \"name\": \"(.*)\",?$")
        string(REPLACE "\\/" "/" test "${CMAKE_MATCH_1}")
        set(file "")
    elseif(line MATCHES "^          \"file\": \"(.*)\",?$")
        string(REPLACE "\\/" "/" file "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^        },?$" AND NOT test STREQUAL "")
        set(name "${PREFIX}")
        if(PER_FILE)
            get_filename_component(stem "${file}" NAME_WE)
            if(stem MATCHES "^(.+)_test$")
                set(name "${PREFIX}_${CMAKE_MATCH_1}")
            endif()
        endif()
        set(name "${name}.${suite}.${test}")
        string(APPEND script
            "add_test([==[${name}]==] [==[${EXE}]==] [==[--gtest_filter=${suite}.${test}]==] --gtest_also_run_disabled_tests)\n"
            "set_tests_properties([==[${name}]==] PROPERTIES WORKING_DIRECTORY [==[${WORK_DIR}]==]"
            " SKIP_REGULAR_EXPRESSION [==[\\[  SKIPPED \\]]==] TIMEOUT ${TIMEOUT} ENVIRONMENT [==[${ENVIRONMENT}]==])\n")
        if(suite MATCHES "^DISABLED_" OR test MATCHES "^DISABLED_")
            string(APPEND script "set_tests_properties([==[${name}]==] PROPERTIES DISABLED TRUE)\n")
        endif()
        set(test "")
    endif()
endforeach()
file(REMOVE "${json}")
file(WRITE "${CTEST_FILE}" "${script}")
