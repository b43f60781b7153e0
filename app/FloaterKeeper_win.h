// The Floaters kept on disk, so that they outlive the program however it
// ends (FloaterState.h decides what is kept; this only does the file work).
// Every change the host reports is gathered for a moment, then the state
// file is written if it differs; a picture is written once, when its Floater
// is first seen, and only moved after that (to "Closed" when deleted, back
// when reopened). The writes run on a helper thread in order, each under a
// temporary name renamed into place.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "gfx/Dib_win.h"
#include "gfx/Handles_win.h"
#include "gfx/WorkerThread_win.h"

namespace vellumo::win {

class FloaterHost;

class FloaterKeeper {
public:
    // Keeps the Floaters in `folder` (made when first written), removing the
    // temporaries a cut-off write left there. `host` gives the live Floater
    // host, or null.
    FloaterKeeper(std::wstring folder, std::function<FloaterHost*()> host);
    // Writes what is queued.
    ~FloaterKeeper();
    FloaterKeeper(const FloaterKeeper&) = delete;
    FloaterKeeper& operator=(const FloaterKeeper&) = delete;

    // Whether a kept picture waits to be brought back.
    bool HasKept() const;
    // At start: brings the kept Floaters back into `host` as they were.
    void Restore(FloaterHost& host);
    // The host's reports (FloaterHostEvents).
    void Changed();
    void PictureChanged(int n);
    void Closing(FloaterHost& host, int n);
    // "Quit": every Floater closes with the host, each one reopenable.
    void HostClosed(FloaterHost& host);
    // The Floater deleted last, back in `host` as it was; false, with the
    // reason, when there is none or it cannot be read.
    bool ReopenNewest(FloaterHost& host, std::wstring& why);
    // Before the program ends: the state written now, and a wait of at most
    // `timeoutMs` for every queued write. False when the wait ran out.
    bool SaveAndFinish(DWORD timeoutMs);

private:
    struct Job {
        enum class Kind { Picture, Text, Move, Remove } kind = Kind::Text;
        std::wstring path, to;
        Pixels pixels;
        std::string text;
    };
    static void CALLBACK OnGatherTimer(HWND, UINT, UINT_PTR, DWORD) noexcept;
    void SaveNow();
    // Floater n's picture kept (queued) if it is not yet; false when unreadable.
    bool KeepPicture(const FloaterHost& host, int n);
    void Queue(Job job);
    void Do(const Job& job);
    std::wstring PicturePath(std::uint64_t number) const;
    std::wstring ClosedPath(const std::wstring& name) const;

    std::wstring folder_, closedFolder_;
    std::function<FloaterHost*()> host_;
    std::map<int, std::uint64_t> pictures_;  // Floater index -> kept picture number
    std::vector<std::uint64_t> closed_;      // oldest first
    std::uint64_t nextPicture_ = 1, nextClosed_ = 1;
    std::string lastState_;
    UINT_PTR gatherTimer_ = 0;
    bool leaving_ = false;

    // Last: it ends, and runs what is queued, before the rest is gone.
    WorkerThread writer_;
};

}  // namespace vellumo::win
