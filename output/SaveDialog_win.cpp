// The save dialog: the Common Item Dialog (IFileSaveDialog), with the old
// GetSaveFileNameW dialog only where that cannot be made. Under Wine the old
// dialog's thread died of a stack overflow on a name past 260 characters,
// leaving a dead box over a frozen overlay.
#include <objbase.h>
#include <shobjidl.h>
#include <commdlg.h>

#include <optional>
#include <vector>

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
    T** put() { return &p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// Keeps the text of the name box as it was when the user chose Save, which
// the dialog no longer has once it is closed.
class TypedNameKeeper final : public IFileDialogEvents {
public:
    explicit TypedNameKeeper(CoTaskMemFreeFn taskMemFree) : taskMemFree_(taskMemFree) {}
    const std::wstring& typed() const { return typed_; }

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

    HRESULT STDMETHODCALLTYPE OnFileOk(IFileDialog* dialog) override {
        wchar_t* text = nullptr;
        if (SUCCEEDED(dialog->GetFileName(&text)) && text) {
            typed_ = text;
            taskMemFree_(text);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnFolderChanging(IFileDialog*, IShellItem*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnFolderChange(IFileDialog*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnSelectionChange(IFileDialog*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShareViolation(IFileDialog*, IShellItem*, FDE_SHAREVIOLATION_RESPONSE*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE OnTypeChange(IFileDialog*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnOverwrite(IFileDialog*, IShellItem*, FDE_OVERWRITE_RESPONSE*) override {
        return E_NOTIMPL;
    }

private:
    CoTaskMemFreeFn taskMemFree_;
    std::wstring typed_;
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
    TypedNameKeeper keeper(api.taskMemFree);
    DWORD cookie = 0;
    const bool advised = SUCCEEDED(dialog->Advise(&keeper, &cookie));
    const HRESULT shown = dialog->Show(owner);
    if (advised) dialog->Unadvise(cookie);
    if (shown == HRESULT_FROM_WIN32(ERROR_CANCELLED)) return false;
    if (FAILED(shown)) return std::nullopt;
    ComPtr<IShellItem> item;
    wchar_t* path = nullptr;
    if (FAILED(dialog->GetResult(item.put())) || FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) || !path)
        return false;
    UINT typeIndex = 1;
    dialog->GetFileTypeIndex(&typeIndex);
    name = WithFilterExtension(UndoAppendedExtension(path, keeper.typed()), static_cast<int>(typeIndex));
    api.taskMemFree(path);
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
