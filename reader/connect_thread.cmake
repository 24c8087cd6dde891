# The connection thread with card detection and the block test, on top of the reader link.
qc_core_library(qc_connect
  PORTABLE
    reader/card_info.cpp
    reader/card_names.cpp
    reader/connect_thread.cpp
    reader/connect_link.cpp
    reader/card_poll.cpp
    reader/card_detect.cpp
    reader/block_test.cpp
  WIN32_SOURCES
    reader/connect_platform_win32.cpp
  LIBS qc_reader
)
