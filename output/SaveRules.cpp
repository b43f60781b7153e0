#include "output/SaveRules.h"

#include <vector>

#include "output/ImageFormat.h"

namespace vellumo {

namespace {
wchar_t Upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring SizeText(Size s) { return std::to_wstring(s.width) + L" \u00D7 " + std::to_wstring(s.height); }

const wchar_t* Verb(OutputAction a) {
    switch (a) {
        case OutputAction::Copy: return L"copy";
        case OutputAction::Save: return L"save";
        case OutputAction::Pin: return L"pin";
    }
    return L"";
}
}  // namespace

std::wstring_view FileNamePart(std::wstring_view path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}

bool IsReservedDeviceName(std::wstring_view fileName) {
    std::wstring_view base = fileName.substr(0, fileName.find_first_of(L".:"));
    while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
    std::wstring up;
    for (wchar_t c : base) up.push_back(Upper(c));
    if (up == L"CON" || up == L"PRN" || up == L"AUX" || up == L"NUL" || up == L"CONIN$" || up == L"CONOUT$")
        return true;
    if (up.size() != 4 || (up.compare(0, 3, L"COM") != 0 && up.compare(0, 3, L"LPT") != 0)) return false;
    const wchar_t d = up[3];
    return (d >= L'0' && d <= L'9') || d == L'\u00B9' || d == L'\u00B2' || d == L'\u00B3';
}

SaveNameProblem CheckSaveName(std::wstring_view path) {
    const std::wstring_view file = FileNamePart(path);
    if (file.empty()) return SaveNameProblem::NoFileName;
    if (IsReservedDeviceName(file)) return SaveNameProblem::ReservedDevice;
    std::size_t run = 0;
    for (wchar_t c : path) {
        run = IsSeparator(c) ? 0 : run + 1;
        if (run > kMaxNameChars) return SaveNameProblem::NameTooLong;
    }
    if (FormatByExtension(path) == ImageFormat::None) return SaveNameProblem::UnsupportedExtension;
    return SaveNameProblem::None;
}

std::wstring SaveNameMessage(SaveNameProblem problem, std::wstring_view path) {
    const std::wstring file(FileNamePart(path));
    switch (problem) {
        case SaveNameProblem::None: return {};
        case SaveNameProblem::NoFileName:
            return L"Nothing was saved: \"" + std::wstring(path) + L"\" names a folder, not a file.";
        case SaveNameProblem::ReservedDevice:
            return L"Nothing was saved: \"" + file +
                   L"\" is a name Windows keeps for a device, not a file.\n\nPlease choose another name.";
        case SaveNameProblem::NameTooLong:
            return L"Nothing was saved: a name in\n" + std::wstring(path) + L"\nis longer than " +
                   std::to_wstring(kMaxNameChars) + L" characters, which no file system allows.\n\n"
                   L"Please choose a shorter name.";
        case SaveNameProblem::UnsupportedExtension: return UnsupportedExtensionMessage(path);
    }
    return {};
}

std::wstring UndoAppendedExtension(std::wstring_view result, std::wstring_view typed) {
    const std::wstring_view typedName = FileNamePart(typed), resultName = FileNamePart(result);
    if (typedName.empty() || typedName.find(L'.') == std::wstring_view::npos) return std::wstring(result);
    if (resultName.size() <= typedName.size() + 1 || resultName.substr(0, typedName.size()) != typedName ||
        resultName[typedName.size()] != L'.')
        return std::wstring(result);
    const std::wstring_view added = resultName.substr(typedName.size() + 1);
    if (added.find_first_of(L". ") != std::wstring_view::npos) return std::wstring(result);
    return std::wstring(result.substr(0, result.size() - added.size() - 1));
}

std::wstring CombineDialogPath(std::wstring_view folder, std::wstring_view typed) {
    const bool absolute = (typed.size() >= 2 && typed[1] == L':') || (!typed.empty() && IsSeparator(typed[0]));
    if (absolute || folder.empty()) return std::wstring(typed);
    std::wstring out(folder);
    if (!IsSeparator(out.back())) out += L'\\';
    return out + std::wstring(typed);
}

std::wstring DialogPathTooLongMessage(std::size_t length) {
    return L"This name is too long: with its folder it has " + std::to_wstring(length) +
           L" characters, and the save dialog takes at most " + std::to_wstring(kMaxDialogPathChars) +
           L".\n\nPlease choose a shorter name or folder.";
}

std::wstring TemporaryNameBeside(std::wstring_view target, unsigned attempt) {
    std::size_t folderEnd = 0;  // just past the folder's last separator, or past "C:"
    for (std::size_t i = 0; i < target.size(); ++i)
        if (IsSeparator(target[i]) || (i == 1 && target[i] == L':')) folderEnd = i + 1;
    return std::wstring(target.substr(0, folderEnd)) + L"~vellumo-save-" + std::to_wstring(attempt) + L".tmp";
}

std::wstring ExtendedLengthPath(std::wstring_view path) {
    if (path.size() <= kMaxPlainPathChars || path.rfind(L"\\\\?\\", 0) == 0) return std::wstring(path);
    std::wstring root;
    std::wstring_view rest;
    const bool drive = path.size() >= 3 && path[1] == L':' && IsSeparator(path[2]);
    const bool unc = path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]);
    if (drive) {
        root = L"\\\\?\\" + std::wstring(path.substr(0, 2)) + L"\\";
        rest = path.substr(3);
    } else if (unc) {
        root = L"\\\\?\\UNC\\";
        rest = path.substr(2);
    } else {
        return std::wstring(path);  // relative: nothing to anchor the prefix to
    }
    std::vector<std::wstring_view> names;
    while (!rest.empty()) {
        std::size_t end = 0;
        while (end < rest.size() && !IsSeparator(rest[end])) ++end;
        const std::wstring_view name = rest.substr(0, end);
        rest.remove_prefix(end == rest.size() ? end : end + 1);
        if (name.empty() || name == L".") continue;
        // ".." never climbs above the drive, or above a share's server and name.
        if (name == L"..") {
            if (names.size() > (unc ? 2u : 0u)) names.pop_back();
            continue;
        }
        names.push_back(name);
    }
    std::wstring out = root;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i) out += L'\\';
        out += names[i];
    }
    return out;
}

