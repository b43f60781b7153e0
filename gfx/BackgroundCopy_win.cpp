#include "gfx/BackgroundCopy_win.h"

#include "gfx/Log_win.h"

namespace vellumo::win {

DWORD WINAPI BackgroundCopy::Run(void* job) {
    const auto* j = static_cast<const Job*>(job);
    CopyArea(j->to, j->from, j->area);
    return 0;
}

void BackgroundCopy::Start(const PixelPlane& to, const PixelPlane& from, const Rect& area) {
    Join();
    job_ = {to, from, area};
    thread_.reset(::CreateThread(nullptr, 0, &BackgroundCopy::Run, &job_, 0, nullptr));
    if (LogLastErrorIf(!thread_, L"CreateThread")) CopyArea(to, from, area);
}

void BackgroundCopy::Join() {
    if (!thread_) return;
    ::WaitForSingleObject(thread_.get(), INFINITE);
    thread_.reset();
}

}  // namespace vellumo::win
