#include "gfx/WorkerThread_win.h"

#include <new>

#include "gfx/Log_win.h"

namespace vellumo::win {

WorkerThread::WorkerThread(LogLines log, int priority) : log_(log) {
    thread_.reset(::CreateThread(nullptr, 0, &WorkerThread::Run, this, 0, nullptr));
    if (LogLastErrorIf(!thread_, L"CreateThread for a worker")) return;
    if (priority != THREAD_PRIORITY_NORMAL)
        LogLastErrorIf(!::SetThreadPriority(thread_.get(), priority), L"SetThreadPriority for a worker");
}

WorkerThread::~WorkerThread() {
    if (!thread_) return;
    ::AcquireSRWLockExclusive(&lock_);
    queue_.Stop();
    ::ReleaseSRWLockExclusive(&lock_);
    ::WakeAllConditionVariable(&changed_);
    ::WaitForSingleObject(thread_.get(), INFINITE);
}

void WorkerThread::Queue(std::function<void()> job, DWORD settleMs) {
    if (!thread_) return;
    ::AcquireSRWLockExclusive(&lock_);
    queue_.Push(std::move(job), settleMs ? ::GetTickCount64() + settleMs : 0);
    ::ReleaseSRWLockExclusive(&lock_);
    ::WakeAllConditionVariable(&changed_);
}

bool WorkerThread::WaitIdle(DWORD timeoutMs) {
    if (!thread_) return true;
    const ULONGLONG start = ::GetTickCount64();
    ::AcquireSRWLockExclusive(&lock_);
    bool idle = true;
    while (!queue_.Idle()) {
        const ULONGLONG left = WaitLeft(start, ::GetTickCount64(), timeoutMs, INFINITE);
        if (left == 0) {
            idle = false;
            break;
        }
        ::SleepConditionVariableSRW(&changed_, &lock_, static_cast<DWORD>(left), 0);
    }
    ::ReleaseSRWLockExclusive(&lock_);
    return idle;
}

bool WorkerThread::Finish(DWORD timeoutMs) {
    if (!thread_) return true;
    ::AcquireSRWLockExclusive(&lock_);
    queue_.Hurry();
    ::ReleaseSRWLockExclusive(&lock_);
    ::WakeAllConditionVariable(&changed_);
    return WaitIdle(timeoutMs);
}

DWORD WINAPI WorkerThread::Run(void* p) {
    auto* self = static_cast<WorkerThread*>(p);
    ::AcquireSRWLockExclusive(&self->lock_);
    for (;;) {
        const auto next = self->queue_.WhatNext(::GetTickCount64());
        if (next.step == WorkQueue<std::function<void()>>::Step::End) break;
        if (next.step == WorkQueue<std::function<void()>>::Step::Wait) {
            ::SleepConditionVariableSRW(&self->changed_, &self->lock_,
                                        next.waitMs ? static_cast<DWORD>(next.waitMs) : INFINITE, 0);
            continue;
        }
        std::function<void()> job = self->queue_.Take();
        ::ReleaseSRWLockExclusive(&self->lock_);
        self->RunJob(job);
        // What the job held (a capture's pixels) is freed before anyone
        // waiting for the queue is told it is done.
        job = nullptr;
        ::AcquireSRWLockExclusive(&self->lock_);
        self->queue_.Done();
        ::WakeAllConditionVariable(&self->changed_);
    }
    ::ReleaseSRWLockExclusive(&self->lock_);
    return 0;
}

void WorkerThread::RunJob(std::function<void()>& job) noexcept {
    // An exception leaving the thread would end the process.
    try {
        job();
    } catch (const std::bad_alloc&) {
        LogFailure(log_.noMemory);
    } catch (...) {
        LogFailure(log_.threw);
    }
}

}  // namespace vellumo::win
