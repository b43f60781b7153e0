// The quick save: Ctrl+Shift+S writes the selection into the quick-save
// folder under a name from the time pattern, with no dialog, and ends the
// capture as a save does. A folder that cannot be made or written is told
// and the overlay stays with its selection and drawings. What is saved is
// kept in the history too.
#include "gfx/Shell_win.h"
#include "gfx/SystemError_win.h"
#include "output/QuickSave.h"
#include "output/Save_win.h"
#include "overlay/CaptureOverlay_win.h"
#include "store/Ini_win.h"

namespace vellumo::win {

namespace {
std::wstring Stored(const IniFile& ini, const settings::Setting& s) {
    return ini.Read(std::wstring(s.section), s.Key(L""), std::wstring(s.defaultValue));
}

LocalTime Now() {
    SYSTEMTIME t{};
    ::GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

bool Taken(const std::wstring& name) {
    return ::GetFileAttributesW(ExtendedLengthPath(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}
}  // namespace

void CaptureOverlay::QuickSaveSelection() {
    if (!sel_.Selected()) return;
    CommitText();
    if (!RenderSelection(OutputAction::Save)) return;
    // Read at each press: an edit of set.ini counts from the next save on.
    const IniFile ini = IniFile::BesideExe(L"set.ini");
    const std::wstring stored = Stored(ini, kQuickSaveFolder);
    const std::wstring folder = QuickSaveFolder(stored, PicturesFolder());
    if (const DWORD error = MakeFolderTree(folder); error != ERROR_SUCCESS) {
        Tell(QuickSaveFolderMessage(folder, SystemErrorText(error)));
        return;
    }
    const std::wstring base = ExpandNamePattern(Stored(ini, kQuickSavePattern), Now());
    const auto name = FirstFreeName(folder, base, QuickSaveExtension(Stored(ini, kQuickSaveFormat)), &Taken);
    if (!name) {
        Tell(QuickSaveNoFreeNameMessage(folder, base));
        return;
    }
    if (const SaveOutcome outcome = SaveBitmapToFile(selectionPicture_.bitmap(), *name); !outcome.saved()) {
        Tell(outcome.refusal);
        return;
    }
    // Kept in the history as a save from the dialog is.
    events_.OnCaptureLeft(HandOverSelectionPicture(), monitors_.ToScreen(SelectionOnScreen()), history::LeftBy::Save);
    KeepAlive hold;
    EndCapture();
    events_.OnQuickSaved(*name);
}

}  // namespace vellumo::win
