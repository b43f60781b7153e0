#include "gfx/HelperThread_win.h"

#include "gfx/Log_win.h"

namespace vellumo::win {

DWORD WINAPI HelperThread::Run(void* self) {
    // An exception leaving a thread ends the process; the work is plain pixel
    // work that should not throw, so one that does is logged, not shown.
    try {
        static_cast<HelperThread*>(self)->work_();
    } catch (...) {
        LogFailure(L"work on a helper thread threw");
        return 1;
    }
    return 0;
}

void HelperThread::Start(std::function<void()> work) {
    Join();
    work_ = std::move(work);
    thread_.reset(::CreateThread(nullptr, 0, &HelperThread::Run, this, 0, nullptr));
    if (LogLastErrorIf(!thread_, L"CreateThread")) work_();
}

void HelperThread::Join() {
    if (!thread_) return;
    ::WaitForSingleObject(thread_.get(), INFINITE);
    thread_.reset();
}

}  // namespace vellumo::win
