# GoogleTest built from Debian's sources with the project's own compiler.
set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Warnings in GoogleTest are not ours to fix.
foreach(t gtest gtest_main)
  if(TARGET ${t})
    target_compile_options(${t} PRIVATE -w)
  endif()
endforeach()

# One CTest entry per test executable: each wine start costs time. Entries run
# two at a time; those that show windows (WINDOWS) take turns on the one
# display, as focus, the clipboard and screenshots are the display's.
function(tilvo_add_test name)
  # OWN_MAIN: the test brings its own main (GUI tests that need a message loop).
  cmake_parse_arguments(T "OWN_MAIN;WINDOWS" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/CrashExit.cpp)
  target_link_libraries(${name} PRIVATE ${T_LIBS} tilvo_test_support gtest)
  if(NOT T_OWN_MAIN)
    target_link_libraries(${name} PRIVATE gtest_main)
  endif()
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  if(T_WINDOWS)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK display)
  endif()
endfunction()

# The named tests of a windowless test executable as an entry of their own,
# <name>_<part>, and the rest as <name>: the two halves of a long executable
# then run at once.
function(tilvo_split_test name part)
  cmake_parse_arguments(T "" "" "FILTER" ${ARGN})
  list(JOIN T_FILTER ":" filter)
  add_test(NAME ${name}_${part} COMMAND ${name})
  set_tests_properties(${name}_${part} PROPERTIES TIMEOUT 600 ENVIRONMENT "GTEST_FILTER=${filter}")
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "GTEST_FILTER=-${filter}")
endfunction()

# A test executable once more under another ANSI code page, which wine takes
# from the locale: ja_JP gives the double-byte 932, hi_IN UTF-8 (65001). Only
# the tests named in FILTER run there: those whose outcome depends on the code
# page. The entry names the code page it expects, for CodePageEntry to check.
# Entries of one locale share its wine prefix, whose server each stops at its
# end, so they take turns.
function(tilvo_add_code_page_test target code_page)
  cmake_parse_arguments(T "WINDOWS" "" "FILTER" ${ARGN})
  if(code_page STREQUAL "932")
    set(locale ja_JP)
  elseif(code_page STREQUAL "65001")
    set(locale hi_IN)
  else()
    message(FATAL_ERROR "no locale known for code page ${code_page}")
  endif()
  list(JOIN T_FILTER ":" filter)
  add_test(NAME ${target}_cp${code_page}
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-run-locale ${locale} ${CMAKE_BINARY_DIR}
            $<TARGET_FILE:${target}>)
  set(locks wineprefix-${locale})
  if(T_WINDOWS)
    list(APPEND locks display)
  endif()
  set_tests_properties(${target}_cp${code_page} PROPERTIES TIMEOUT 600 RESOURCE_LOCK "${locks}"
    ENVIRONMENT "GTEST_FILTER=${filter};TILVO_ANSI_CODE_PAGE=${code_page}")
endfunction()
