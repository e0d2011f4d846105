// How the process ends when it cannot end normally. Temporary files must not
// outlive it: an interrupt (SIGINT), a termination request (SIGTERM, SIGHUP)
// or the last-resort error handler removes every temporary still registered;
// after a signal the process ends as the signal would have ended it (status
// 128 + signal in the shell). A SIGKILL cannot be caught; its leftovers are
// removed by the next run in the folder (remove_leftover_temporaries).
#pragma once

#include <string>

namespace diesel {

// Installs the handlers, once per process; signals that were ignored when the
// program started (nohup, a background job) stay ignored.
void install_signal_cleanup();

// Removes every registered temporary; async-signal-safe.
void remove_registered_temporaries() noexcept;

// The last resort for an exception nothing else caught (also installed as the
// terminate handler, so it covers worker threads): removes the temporaries,
// prints one "diesel-cycle: internal error: ..." line on stderr and ends the
// process with status 2.
[[noreturn]] void last_resort_exit() noexcept;

// Registers `path` for removal while the object lives. Registration takes no
// lock and never allocates; beyond the fixed number of slots a temporary is
// simply not registered (the next run in the folder still removes it).
class RegisteredTemporary {
public:
    explicit RegisteredTemporary(const std::string& path) noexcept;
    ~RegisteredTemporary();
    RegisteredTemporary(const RegisteredTemporary&) = delete;
    RegisteredTemporary& operator=(const RegisteredTemporary&) = delete;

private:
    int slot_ = -1;
};

}  // namespace diesel
