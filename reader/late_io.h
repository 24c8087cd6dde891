// Memory that a driver may still write into after its port was closed. A request that does not
// report back after being cancelled keeps its buffers and OVERLAPPED structures: a little memory
// kept is better than a driver writing into freed memory. Ports hand every block back here when
// they go, and a kept block whose requests have all reported back since is handed out again to
// the next port that needs one: a device that leaves a request out at every reconnect costs only
// as many blocks as are out at one time, and no block is ever freed under a late request.
#pragma once

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

// The kept blocks of one kind. Block has `bool Settled() const`: every request that used the
// block has reported back. Thread-safe: ports live on several threads; Settled is asked under the
// list's lock.
template <typename Block>
class CLateBlocks {
public:
    static void Keep(std::unique_ptr<Block> block) {
        State& state = Shared();
        std::lock_guard lock(state.mutex);
        state.kept.push_back(std::move(block));
    }

    // A kept block that has settled, taken out of the list; null when none has.
    static std::unique_ptr<Block> TakeSettled() {
        State& state = Shared();
        std::lock_guard lock(state.mutex);
        auto settled = std::find_if(state.kept.begin(), state.kept.end(),
                                    [](const std::unique_ptr<Block>& block) { return block->Settled(); });
        if (settled == state.kept.end())
            return nullptr;
        std::unique_ptr<Block> block = std::move(*settled);
        state.kept.erase(settled);
        return block;
    }

    static size_t Count() {
        State& state = Shared();
        std::lock_guard lock(state.mutex);
        return state.kept.size();
    }

private:
    struct State {
        std::mutex mutex;
        std::vector<std::unique_ptr<Block>> kept;  // guarded by mutex
    };
    // Never destroyed: ports are still closed by exit handlers, after static objects are gone.
    static State& Shared() {
        static State* const state = new State;
        return *state;
    }
};
