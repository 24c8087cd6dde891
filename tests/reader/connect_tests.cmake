# Tests of the connection thread, card detection and the block test (simulated time).
add_library(qc_connect_test_support STATIC
  reader/scripted_reader.cpp
  reader/fake_classic_reader.cpp
)
target_include_directories(qc_connect_test_support PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(qc_connect_test_support PUBLIC qc_connect qc_reader_emulator)

set(connect_resources "")
if(WIN32)
  set(connect_resources $<TARGET_OBJECTS:qc_resources>)
endif()
qc_add_test(connect_tests
  SOURCES
    reader/connect_schedule_test.cpp
    reader/card_detect_test.cpp
    reader/block_test_test.cpp
    reader/emulated_card_detect_test.cpp
    ${connect_resources}
  LIBS qc_connect_test_support qc_test_support
)
# The log lines in a Russian session: Wine selects the Russian resources from LC_ALL.
if(WIN32)
  qc_add_test_run(connect_tests_russian TARGET connect_tests
    ARGS --gtest_filter=*Russian*
    ENV "LC_ALL=ru_RU.UTF-8;QC_REQUIRE_LANGUAGE=ru")
endif()

qc_add_test(connect_soak_tests SOURCES reader/connect_soak_test.cpp LIBS qc_connect_test_support)
qc_add_fuzz(fuzz_card_detect SOURCES reader/card_detect_fuzz.cpp LIBS qc_connect_test_support RUNS 20000)

# The worker end to end under Wine against the host build's pty emulator (on COM10).
if(WIN32)
  add_executable(connect_wine_tests reader/connect_wine_test.cpp)
  target_compile_options(connect_wine_tests PRIVATE ${QC_WARNINGS})
  target_link_libraries(connect_wine_tests PRIVATE qc_connect gtest_main)
  add_test(NAME connect_wine_tests
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/reader/connect_wine_test.sh ${QC_READER_EMULATOR}
      ${CMAKE_BINARY_DIR}/pty ${CMAKE_BINARY_DIR}/wine-run $<TARGET_FILE:connect_wine_tests>)
endif()
