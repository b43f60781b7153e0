#include "app/FloaterKeeper_win.h"

#include <algorithm>
#include <new>

#include "floaters/FloaterHost_win.h"
#include "floaters/FloaterState.h"
#include "gfx/Log_win.h"
#include "history/HistoryMenu_win.h"
#include "output/PngEncoder.h"

namespace vellumo::win {

namespace {
// A drag reports every pixel; the state is written once it rests this long.
constexpr UINT kGatherMs = 300;
// A state file larger than this is no state file of ours.
constexpr DWORD kMaxStateBytes = 1 << 20;

// A thread timer carries no object: the one keeper.
FloaterKeeper* g_keeper = nullptr;

void MakeFolders(const std::wstring& folder) {
    if (folder.empty() || ::GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    const std::size_t cut = folder.find_last_of(L"\\/");
    if (cut != std::wstring::npos && cut > 0 && folder[cut - 1] != L':') MakeFolders(folder.substr(0, cut));
    if (!::CreateDirectoryW(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        LogFailure(L"CreateDirectoryW for the kept Floaters", ::GetLastError());
}

std::vector<std::wstring> FileNames(const std::wstring& folder) {
    std::vector<std::wstring> out;
    WIN32_FIND_DATAW fd{};
    const HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return out;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) out.push_back(fd.cFileName);
    } while (::FindNextFileW(find, &fd));
    ::FindClose(find);
    return out;
}

std::string ReadSmallFile(const std::wstring& path) {
    unique_handle f = FileHandle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return {};
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(f.get(), &size) || size.QuadPart <= 0 || size.QuadPart > kMaxStateBytes) return {};
    std::string text(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!::ReadFile(f.get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr)) return {};
    text.resize(read);
    return text;
}

// The whole file or none: written beside, then renamed over the old one.
void WriteWhole(const std::wstring& path, const void* data, std::size_t bytes) {
    const std::wstring temporary = path + L".tmp";
    unique_handle f = FileHandle(
        ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (LogLastErrorIf(!f, L"CreateFileW for a kept Floater")) return;
    DWORD written = 0;
    const bool wrote = ::WriteFile(f.get(), data, static_cast<DWORD>(bytes), &written, nullptr) && written == bytes;
    const DWORD error = wrote ? 0 : ::GetLastError();
    const bool closed = ::CloseHandle(f.release());
    if (!wrote || !closed || !::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        LogFailure(L"writing a kept Floater", error ? error : ::GetLastError());
        ::DeleteFileW(temporary.c_str());
    }
}

void RemoveLeftovers(const std::wstring& folder) {
    for (const std::wstring& name : FileNames(folder))
        if (IsLeftoverFloaterTemporary(name))
            LogLastErrorIf(!::DeleteFileW((folder + L"\\" + name).c_str()), L"DeleteFileW of a Floater temporary");
}
}  // namespace

FloaterKeeper::FloaterKeeper(std::wstring folder, std::function<FloaterHost*()> host)
    : folder_(std::move(folder)),
      closedFolder_(folder_ + L"\\" + kClosedFolderName),
      host_(std::move(host)),
      writer_({L"no memory to keep a Floater", L"keeping a Floater threw"}, THREAD_PRIORITY_NORMAL) {
    g_keeper = this;
    // Before anything is written: a write cut off by a kill or crash left
    // these, whether or not anything was kept.
    RemoveLeftovers(folder_);
    RemoveLeftovers(closedFolder_);
    std::vector<std::uint64_t> pictures;
    for (const std::wstring& name : FileNames(folder_))
        if (const auto n = FloaterPictureNumber(name)) pictures.push_back(*n);
    for (const std::wstring& name : FileNames(closedFolder_))
        if (const auto n = ClosedPictureNumber(name)) closed_.push_back(*n);
    std::sort(closed_.begin(), closed_.end());
    nextPicture_ = NextNumber(pictures);
    nextClosed_ = NextNumber(closed_);
}

FloaterKeeper::~FloaterKeeper() {
    if (gatherTimer_) ::KillTimer(nullptr, gatherTimer_);
    g_keeper = nullptr;
}

bool FloaterKeeper::HasKept() const {
    for (const std::wstring& name : FileNames(folder_))
        if (FloaterPictureNumber(name)) return true;
    return false;
}

void FloaterKeeper::Restore(FloaterHost& host) {
    std::vector<std::uint64_t> onDisk;
    for (const std::wstring& name : FileNames(folder_))
        if (const auto n = FloaterPictureNumber(name)) onDisk.push_back(*n);
    const SavedFloaters saved = ParseFloaters(ReadSmallFile(folder_ + L"\\" + kFloaterStateName));
    for (const SavedFloater& f : FloatersToRestore(saved, onDisk)) {
        Dib picture;
        std::wstring why;
        // An unreadable picture stays where it is, for the user to find.
        if (!LoadCapture(PicturePath(f.picture), picture, why)) {
            LogFailure((L"a kept Floater could not be read: " + why).c_str());
            continue;
        }
        unique_hbitmap bitmap(picture.ReleaseBitmap());
        if (const auto n = host.RestoreFloater(std::move(bitmap), f.topLeft, f.zoom, f.opacity, f.collapsed))
            pictures_[*n] = f.picture;
    }
    if (saved.hostAlpha) host.SetHostAlpha(saved.hostAlpha);
}

void FloaterKeeper::Changed() {
    if (leaving_) return;
    gatherTimer_ = ::SetTimer(nullptr, gatherTimer_, kGatherMs, &FloaterKeeper::OnGatherTimer);
    LogLastErrorIf(!gatherTimer_, L"SetTimer for the kept Floaters");
}

void CALLBACK FloaterKeeper::OnGatherTimer(HWND, UINT, UINT_PTR id, DWORD) noexcept {
    ::KillTimer(nullptr, id);
    try {
        if (!g_keeper) return;
        g_keeper->gatherTimer_ = 0;
        g_keeper->SaveNow();
    } catch (...) {
        ReportCaughtException();
    }
}

bool FloaterKeeper::KeepPicture(const FloaterHost& host, int n) {
    if (pictures_.count(n)) return true;
    Job job{Job::Kind::Picture};
    // No memory for the copy leaves this one unkept (tried again at the next
    // change), not the others.
    try {
        if (!ReadPixels(host.PictureOf(n), job.pixels)) {
            LogFailure(L"a Floater's picture could not be read to keep it");
            return false;
        }
    } catch (const std::bad_alloc&) {
        LogFailure(L"no memory to keep a Floater's picture");
        return false;
    }
    const std::uint64_t number = nextPicture_++;
    job.path = PicturePath(number);
    Queue(std::move(job));
    pictures_[n] = number;
    return true;
}

void FloaterKeeper::SaveNow() {
    const FloaterHost* host = host_ ? host_() : nullptr;
    if (!host) return;
    const FloaterBook& book = host->book();
    for (const auto& [n, f] : book.floaters()) KeepPicture(*host, n);
    std::string state = FormatFloaters(SnapshotFloaters(
        book, host->stack().frontToBack(), [host](int n) { return host->ScaleOf(n); }, pictures_, host->origin()));
    if (state == lastState_) return;
    Queue({Job::Kind::Text, folder_ + L"\\" + kFloaterStateName, {}, {}, state});
    lastState_ = std::move(state);
}

void FloaterKeeper::PictureChanged(int n) {
    const auto it = pictures_.find(n);
    if (it == pictures_.end()) return;
    Queue({Job::Kind::Remove, PicturePath(it->second)});
    pictures_.erase(it);
    Changed();
}

void FloaterKeeper::Closing(FloaterHost& host, int n) {
    if (leaving_ || !KeepPicture(host, n)) return;
    const std::uint64_t picture = pictures_[n];
    const SavedFloaters one = SnapshotFloaters(host.book(), {n}, [&host](int m) { return host.ScaleOf(m); },
                                               {{n, picture}}, host.origin());
    const std::uint64_t number = nextClosed_++;
    Queue({Job::Kind::Move, PicturePath(picture), ClosedPath(ClosedPictureName(number))});
    if (!one.backToFront.empty())
        Queue({Job::Kind::Text, ClosedPath(ClosedPlaceName(number)), {}, {}, FormatFloaterLine(one.backToFront[0])});
    pictures_.erase(n);
    closed_.push_back(number);
    for (const std::uint64_t old : ClosedToForget(closed_)) {
        Queue({Job::Kind::Remove, ClosedPath(ClosedPictureName(old))});
        Queue({Job::Kind::Remove, ClosedPath(ClosedPlaceName(old))});
        closed_.erase(std::find(closed_.begin(), closed_.end(), old));
    }
    Changed();
}

void FloaterKeeper::HostClosed(FloaterHost& host) {
    if (leaving_) return;
    std::vector<int> shown;
    for (const auto& [n, f] : host.book().floaters()) shown.push_back(n);
    for (const int n : shown) Closing(host, n);
    if (gatherTimer_) ::KillTimer(nullptr, gatherTimer_);
    gatherTimer_ = 0;
    lastState_ = FormatFloaters({});
    Queue({Job::Kind::Text, folder_ + L"\\" + kFloaterStateName, {}, {}, lastState_});
}

bool FloaterKeeper::ReopenNewest(FloaterHost& host, std::wstring& why) {
    if (closed_.empty()) {
        why = L"There is no closed Floater to reopen.";
        return false;
    }
    // The deletes just made must be on disk before the newest is read.
    writer_.WaitIdle(INFINITE);
    const std::uint64_t number = closed_.back();
    const std::wstring picturePath = ClosedPath(ClosedPictureName(number));
    const std::wstring placePath = ClosedPath(ClosedPlaceName(number));
    Dib picture;
    if (!LoadCapture(picturePath, picture, why)) {
        // Gone or torn: the next one is reopened next time.
        closed_.pop_back();
        return false;
    }
    const std::optional<SavedFloater> place = ParseFloaterLine(ReadSmallFile(placePath));
    unique_hbitmap bitmap(picture.ReleaseBitmap());
    const std::optional<int> n =
        place ? host.RestoreFloater(std::move(bitmap), place->topLeft, place->zoom, place->opacity, place->collapsed)
              : host.RestoreFloater(std::move(bitmap), std::nullopt, 100, 100, false);
    if (!n) {
        why = L"The Floater could not be made: the system refused a new window.";
        return false;
    }
    closed_.pop_back();
    // The same file, moved back: the picture is not encoded again.
    const std::uint64_t kept = nextPicture_++;
    Queue({Job::Kind::Move, picturePath, PicturePath(kept)});
    Queue({Job::Kind::Remove, placePath});
    pictures_[*n] = kept;
    Changed();
    return true;
}

bool FloaterKeeper::SaveAndFinish(DWORD timeoutMs) {
    if (gatherTimer_) ::KillTimer(nullptr, gatherTimer_);
    gatherTimer_ = 0;
    SaveNow();
    leaving_ = true;
    return writer_.Finish(timeoutMs);
}

std::wstring FloaterKeeper::PicturePath(std::uint64_t number) const {
    return folder_ + L"\\" + FloaterPictureName(number);
}
std::wstring FloaterKeeper::ClosedPath(const std::wstring& name) const { return closedFolder_ + L"\\" + name; }

void FloaterKeeper::Queue(Job job) {
    writer_.Queue([this, job = std::move(job)] { Do(job); });
}

void FloaterKeeper::Do(const Job& job) {
    switch (job.kind) {
        case Job::Kind::Picture: {
            const Pixels& px = job.pixels;
            const std::vector<std::uint8_t> png = EncodePng(px.bits.data(), px.width, px.height, px.width);
            MakeFolders(folder_);
            WriteWhole(job.path, png.data(), png.size());
            return;
        }
        case Job::Kind::Text:
            MakeFolders(job.path.substr(0, job.path.find_last_of(L'\\')));
            WriteWhole(job.path, job.text.data(), job.text.size());
            return;
        case Job::Kind::Move:
            MakeFolders(job.to.substr(0, job.to.find_last_of(L'\\')));
            LogLastErrorIf(!::MoveFileExW(job.path.c_str(), job.to.c_str(), MOVEFILE_REPLACE_EXISTING),
                           L"MoveFileExW of a kept Floater");
            return;
        case Job::Kind::Remove:
            if (!::DeleteFileW(job.path.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND)
                LogFailure(L"DeleteFileW of a kept Floater", ::GetLastError());
            return;
    }
}

}  // namespace vellumo::win
