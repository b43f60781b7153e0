// A CopyArea on a helper thread, so that the thread which asked goes on with
// work that does not need the pixels (windows, the clipboard) while a second
// core copies them. Both planes must stay alive and untouched until Join().
#pragma once
#include "gfx/Handles_win.h"
#include "gfx/PixelPlane.h"

namespace vellumo::win {

class BackgroundCopy {
public:
    BackgroundCopy() = default;
    ~BackgroundCopy() { Join(); }
    BackgroundCopy(const BackgroundCopy&) = delete;
    BackgroundCopy& operator=(const BackgroundCopy&) = delete;

    // Starts the copy (after any earlier one is done); where the system
    // refuses a thread, copies on the spot.
    void Start(const PixelPlane& to, const PixelPlane& from, const Rect& area);
    // Returns once the pixels are there.
    void Join();

private:
    static DWORD WINAPI Run(void* job);

    struct Job {
        PixelPlane to, from;
        Rect area;
    };
    Job job_;
    unique_handle thread_;
};

}  // namespace vellumo::win
