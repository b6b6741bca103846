#pragma once

#include <atomic>

namespace zk {

// A lock for a handful of stores, safe to take on the audio thread: it never sleeps or
// calls the system, it spins. Holders must keep it only for a few stores.
class ShortLock {
public:
    void lock() noexcept {
        while (flag_.test_and_set(std::memory_order_acquire)) {
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#endif
        }
    }
    void unlock() noexcept { flag_.clear(std::memory_order_release); }

private:
    std::atomic_flag flag_;
};

} // namespace zk
