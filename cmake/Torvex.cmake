# Shared build settings for every torvex target.

find_program(TORVEX_CCACHE ccache)
if(TORVEX_CCACHE)
    set(CMAKE_C_COMPILER_LAUNCHER ${TORVEX_CCACHE})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${TORVEX_CCACHE})
endif()

set(TORVEX_SANITIZE "" CACHE STRING "Sanitizers: empty, 'address;undefined' or 'thread'")

add_library(torvex_options INTERFACE)
target_compile_options(torvex_options INTERFACE -Wall -Wextra)
# GCC 12's libstdc++ makes -Wrestrict fire on plain `"literal" + std::string` at -O2/-O3 (a known
# false positive of that release); it says nothing about our code.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(torvex_options INTERFACE -Wno-restrict)
endif()
if(TORVEX_WERROR)
    target_compile_options(torvex_options INTERFACE -Werror)
endif()
target_compile_definitions(torvex_options INTERFACE
    TORVEX_VERSION="${PROJECT_VERSION}"
    TORVEX_DATADIR="${CMAKE_INSTALL_FULL_DATADIR}/torvex")
if(TORVEX_SANITIZE)
    list(JOIN TORVEX_SANITIZE "," _san)
    target_compile_options(torvex_options INTERFACE -fsanitize=${_san} -fno-omit-frame-pointer
                                                    -fno-sanitize-recover=undefined)
    target_link_options(torvex_options INTERFACE -fsanitize=${_san})
endif()

if(TORVEX_FUZZ)
    # Every library carries the fuzzer's coverage; only the fuzz targets link its main.
    target_compile_options(torvex_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

# torvex_library(NAME SOURCES... [DEPS ...]): one static library per src/ folder.
function(torvex_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC torvex_options ${ARG_DEPS})
endfunction()

# torvex_test(NAME SOURCES... DEPS ... [LABELS label] [RESOURCE_LOCK name]): a GoogleTest binary
# registered with CTest; tests holding the same RESOURCE_LOCK never run at the same time.
function(torvex_test name)
    cmake_parse_arguments(ARG "" "RESOURCE_LOCK" "SOURCES;DEPS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${name} PRIVATE torvex_options GTest::gtest GTest::gtest_main ${ARG_DEPS})
    target_compile_definitions(${name} PRIVATE
        TORVEX_SOURCE_DIR="${CMAKE_SOURCE_DIR}" TORVEX_BINARY_DIR="${CMAKE_BINARY_DIR}")
    set(_properties LABELS "${ARG_LABELS}")
    if(ARG_RESOURCE_LOCK)
        list(APPEND _properties RESOURCE_LOCK "${ARG_RESOURCE_LOCK}")
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${_properties})
endfunction()
