// One piece of work on a helper thread, so that the thread which asked goes
// on with work of its own on the second core: a pin's pixel copy while the
// Floater's windows are made, half of a first frame's darkening. Whatever the
// work touches must stay alive and untouched by others until Join().
#pragma once
#include <functional>

#include "gfx/Handles_win.h"
#include "gfx/SideBySide.h"

namespace vellumo::win {

class HelperThread {
public:
    HelperThread() = default;
    ~HelperThread() { Join(); }
    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;

    // Starts `work` (after any earlier work is done); where the system
    // refuses a thread, runs it on the spot. `work` must not throw.
    void Start(std::function<void()> work);
    // Returns once the work is done.
    void Join();

private:
    static DWORD WINAPI Run(void* self);

    std::function<void()> work_;
    unique_handle thread_;
};

// The cores work may spread over: the machine's, at most 8.
int CoreCount();

// A runner for work cut into parts: part 0 on the calling thread, the others
// on helper threads, as many parts as CoreCount() (at most `most`).
// What a part throws is thrown again on the caller once every part is done.
SideBySide OnTheCores();

}  // namespace vellumo::win
