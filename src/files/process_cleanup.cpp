#include "files/process_cleanup.hpp"

#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <mutex>
#include <unistd.h>

namespace diesel {

namespace {

// One process-wide table: a signal handler can reach nothing else. Map
// workers write temporaries on many threads at once, hence several slots.
constexpr int kSlots = 64;
enum : int { kFree = 0, kFilling = 1, kArmed = 2 };

struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX]{};
};

// Zero-initialised by the loader, not at start-up: a constructor run over the
// table would touch one page per slot in every process.
constinit Slot g_slots[kSlots];

extern "C" void on_signal(int sig) {
    remove_registered_temporaries();
    // End as the signal would have ended the process, so that the shell and
    // job runners see 128 + sig.
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void install_for(int sig) {
    struct sigaction old {};
    if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) return;
    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    ::sigaction(sig, &sa, nullptr);
}

}  // namespace

void install_signal_cleanup() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int sig : {SIGINT, SIGTERM, SIGHUP}) install_for(sig);
        std::set_terminate(last_resort_exit);
    });
}

void last_resort_exit() noexcept {
    remove_registered_temporaries();
    // No allocation here: the exception may be a failed one.
    const char* what = "an unexpected error";
    if (const std::exception_ptr e = std::current_exception()) {
        try {
            std::rethrow_exception(e);
        } catch (const std::bad_alloc&) {
            what = "out of memory";
        } catch (const std::exception& x) {
            what = x.what();
        } catch (...) {
        }
    }
    constexpr char kHead[] = "diesel-cycle: internal error: ";
    constexpr char kTail[] = "; stopped without a result\n";
    [[maybe_unused]] ssize_t w = ::write(2, kHead, sizeof kHead - 1);
    w = ::write(2, what, std::strlen(what));
    w = ::write(2, kTail, sizeof kTail - 1);
    ::_exit(2);
}

void remove_registered_temporaries() noexcept {
    for (Slot& s : g_slots) {
        if (s.state.load(std::memory_order_acquire) == kArmed) ::unlink(s.path);
    }
}

RegisteredTemporary::RegisteredTemporary(const std::string& path) noexcept {
    if (path.size() >= PATH_MAX) return;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (g_slots[i].state.compare_exchange_strong(expected, kFilling, std::memory_order_acquire)) {
            std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
            g_slots[i].state.store(kArmed, std::memory_order_release);
            slot_ = i;
            return;
        }
    }
}

RegisteredTemporary::~RegisteredTemporary() {
    if (slot_ >= 0) g_slots[slot_].state.store(kFree, std::memory_order_release);
}

}  // namespace diesel
