#include "reader/late_io.h"

#include <mutex>
#include <vector>

void KeepUntilExit(std::shared_ptr<void> block) {
    static std::mutex mutex;
    static std::vector<std::shared_ptr<void>> kept;  // guarded by mutex
    std::lock_guard lock(mutex);
    kept.push_back(std::move(block));
}
