#include "gfx/HelperThread_win.h"

#include "gfx/Log_win.h"

namespace vellumo::win {

DWORD WINAPI HelperThread::Run(void* self) {
    static_cast<HelperThread*>(self)->work_();
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
