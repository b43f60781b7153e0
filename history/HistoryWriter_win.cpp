#include "history/HistoryWriter_win.h"

#include <memory>
#include <new>

#include "gfx/Log_win.h"
#include "gfx/SystemError_win.h"
#include "output/PngEncoder.h"

namespace vellumo::win {

namespace {
std::wstring FolderFromSettings(const history::Settings& s) {
    if (!s.folder.empty()) return s.folder;
    wchar_t buf[MAX_PATH];
    const DWORD n = ::GetEnvironmentVariableW(L"LOCALAPPDATA", buf, MAX_PATH);
    return history::DefaultFolder(n > 0 && n < MAX_PATH ? std::wstring_view(buf, n) : std::wstring_view());
}

// Every missing folder of the path, outermost first; the error of the last
// refusal (0 when the folder is there).
DWORD MakeFolders(const std::wstring& folder) {
    if (::GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return 0;
    const std::size_t cut = folder.find_last_of(L"\\/");
    if (cut != std::wstring::npos && cut > 0 && folder[cut - 1] != L':' && folder[cut - 1] != L'\\')
        MakeFolders(folder.substr(0, cut));
    if (::CreateDirectoryW(folder.c_str(), nullptr)) return 0;
    const DWORD error = ::GetLastError();
    return error == ERROR_ALREADY_EXISTS ? 0 : error;
}

history::Stamp Now() {
    SYSTEMTIME t{};
    ::GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

struct Listed {
    std::wstring name;
    std::uint64_t bytes = 0;
};
std::vector<Listed> List(const std::wstring& folder, const wchar_t* pattern) {
    std::vector<Listed> out;
    WIN32_FIND_DATAW fd{};
    const HANDLE find = ::FindFirstFileW((folder + L"\\" + pattern).c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return out;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            out.push_back({fd.cFileName, std::uint64_t(fd.nFileSizeHigh) << 32 | fd.nFileSizeLow});
    } while (::FindNextFileW(find, &fd));
    ::FindClose(find);
    return out;
}

// How long a capture's write waits for what its leaving set going.
constexpr DWORD kSettleMs = 400;

constexpr wchar_t kTellClass[] = L"VellumoHistoryTell";
constexpr UINT kTellMessage = WM_APP + 1;
}  // namespace

CaptureHistory::CaptureHistory(const IniFile& ini, std::function<HWND()> messageOwner)
    : messageOwner_(std::move(messageOwner)) {
    using namespace history;
    settings_ = ReadSettings(ini.Read(std::wstring(kSection), std::wstring(kFolderKey), L""),
                             ini.Read(std::wstring(kSection), std::wstring(kKeepKey), L""),
                             ini.Read(std::wstring(kSection), std::wstring(kMaxMBKey), L""));
    folder_ = FolderFromSettings(settings_);
    while (!folder_.empty() && (folder_.back() == L'\\' || folder_.back() == L'/')) folder_.pop_back();
    if (!on()) return;
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = &CaptureHistory::TellProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kTellClass;
    ::RegisterClassExW(&wc);
    // Message-only: no top-level window that would keep the program running.
    tellWindow_.reset(::CreateWindowExW(0, kTellClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr));
    if (!LogLastErrorIf(!tellWindow_, L"CreateWindowExW for the history's messages"))
        ::SetWindowLongPtrW(tellWindow_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    // The encoding must not take the processor from the overlay leaving the
    // screen or the Floater painting, which it did at normal priority.
    writer_ = std::make_unique<WorkerThread>(
        WorkerThread::LogLines{L"no memory to write a capture to the history", L"writing the capture history threw"},
        THREAD_PRIORITY_LOWEST);
    writer_->Queue([this] { RemoveTemporaries(); });
}

CaptureHistory::~CaptureHistory() {
    if (!writer_) return;
    writer_.reset();
    // A refusal of the last write before the program ends is still told.
    TellPending();
    if (tellWindow_) ::SetWindowLongPtrW(tellWindow_.get(), GWLP_USERDATA, 0);
}

LRESULT CALLBACK CaptureHistory::TellProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == kTellMessage) {
        try {
            if (auto* self = reinterpret_cast<CaptureHistory*>(::GetWindowLongPtrW(w, GWLP_USERDATA))) self->TellPending();
        } catch (...) {
            ReportCaughtException();
        }
        return 0;
    }
    return ::DefWindowProcW(w, msg, wp, lp);
}

void CaptureHistory::TellPending() {
    ::AcquireSRWLockExclusive(&tellLock_);
    const std::wstring text = std::move(pendingTell_);
    pendingTell_.clear();
    ::ReleaseSRWLockExclusive(&tellLock_);
    if (text.empty()) return;
    const HWND owner = messageOwner_ ? messageOwner_() : nullptr;
    ::MessageBoxW(owner, text.c_str(), L"Vellumo", MB_OK | MB_ICONWARNING | MB_TOPMOST | MB_SETFOREGROUND);
}

void CaptureHistory::Record(const PixelPlane& pixels, std::optional<Rect> onScreen, history::LeftBy how) {
    if (!on() || !writer_ || !writer_->running() || !pixels.bits || pixels.width <= 0 || pixels.height <= 0) return;
    // Not a vector: a vector would zero the pixels first, twice the writes
    // the leaving capture waits for.
    std::shared_ptr<std::uint32_t[]> copy;
    try {
        copy.reset(new std::uint32_t[std::size_t(pixels.width) * std::size_t(pixels.height)]);
    } catch (const std::bad_alloc&) {
        LogFailure(L"no memory to keep a capture in the history");
        return;
    }
    for (int y = 0; y < pixels.height; ++y)
        std::copy_n(pixels.row(y), pixels.width, copy.get() + std::size_t(y) * std::size_t(pixels.width));
    Record(SharedPixels{std::shared_ptr<const std::uint32_t>(copy, copy.get()), pixels.width, pixels.height}, onScreen,
           how);
}

void CaptureHistory::Record(SharedPixels pixels, std::optional<Rect> onScreen, history::LeftBy how) {
    if (!on() || !writer_ || !writer_->running() || !pixels.bits || pixels.width <= 0 || pixels.height <= 0) return;
    const history::Record record{Now(), pixels.width, pixels.height, how, onScreen};
    // A capture has just left: the overlay is leaving the screen or the
    // Floater painting. Encoding then took their processor (a copy took 1.5
    // times as long with the history on, at lowest priority); it waits until
    // they are done, unless the program is ending.
    writer_->Queue([this, bits = std::move(pixels.bits), record]() mutable { Write(std::move(bits), record); },
                   kSettleMs);
}

std::vector<std::wstring> CaptureHistory::Newest(std::size_t count) {
    if (writer_) writer_->WaitIdle(INFINITE);
    std::vector<std::wstring> names;
    for (auto& f : List(folder_, L"capture-*.png")) names.push_back(std::move(f.name));
    std::vector<std::wstring> paths;
    for (const auto& name : history::Newest(std::move(names), count)) paths.push_back(Path(name));
    return paths;
}

void CaptureHistory::Clear() {
    if (!writer_) return;
    writer_->Queue([this] { RemoveAll(); });
    writer_->WaitIdle(INFINITE);
}

bool CaptureHistory::Finish(DWORD timeoutMs) { return !writer_ || writer_->Finish(timeoutMs); }

void CaptureHistory::MakeFolder() const {
    if (const DWORD error = MakeFolders(folder_)) LogFailure(L"CreateDirectoryW for the history", error);
}

std::wstring CaptureHistory::Path(const std::wstring& name) const { return folder_ + L"\\" + name; }

void CaptureHistory::RemoveAll() {
    for (const auto& f : List(folder_, L"capture-*.png"))
        if (history::StampOfName(f.name)) ::DeleteFileW(Path(f.name).c_str());
}

void CaptureHistory::RemoveTemporaries() {
    for (const auto& f : List(folder_, L"capture-*.tmp"))
        if (history::IsLeftoverTemporary(f.name))
            LogLastErrorIf(!::DeleteFileW(Path(f.name).c_str()), L"DeleteFileW of a history temporary");
}

void CaptureHistory::Write(std::shared_ptr<const std::uint32_t> pixels, const history::Record& r) {
    const std::vector<std::uint8_t> png =
        history::WithText(EncodePng(pixels.get(), r.width, r.height, r.width), history::RecordText(r));
    pixels.reset();
    if (const DWORD error = MakeFolders(folder_)) return Failed(L"CreateDirectoryW", error);
    // Unique within the second, also against an earlier run's files.
    std::wstring name;
    for (int seq = 0; seq < 1000; ++seq) {
        name = history::FileName(r.when, seq);
        if (::GetFileAttributesW(Path(name).c_str()) == INVALID_FILE_ATTRIBUTES) break;
    }
    const std::wstring target = Path(name), temporary = Path(history::TemporaryName(name));
    unique_handle f = FileHandle(
        ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return Failed(L"CreateFileW", ::GetLastError());
    DWORD written = 0;
    DWORD error = 0;
    if (!::WriteFile(f.get(), png.data(), static_cast<DWORD>(png.size()), &written, nullptr) || written != png.size())
        error = ::GetLastError() ? ::GetLastError() : ERROR_WRITE_FAULT;
    if (!::CloseHandle(f.release()) && !error) error = ::GetLastError();
    // Only a whole file takes the real name: a reader never sees half of one.
    if (!error && !::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) error = ::GetLastError();
    if (error) {
        ::DeleteFileW(temporary.c_str());
        return Failed(L"writing a capture to the history", error);
    }
    Prune();
}

void CaptureHistory::Prune() {
    std::vector<history::StoredFile> files;
    for (auto& f : List(folder_, L"capture-*.png")) files.push_back({std::move(f.name), f.bytes});
    for (const auto& name : history::FilesToPrune(std::move(files), settings_.keep, settings_.maxBytes()))
        LogLastErrorIf(!::DeleteFileW(Path(name).c_str()), L"DeleteFileW pruning the history");
}

void CaptureHistory::Failed(const wchar_t* step, DWORD error) {
    LogFailure(step, error);
    if (told_) return;
    told_ = true;
    // Shown by the thread that made the history, among the program's windows;
    // the writer goes on.
    std::wstring text = history::NotWrittenMessage(folder_, SystemErrorText(error));
    ::AcquireSRWLockExclusive(&tellLock_);
    pendingTell_ = std::move(text);
    ::ReleaseSRWLockExclusive(&tellLock_);
    if (tellWindow_) ::PostMessageW(tellWindow_.get(), kTellMessage, 0, 0);
}

}  // namespace vellumo::win
