// The quick save (Ctrl+Shift+S on the overlay): no dialog, a file in the
// quick-save folder named by a time pattern, in the stored format. What the
// stored settings come to, the name the pattern gives, the first name not yet
// taken and what the user is told. No platform headers.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "store/IniRules.h"

namespace vellumo {

// set.ini [Save]: the folder (empty: the user's Pictures folder + \Vellumo),
// the name pattern and the format's extension.
inline constexpr settings::Setting kQuickSaveFolder{L"Save", L"Folder", L""};
inline constexpr settings::Setting kQuickSavePattern{L"Save", L"Pattern", L"Vellumo_%Y-%m-%d_%H-%M-%S"};
inline constexpr settings::Setting kQuickSaveFormat{L"Save", L"Format", L"png"};
inline constexpr std::wstring_view kQuickSaveSubfolder = L"Vellumo";

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// %Y (four digits), %m %d %H %M %S (two), %% (a %); any other % is kept as it
// is. Characters no file name may hold (\ / : * ? " < > | and controls) become
// _, and trailing dots and blanks go (Windows drops them); a pattern that
// leaves nothing gives the default pattern's name.
std::wstring ExpandNamePattern(std::wstring_view pattern, const LocalTime& at);

// The stored folder, or `pictures` + \Vellumo when none is stored (only
// blanks count as none).
std::wstring QuickSaveFolder(std::wstring_view stored, std::wstring_view pictures);
// The stored format as an extension: png, jpg, gif or bmp, in any case, with
// or without a dot ("jpeg" is jpg); anything else is png.
std::wstring QuickSaveExtension(std::wstring_view stored);

// folder\base.ext, or folder\base_2.ext, _3 ... : the first that `taken`
// does not claim. Nothing when the first `tries` names are all taken.
std::optional<std::wstring> FirstFreeName(std::wstring_view folder, std::wstring_view base, std::wstring_view ext,
                                          const std::function<bool(const std::wstring&)>& taken,
                                          int tries = 10000);

// The folder cannot be made or written: the capture stays.
std::wstring QuickSaveFolderMessage(std::wstring_view folder, std::wstring_view reason);
// Every name the pattern gives is taken there.
std::wstring QuickSaveNoFreeNameMessage(std::wstring_view folder, std::wstring_view base);
// Where the file went.
std::wstring QuickSavedMessage(std::wstring_view path);

}  // namespace vellumo
