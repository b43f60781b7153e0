// The bookkeeping of one worker thread's queue, apart from its locking
// (gfx/WorkerThread_win.h holds the lock and the thread): jobs run one at a
// time in the order queued; a job may ask not to start before a moment, so
// that it leaves the processor to what the user waits for, unless the owner
// is finishing; and the thread ends only once nothing is left, so that no job
// queued before the end is dropped. Times are milliseconds on any clock.
#pragma once
#include <cstdint>
#include <deque>
#include <utility>

namespace vellumo {

template <class Job>
class WorkQueue {
public:
    enum class Step { Run, Wait, End };
    struct Next {
        Step step = Step::Wait;
        // For Wait: how long at most before asking again; 0 is until woken.
        std::uint64_t waitMs = 0;
    };

    void Push(Job job, std::uint64_t notBeforeMs = 0) { jobs_.push_back({std::move(job), notBeforeMs}); }

    Next WhatNext(std::uint64_t nowMs) const {
        if (jobs_.empty()) return {stopping_ ? Step::End : Step::Wait, 0};
        const std::uint64_t notBefore = jobs_.front().notBeforeMs;
        if (hurrying_ || notBefore <= nowMs) return {Step::Run, 0};
        return {Step::Wait, notBefore - nowMs};
    }
    // The first job, now running (WhatNext said Run).
    Job Take() {
        Job job = std::move(jobs_.front().job);
        jobs_.pop_front();
        running_ = true;
        return job;
    }
    void Done() { running_ = false; }
    bool Idle() const { return jobs_.empty() && !running_; }

    // From now on nothing waits for its moment: the owner waits for the queue.
    void Hurry() { hurrying_ = true; }
    // The thread ends once the queue is empty; what is queued still runs.
    void Stop() {
        hurrying_ = true;
        stopping_ = true;
    }

private:
    struct Queued {
        Job job;
        std::uint64_t notBeforeMs = 0;
    };
    std::deque<Queued> jobs_;
    bool running_ = false, hurrying_ = false, stopping_ = false;
};

// Milliseconds left of a wait of `timeoutMs` begun at `startMs`, when it is
// `nowMs`; `forever` stands for a wait without end and is given back as is.
inline std::uint64_t WaitLeft(std::uint64_t startMs, std::uint64_t nowMs, std::uint64_t timeoutMs,
                              std::uint64_t forever) {
    if (timeoutMs == forever) return forever;
    const std::uint64_t spent = nowMs > startMs ? nowMs - startMs : 0;
    return spent >= timeoutMs ? 0 : timeoutMs - spent;
}

}  // namespace vellumo
