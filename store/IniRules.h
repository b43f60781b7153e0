// The rules of the settings store that need no Windows: where "set.ini"
// lives, how a profile read is turned into a value, the table of stored
// settings and how a stored number is read.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vellumo::settings {

// The read buffer handed to the profile functions, in characters; one is
// kept for the terminating NUL, so values come back cut to 254.
inline constexpr std::size_t kReadBufferChars = 255;
inline constexpr std::size_t kMaxValueChars = kReadBufferChars - 1;

// Folder + "\" + name, without doubling a "\" the folder already ends with
// (a drive root such as "C:\").
std::wstring JoinIniPath(std::wstring_view folder, std::wstring_view name);

// The value of one read: `copied` is what the profile function reported.
// 0 means the empty string (a key present with an empty value, or an empty
// default); otherwise the buffer up to its first NUL, at most 254 characters.
std::wstring ValueFromReadBuffer(std::wstring_view buffer, std::size_t copied);

// How a stored string becomes a setting when it is not what the writer meant.
enum class ValueKind {
    Text,         // taken as it is
    WholeNumber,  // decimal integer within [min, max]; anything else reads as 0
};

struct Setting {
    std::wstring_view section;
    std::wstring_view keySuffix;  // appended to the owner's name ("HotKey1" + "Text")
    std::wstring_view defaultValue;
    ValueKind kind = ValueKind::Text;
    long long min = 0, max = 0;

    std::wstring Key(std::wstring_view owner) const { return std::wstring(owner) + std::wstring(keySuffix); }
};

// The stored combination of a hotkey control, keyed by its instance name.
inline constexpr Setting kHotKeyText{L"hotkey", L"Text", L"NULL"};
inline constexpr Setting kHotKeyKeyCode{L"hotkey", L"KeyCode", L"0", ValueKind::WholeNumber, 0, 255};
inline constexpr Setting kHotKeyModKeyCode{L"hotkey", L"ModKeyCode", L"0", ValueKind::WholeNumber, 0, 0xFFFF};
// Whether the hotkey is on: the settings window's enable box, stored as
// "checka" (its owner "check" + "a", the key other copies have always
// read); its default is the box's current state, so callers pass it. It is
// read with ReadFlag: "checka=2" enables the hotkey as "checka=1" does.
inline constexpr Setting kHotKeyEnabledSetting{L"check", L"a", L"", ValueKind::WholeNumber, 0, 1};
inline constexpr std::wstring_view kEnableBoxOwner = L"check";

// A decimal whole number (optional sign, surrounding blanks allowed);
// nothing when the text is anything else or out of the int range.
std::optional<long long> ParseWholeNumber(std::wstring_view text);

// A stored number as the setting reads it: bad or out-of-range text gives 0.
int ReadNumber(const Setting& setting, std::wstring_view stored);

// A stored on/off flag: on for any whole number but 0 (of any size or sign);
// text that is no whole number reads as off, as a bad number reads as 0.
bool ReadFlag(std::wstring_view stored);

// A save the system refused (a read-only file or folder): the file and the
// system's reason.
std::wstring SettingsNotSavedMessage(std::wstring_view iniPath, std::wstring_view reason);

}  // namespace vellumo::settings
