// The one message between two copies of the program: a second start asks the
// running copy, through whichever of its top-level windows it finds, for a
// capture. Every top-level window answers it by telling the coordinator
// (app/), which it reaches through its own events interface; all of those
// interfaces derive from StartCaptureListener.
#pragma once
#include <windows.h>

namespace vellumo::win {

// "Vellumo.StartCapture": registered by name, the same in every copy.
inline UINT StartCaptureMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"Vellumo.StartCapture");
    return message;
}
// Cheap enough for every message: only registered messages are compared.
inline bool IsStartCaptureMessage(UINT msg) { return msg >= 0xC000 && msg == StartCaptureMessage(); }

// The running copy's answer to a second start: a capture is on its way.
inline constexpr LRESULT kCaptureAccepted = 1;

class StartCaptureListener {
public:
    // A second start asked for a capture; the answer goes back to it.
    virtual LRESULT OnStartCaptureAsked() = 0;

protected:
    ~StartCaptureListener() = default;
};

}  // namespace vellumo::win
