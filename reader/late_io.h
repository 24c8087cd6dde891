// Memory that a driver may still write into after its port was closed. A request that does not
// report back after being cancelled keeps its buffers and OVERLAPPED structures for the rest of
// the process: a little memory lost is better than a driver writing into freed memory.
#pragma once

#include <memory>

// Keeps block alive until the process ends. Thread-safe (ports live on several threads).
void KeepUntilExit(std::shared_ptr<void> block);
