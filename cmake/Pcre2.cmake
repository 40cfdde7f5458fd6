# PCRE2 with its JIT, 8-bit and 16-bit, as static libraries: built from
# Debian's source package, which scripts/setup fetches into the build folder
# (build/third_party/pcre2), so that nothing of it is committed and tilvo.exe
# stays one file. Targets: pcre2-8-static and pcre2-16-static.
set(TILVO_PCRE2_SOURCE "${CMAKE_BINARY_DIR}/../third_party/pcre2" CACHE PATH
  "Debian's pcre2 source, as scripts/setup unpacks it")
if(NOT EXISTS "${TILVO_PCRE2_SOURCE}/CMakeLists.txt")
  message(FATAL_ERROR "PCRE2's source is not at ${TILVO_PCRE2_SOURCE}: run scripts/setup, "
    "which fetches Debian's pcre2 source package there.")
endif()

foreach(option PCRE2_BUILD_PCRE2_8 PCRE2_BUILD_PCRE2_16 PCRE2_SUPPORT_JIT PCRE2_SUPPORT_UNICODE
               BUILD_STATIC_LIBS)
  set(${option} ON CACHE BOOL "" FORCE)
endforeach()
foreach(option PCRE2_BUILD_PCRE2_32 PCRE2_BUILD_PCRE2GREP PCRE2_BUILD_TESTS PCRE2_SHOW_REPORT
               BUILD_SHARED_LIBS PCRE2_SUPPORT_LIBBZ2 PCRE2_SUPPORT_LIBZ PCRE2_SUPPORT_LIBREADLINE
               PCRE2_SUPPORT_LIBEDIT)
  set(${option} OFF CACHE BOOL "" FORCE)
endforeach()

add_subdirectory("${TILVO_PCRE2_SOURCE}" "${CMAKE_BINARY_DIR}/pcre2" EXCLUDE_FROM_ALL)
foreach(library pcre2-8-static pcre2-16-static)
  # Their own code, their own warnings: the project's -Wall -Wextra are not for it.
  set_target_properties(${library} PROPERTIES COMPILE_OPTIONS "-w")
endforeach()
