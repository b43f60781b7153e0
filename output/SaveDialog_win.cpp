// The save dialog: the Common Item Dialog (IFileSaveDialog), with the old
// GetSaveFileNameW dialog only where that cannot be made. Under Wine the old
// dialog's thread died of a stack overflow on a name past 260 characters,
// leaving a dead box over a frozen overlay.
#include <objbase.h>
#include <shobjidl.h>
#include <commdlg.h>

#include <optional>
#include <vector>

#include "gfx/Subclass_win.h"
#include "gfx/SystemProc_win.h"
#include "output/ImageFormat.h"
#include "output/SaveRules.h"
#include "output/Save_win.h"

namespace vellumo::win {

namespace {
using CoInitializeExFn = HRESULT(WINAPI*)(void*, DWORD);
using CoCreateInstanceFn = HRESULT(WINAPI*)(REFCLSID, IUnknown*, DWORD, REFIID, void**);
using CoTaskMemFreeFn = void(WINAPI*)(void*);
using GetSaveFileNameFn = BOOL(WINAPI*)(OPENFILENAMEW*);

// ole32 and comdlg32 (and the shell they pull in) are loaded when first
// needed, not at start-up.
struct DialogApi {
    CoCreateInstanceFn createInstance = nullptr;
    CoTaskMemFreeFn taskMemFree = nullptr;
    GetSaveFileNameFn getSaveFileName = nullptr;
};

const DialogApi& Api() {
    static const DialogApi api = [] {
        DialogApi a;
        // Both dialogs host shell objects and expect COM in this thread as a
        // single-threaded apartment; it stays for the life of the process,
        // as the dialog may be shown again.
        if (auto init = SystemProc<CoInitializeExFn>(L"ole32.dll", "CoInitializeEx"))
            init(nullptr, COINIT_APARTMENTTHREADED);
        a.createInstance = SystemProc<CoCreateInstanceFn>(L"ole32.dll", "CoCreateInstance");
        a.taskMemFree = SystemProc<CoTaskMemFreeFn>(L"ole32.dll", "CoTaskMemFree");
        a.getSaveFileName = SystemProc<GetSaveFileNameFn>(L"comdlg32.dll", "GetSaveFileNameW");
        return a;
    }();
    return api;
}

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (p_) p_->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    T** put() { return &p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// Watches one Show of the item dialog. It keeps the text of the name box as
// it was when the user chose Save (the dialog no longer has it once closed),
// and refuses a name too long for the dialog before the dialog sees the
// Save: Wine's overflows a 260-character buffer there and the program dies.
class DialogGuard final : public IFileDialogEvents {
public:
    DialogGuard(IFileDialog* dialog, CoTaskMemFreeFn taskMemFree) : dialog_(dialog), taskMemFree_(taskMemFree) {}
    const std::wstring& typed() const { return typed_; }
    // The typed name with the folder it was typed in: what a name the shell
    // has no file item for ("nul.png") is judged by.
    const std::wstring& typedPath() const { return typedPath_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IFileDialogEvents)) {
            *out = static_cast<IFileDialogEvents*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the stack for the one Show; the dialog's references come and go within it.
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; }

    HRESULT STDMETHODCALLTYPE OnFileOk(IFileDialog*) override {
        typed_ = Text([&](wchar_t** t) { return dialog_->GetFileName(t); });
        typedPath_ = CombineDialogPath(FolderPath(), typed_);
        return S_OK;
    }
    // The first folder shown: the dialog's window exists, and is watched.
    HRESULT STDMETHODCALLTYPE OnFolderChange(IFileDialog*) override {
        Watch();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnFolderChanging(IFileDialog*, IShellItem*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnSelectionChange(IFileDialog*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShareViolation(IFileDialog*, IShellItem*, FDE_SHAREVIOLATION_RESPONSE*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE OnTypeChange(IFileDialog*) override {
        Watch();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnOverwrite(IFileDialog*, IShellItem*, FDE_OVERWRITE_RESPONSE*) override {
        return E_NOTIMPL;
    }

private:
    template <typename Get>
    std::wstring Text(Get get) {
        wchar_t* text = nullptr;
        std::wstring out;
        if (SUCCEEDED(get(&text)) && text) out = text;
        if (text) taskMemFree_(text);
        return out;
    }

    void Watch() {
        if (hook_.window()) return;
        ComPtr<IOleWindow> ole;
        HWND window = nullptr;
        if (FAILED(dialog_->QueryInterface(__uuidof(IOleWindow), reinterpret_cast<void**>(ole.put()))) ||
            FAILED(ole->GetWindow(&window)) || !window)
            return;
        hook_.Install(window, [this](UINT msg, WPARAM wp, LPARAM lp) { return OnDialogMessage(msg, wp, lp); });
    }

    std::wstring FolderPath() {
        ComPtr<IShellItem> folder;
        if (FAILED(dialog_->GetFolder(folder.put())) || !folder) return {};
        return Text([&](wchar_t** t) { return folder->GetDisplayName(SIGDN_FILESYSPATH, t); });
    }

    // The name the dialog would take, if it is too long for it: the message.
    std::wstring TooLong() {
        const std::wstring typed = Text([&](wchar_t** t) { return dialog_->GetFileName(t); });
        const std::wstring path = CombineDialogPath(FolderPath(), typed);
        return path.size() > kMaxDialogPathChars ? DialogPathTooLongMessage(path.size()) : std::wstring();
    }

    LRESULT OnDialogMessage(UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_COMMAND && LOWORD(wp) == IDOK) {
            std::wstring refused;
            try {
                refused = TooLong();
            } catch (...) {
                refused = DialogPathTooLongMessage(0);
            }
            if (!refused.empty()) {
                ::MessageBoxW(hook_.window(), refused.c_str(), L"Vellumo", MB_OK | MB_ICONWARNING);
                return 0;
            }
        }
        return hook_.CallPrevious(msg, wp, lp);
    }

    IFileDialog* dialog_;
    CoTaskMemFreeFn taskMemFree_;
    std::wstring typed_;
    std::wstring typedPath_;
    SubclassGuard hook_;  // the dialog's window, from its first folder on
    ULONG refs_ = 1;
};

// The filter's "name|pattern|name|pattern" as the item dialog takes it.
struct FileTypes {
    std::vector<std::wstring> texts;
    std::vector<COMDLG_FILTERSPEC> specs;
};
FileTypes ImageFileTypes() {
    FileTypes t;
    std::wstring_view rest = kImageFilter;
    while (!rest.empty()) {
        const auto bar = rest.find(L'|');
        t.texts.emplace_back(rest.substr(0, bar));
        rest = bar == std::wstring_view::npos ? std::wstring_view{} : rest.substr(bar + 1);
    }
    for (std::size_t i = 0; i + 1 < t.texts.size(); i += 2) t.specs.push_back({t.texts[i].c_str(), t.texts[i + 1].c_str()});
    return t;
}

// Nothing when the item dialog cannot be made or shown; else whether a name was chosen.
std::optional<bool> AskWithItemDialog(HWND owner, std::wstring& name) {
    const DialogApi& api = Api();
    if (!api.createInstance || !api.taskMemFree) return std::nullopt;
    ComPtr<IFileSaveDialog> dialog;
    if (FAILED(api.createInstance(__uuidof(FileSaveDialog), nullptr, CLSCTX_INPROC_SERVER, __uuidof(IFileSaveDialog),
                                  reinterpret_cast<void**>(dialog.put()))))
        return std::nullopt;
    const FileTypes types = ImageFileTypes();
    dialog->SetFileTypes(static_cast<UINT>(types.specs.size()), types.specs.data());
    dialog->SetFileTypeIndex(1);
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    // A missing folder or a read-only file is the save's to tell, with the
    // system's reason, as for any other failed write.
    options &= ~static_cast<FILEOPENDIALOGOPTIONS>(FOS_PATHMUSTEXIST | FOS_NOREADONLYRETURN);
    dialog->SetOptions(options | FOS_OVERWRITEPROMPT | FOS_NOCHANGEDIR | FOS_FORCEFILESYSTEM);
    if (!name.empty()) dialog->SetFileName(name.c_str());
    DialogGuard guard(dialog.get(), api.taskMemFree);
    DWORD cookie = 0;
    const bool advised = SUCCEEDED(dialog->Advise(&guard, &cookie));
    const HRESULT shown = dialog->Show(owner);
    if (advised) dialog->Unadvise(cookie);
    if (shown == HRESULT_FROM_WIN32(ERROR_CANCELLED)) return false;
    if (FAILED(shown)) return std::nullopt;
    UINT typeIndex = 1;
    dialog->GetFileTypeIndex(&typeIndex);
    ComPtr<IShellItem> item;
    wchar_t* path = nullptr;
    if (SUCCEEDED(dialog->GetResult(item.put())) && SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) && path) {
        name = WithFilterExtension(UndoAppendedExtension(path, guard.typed()), static_cast<int>(typeIndex));
        api.taskMemFree(path);
        return true;
    }
    if (path) api.taskMemFree(path);
    // No file item for what was typed (Wine's for "nul.png"): the save
    // judges the name as typed, and tells why it cannot be written.
    if (guard.typedPath().empty()) return false;
    name = WithFilterExtension(guard.typedPath(), static_cast<int>(typeIndex));
    return true;
}

bool AskWithOldDialog(HWND owner, std::wstring& name) {
    const DialogApi& api = Api();
    if (!api.getSaveFileName) return false;
    const std::wstring filter = DialogFilter(kImageFilter);
    std::vector<wchar_t> buffer(32768, L'\0');
    name.copy(buffer.data(), std::min(name.size(), buffer.size() - 1));
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!api.getSaveFileName(&ofn)) return false;
    name = WithFilterExtension(buffer.data(), static_cast<int>(ofn.nFilterIndex));
    return true;
}
}  // namespace

bool AskSaveName(HWND owner, std::wstring& name) {
    if (const std::optional<bool> chosen = AskWithItemDialog(owner, name)) return *chosen;
    return AskWithOldDialog(owner, name);
}

}  // namespace vellumo::win
