// The capture history on disk: each capture's pixels are copied here and
// queued; one helper thread encodes them as PNG, writes them under a
// temporary name, renames them into place and prunes the folder. Nothing a
// copy, save or pin waits for happens on the caller's thread but the copy of
// the pixels.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gfx/Geometry.h"
#include "gfx/Handles_win.h"
#include "gfx/PixelPlane.h"
#include "gfx/WorkerThread_win.h"
#include "history/HistoryRules.h"
#include "store/Ini_win.h"

namespace vellumo::win {

class CaptureHistory {
public:
    // Reads "[History]" from `ini`. When the history is on, the thread starts
    // by removing the temporaries an earlier run left.
    // A folder that cannot be written is told on this (the creating)
    // thread, in a box owned by what `messageOwner` gives then.
    CaptureHistory(const IniFile& ini, std::function<HWND()> messageOwner);
    // Finishes what is queued, and tells what is still to be told.
    ~CaptureHistory();
    CaptureHistory(const CaptureHistory&) = delete;
    CaptureHistory& operator=(const CaptureHistory&) = delete;

    bool on() const { return settings_.on(); }
    const std::wstring& folder() const { return folder_; }

    // Copies the pixels (0x00RRGGBB, as the plane's stride says) and queues
    // their write; returns at once. Nothing when the history is off or there
    // is no memory for the copy (logged).
    void Record(const PixelPlane& pixels, std::optional<Rect> onScreen, history::LeftBy how);
    // The same with pixels handed over: no copy is taken.
    void Record(SharedPixels pixels, std::optional<Rect> onScreen, history::LeftBy how);
    // Full paths of the newest `count` captures, newest first, once what is
    // queued has been written.
    std::vector<std::wstring> Newest(std::size_t count);
    // Makes the folder, and any folder above it, if missing ("Open history folder").
    void MakeFolder() const;
    // Removes every capture of the history (after what is queued).
    void Clear();
    // Before the program ends: waits at most `timeoutMs` for what is queued
    // to be written. False when the wait ran out.
    bool Finish(DWORD timeoutMs);

private:
    static LRESULT CALLBACK TellProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    void TellPending();
    // `pixels`: width x height, rows packed. Let go of once encoded.
    void Write(std::shared_ptr<const std::uint32_t> pixels, const history::Record& r);
    void Prune();
    void RemoveTemporaries();
    void RemoveAll();
    // A folder that cannot be written: logged every time, told once per run.
    void Failed(const wchar_t* step, DWORD error);
    std::wstring Path(const std::wstring& name) const;

    history::Settings settings_;
    std::wstring folder_;
    bool told_ = false;  // the writer thread's own
    // Carries a refusal from the writer thread to the creating thread, whose
    // message boxes the program's windows keep above them.
    std::function<HWND()> messageOwner_;
    unique_hwnd tellWindow_;
    SRWLOCK tellLock_ = SRWLOCK_INIT;
    std::wstring pendingTell_;  // under tellLock_
    // Last: it ends, and runs what is queued, before the rest is gone.
    std::unique_ptr<WorkerThread> writer_;
};

}  // namespace vellumo::win