std::wstring EmptySelectionMessage(OutputAction action, Size selection) {
    return std::wstring(L"Nothing to ") + Verb(action) + L": the selection is empty (" + SizeText(selection) +
           L" pixels).\n\nDrag its handles apart, or press R to choose again.";
}

std::wstring NoMemoryForSelectionMessage(OutputAction action, Size selection) {
    return std::wstring(L"There is not enough memory to ") + Verb(action) + L" the selection (" +
           SizeText(selection) + L" pixels).\n\nYour selection is still here; close some programs and try again.";
}

std::wstring NoMemoryForPinnedCopyMessage(Size image) {
    return L"The Floater is pinned, but there was not enough memory to put a copy of it (" + SizeText(image) +
           L" pixels) on the clipboard.";
}

std::wstring NoMemoryToFreezeMessage(Size screen) {
    return L"There is not enough memory to capture the screen (" + SizeText(screen) +
           L" pixels).\n\nClose some programs or Floaters and try again.";
}

std::wstring SaveFailureMessage(SaveStep step, std::wstring_view path, std::wstring_view detail) {
    const std::wstring file(path);
    switch (step) {
        case SaveStep::ReadImage: return L"Nothing was saved to\n" + file + L"\n\nThe image could not be read.";
        case SaveStep::OutOfMemory:
            return L"Nothing was saved to\n" + file + L"\n\nThere is not enough memory to encode the image.";
        case SaveStep::Encode:
            return L"Nothing was saved to\n" + file + L"\n\nThe image could not be encoded as " +
                   FileExtension(path) + L" (GDI+ is not available or refused the image).";
        case SaveStep::Write: return L"The image could not be saved to\n" + file + L"\n\n" + std::wstring(detail);
        case SaveStep::NotAFile:
            return L"Nothing was saved: \"" + file + L"\" opens a device, not a file.\n\nPlease choose another name.";
        case SaveStep::Verify:
            return L"The image could not be saved to\n" + file + L"\n\nThe file there does not hold what was written (" +
                   std::wstring(detail) + L").";
    }
    return {};
}

}  // namespace vellumo
