// One thread that runs queued jobs in order (gfx/WorkQueue.h decides what
// runs when), for file work the user must not wait for: the capture history's
// PNGs, the kept Floaters. A job that throws is logged and the next one runs.
#pragma once
#include <windows.h>

#include <functional>

#include "gfx/Handles_win.h"
#include "gfx/WorkQueue.h"

namespace vellumo::win {

class WorkerThread {
public:
    // What the log says of a job that ran out of memory or threw otherwise.
    struct LogLines {
        const wchar_t* noMemory;
        const wchar_t* threw;
    };
    // Starts the thread at `priority` (THREAD_PRIORITY_*). Where the system
    // refuses a thread (logged), running() is false and nothing is queued.
    WorkerThread(LogLines log, int priority);
    // Runs what is queued, then ends the thread.
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    bool running() const { return static_cast<bool>(thread_); }

    // Queues `job`, to start no sooner than `settleMs` from now unless the
    // owner finishes first. Nothing when the thread is not running.
    void Queue(std::function<void()> job, DWORD settleMs = 0);
    // Waits at most `timeoutMs` (INFINITE: no limit) until every queued job
    // has run. False when the wait ran out.
    bool WaitIdle(DWORD timeoutMs);
    // Before the program ends: no job waits to settle any more, and the
    // queue is waited for as WaitIdle does.
    bool Finish(DWORD timeoutMs);

private:
    static DWORD WINAPI Run(void* self);
    void RunJob(std::function<void()>& job) noexcept;

    LogLines log_;
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
    WorkQueue<std::function<void()>> queue_;  // under lock_
    unique_handle thread_;
};

}  // namespace vellumo::win
