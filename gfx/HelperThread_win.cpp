#include "gfx/HelperThread_win.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <vector>

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

int CoreCount() {
    constexpr int kMostThreads = 8;
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    return std::clamp(static_cast<int>(info.dwNumberOfProcessors), 1, kMostThreads);
}

SideBySide OnTheCores() {
    return [](int most, const PartOfWork& work) {
        const int parts = std::min(CoreCount(), std::max(1, most));
        std::vector<std::exception_ptr> failed(static_cast<std::size_t>(parts));
        const auto run = [&](int part) noexcept {
            try {
                work(part, parts);
            } catch (...) {
                failed[static_cast<std::size_t>(part)] = std::current_exception();
            }
        };
        {
            std::vector<std::unique_ptr<HelperThread>> helpers;
            for (int part = 1; part < parts; ++part) {
                helpers.push_back(std::make_unique<HelperThread>());
                helpers.back()->Start([&run, part] { run(part); });
            }
            run(0);
        }  // every helper joined
        for (const std::exception_ptr& e : failed)
            if (e) std::rethrow_exception(e);
    };
}

}  // namespace vellumo::win
