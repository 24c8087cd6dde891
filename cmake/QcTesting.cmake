# Windows tests that load texts, dialogs or icons from their own module link the resources.
set(QC_TEST_RESOURCES "")
if(WIN32)
  set(QC_TEST_RESOURCES $<TARGET_OBJECTS:qc_resources>)
endif()

# The host build's reader emulator (a pty server), started by the Wine tests' scripts.
set(QC_READER_EMULATOR "${PROJECT_SOURCE_DIR}/build/host/tools/reader-emulator/qc-reader-emulator"
  CACHE FILEPATH "The host build's reader emulator (pty server)")

# ctest properties shared by the functions below: ENV list, TIMEOUT seconds, LOCK resource name.
function(_qc_test_properties name env timeout lock)
  if(env)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}")
  endif()
  if(timeout)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout})
  endif()
  if(lock)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK ${lock})
  endif()
endfunction()

# qc_add_test(NAME SOURCES ... [LIBS ...] [ENV ...] [ARGS ...] [NO_MAIN] [SCRIPT file] [TIMEOUT s]
#             [LOCK name])
# One GoogleTest executable run as one ctest entry (under Wine in the Windows build: one
# Wine start per executable keeps the suite fast). With SCRIPT the entry runs the executable
# through that script, as qc_add_script_test does. LOCK names a resource that no two tests use
# at once.
function(qc_add_test name)
  cmake_parse_arguments(T "NO_MAIN" "SCRIPT;TIMEOUT;LOCK" "SOURCES;LIBS;ENV;ARGS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_compile_options(${name} PRIVATE ${QC_WARNINGS})
  if(T_NO_MAIN)
    target_link_libraries(${name} PRIVATE ${T_LIBS} gtest gmock)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} gtest_main gmock)
  endif()
  if(T_SCRIPT)
    qc_add_script_test(${name} SCRIPT ${T_SCRIPT} ARGS $<TARGET_FILE:${name}> ${T_ARGS})
  else()
    add_test(NAME ${name} COMMAND ${name} ${T_ARGS})
  endif()
  _qc_test_properties(${name} "${T_ENV}" "${T_TIMEOUT}" "${T_LOCK}")
endfunction()

# qc_add_test_run(NAME TARGET [ENV ...] [ARGS ...] [TIMEOUT s] [LOCK name]): another ctest entry
# for an existing executable.
function(qc_add_test_run name)
  cmake_parse_arguments(T "" "TARGET;TIMEOUT;LOCK" "ENV;ARGS" ${ARGN})
  add_test(NAME ${name} COMMAND ${T_TARGET} ${T_ARGS})
  _qc_test_properties(${name} "${T_ENV}" "${T_TIMEOUT}" "${T_LOCK}")
endfunction()

# qc_add_russian_run(TARGET): the target's *Russian* tests once more in a Russian session, as
# TARGET_russian (Windows only: Wine selects the Russian resources from LC_ALL).
function(qc_add_russian_run target)
  if(WIN32)
    qc_add_test_run(${target}_russian TARGET ${target}
      ARGS --gtest_filter=*Russian*
      ENV "LC_ALL=ru_RU.UTF-8;QC_REQUIRE_LANGUAGE=ru")
  endif()
endfunction()

# qc_add_script_test(NAME SCRIPT file [ARGS ...] [TIMEOUT s] [LOCK name]): a Windows test run by
# a shell script that starts emulated readers first (tests/support/emulated_readers.sh), as
#   sh SCRIPT EMULATOR SCRATCH WINE_RUN ARGS...
# SCRATCH is a folder of the test's own, so that tests running side by side share no files.
function(qc_add_script_test name)
  cmake_parse_arguments(T "" "SCRIPT;TIMEOUT;LOCK" "ARGS" ${ARGN})
  add_test(NAME ${name}
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/${T_SCRIPT} ${QC_READER_EMULATOR}
      ${CMAKE_BINARY_DIR}/scratch/${name} ${CMAKE_BINARY_DIR}/wine-run ${T_ARGS})
  _qc_test_properties(${name} "" "${T_TIMEOUT}" "${T_LOCK}")
endfunction()

# qc_add_fuzz(NAME SOURCES ... LIBS ... [RUNS n]): a libFuzzer target (host build only), run by
# ctest for a bounded number of inputs so CI time stays fixed.
function(qc_add_fuzz name)
  if(WIN32 OR NOT QC_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "RUNS" "SOURCES;LIBS" ${ARGN})
  if(NOT F_RUNS)
    set(F_RUNS 200000)
  endif()
  add_executable(${name} ${F_SOURCES})
  target_compile_options(${name} PRIVATE ${QC_WARNINGS} -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  add_test(NAME ${name} COMMAND ${name} -runs=${F_RUNS} -max_total_time=60 -rss_limit_mb=2048)
endfunction()

# qc_core_library(NAME PORTABLE ... [WIN32_SOURCES ...] [LIBS ...]): a subsystem library whose
# portable sources build everywhere and whose Win32 shell sources build only for Windows.
function(qc_core_library name)
  cmake_parse_arguments(L "" "" "PORTABLE;WIN32_SOURCES;HOST_SOURCES;LIBS;WIN32_LIBS" ${ARGN})
  set(sources ${L_PORTABLE})
  if(WIN32)
    list(APPEND sources ${L_WIN32_SOURCES})
  else()
    list(APPEND sources ${L_HOST_SOURCES})
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${QC_WARNINGS})
  target_link_libraries(${name} PUBLIC ${L_LIBS})
  if(WIN32 AND L_WIN32_LIBS)
    target_link_libraries(${name} PUBLIC ${L_WIN32_LIBS})
  endif()
endfunction()
