# Tests of the connection thread, card detection and the block test (simulated time).
add_library(qc_connect_test_support STATIC
  reader/scripted_reader.cpp
  reader/fake_classic_reader.cpp
)
target_include_directories(qc_connect_test_support PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(qc_connect_test_support PUBLIC qc_connect qc_reader_emulator)

qc_add_test(connect_tests
  SOURCES
    reader/connect_schedule_test.cpp
    reader/card_detect_test.cpp
    reader/block_test_test.cpp
  LIBS qc_connect_test_support qc_test_support
)

qc_add_test(connect_soak_tests SOURCES reader/connect_soak_test.cpp LIBS qc_connect_test_support)
qc_add_fuzz(fuzz_card_detect SOURCES reader/card_detect_fuzz.cpp LIBS qc_connect_test_support RUNS 20000)
