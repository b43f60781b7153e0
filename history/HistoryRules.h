// The capture history as data: its settings in "set.ini", how its files are
// named (sortable by time, unique within a second), what each PNG records
// of its capture (as tEXt chunks any viewer shows), which files pruning
// removes and which names are temporaries a crash left. No platform headers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/Geometry.h"

namespace vellumo::history {

// "[History]" in set.ini. A value that is not a whole number in range reads
// as its default: a typo neither turns the history off nor unbounds it.
inline constexpr std::wstring_view kSection = L"History";
inline constexpr std::wstring_view kFolderKey = L"Folder";
inline constexpr std::wstring_view kKeepKey = L"Keep";
inline constexpr std::wstring_view kMaxMBKey = L"MaxMB";
inline constexpr int kDefaultKeep = 100;
inline constexpr int kDefaultMaxMB = 500;
inline constexpr int kMaxKeep = 100000;
inline constexpr int kMaxMaxMB = 1000000;

struct Settings {
    std::wstring folder;  // empty: the default folder in the user's profile
    int keep = kDefaultKeep;  // 0: no history
    int maxMB = kDefaultMaxMB;
    bool on() const { return keep > 0; }
    std::uint64_t maxBytes() const { return std::uint64_t(maxMB) * 1024 * 1024; }
};

// The stored strings as they were read (a missing key gives its default text).
Settings ReadSettings(std::wstring_view folder, std::wstring_view keep, std::wstring_view maxMB);

// `%LOCALAPPDATA%` + "\Vellumo\History".
std::wstring DefaultFolder(std::wstring_view localAppData);

// How a capture left the overlay, or where a Floater's picture came from.
enum class LeftBy { Copy, Save, Pin, Clipboard, File };
std::wstring_view LeftByName(LeftBy how);

// A local time, to the second.
struct Stamp {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    friend bool operator==(const Stamp&, const Stamp&) = default;
};

// "capture-YYYYMMDD-HHMMSS-NNN.png": names sort as their captures were
// made; `sequence` (0..999) tells captures of the same second apart.
std::wstring FileName(const Stamp& when, int sequence);
// The stamp of a history file's name; nothing for any other name.
std::optional<Stamp> StampOfName(std::wstring_view name);
// "20:48:56" today, "2026-12-07 20:48:56" on another day: a menu's caption.
std::wstring MenuTime(const Stamp& when, const Stamp& now);

// What a temporary is called while it is written; what a crash may leave.
std::wstring TemporaryName(std::wstring_view fileName);
bool IsLeftoverTemporary(std::wstring_view name);

// What a history PNG records of its capture.
struct Record {
    Stamp when;
    int width = 0, height = 0;
    LeftBy how = LeftBy::Copy;
    std::optional<Rect> onScreen;  // the rectangle on the virtual screen (captures only)
};
// The record as (keyword, text) pairs, in the order they are written.
std::vector<std::pair<std::string, std::string>> RecordText(const Record& record);
// The PNG with one tEXt chunk per pair right after its header chunk.
// An input that is no PNG comes back unchanged.
std::vector<std::uint8_t> WithText(const std::vector<std::uint8_t>& png,
                                   const std::vector<std::pair<std::string, std::string>>& text);
// The tEXt chunks of a PNG, in file order (their CRCs checked).
std::vector<std::pair<std::string, std::string>> ReadText(const std::vector<std::uint8_t>& png);

// One history file as the folder lists it.
struct StoredFile {
    std::wstring name;
    std::uint64_t bytes = 0;
};
// The names (history files only) pruning removes: the oldest first until at
// most `keep` remain and they take at most `maxBytes`. The newest is always
// kept, however large: it is the capture just made.
std::vector<std::wstring> FilesToPrune(std::vector<StoredFile> files, int keep, std::uint64_t maxBytes);
// The newest `count` history file names, newest first.
std::vector<std::wstring> Newest(std::vector<std::wstring> names, std::size_t count);

}  // namespace vellumo::history

namespace vellumo::history {
// Told once per run when the history folder cannot be written.
std::wstring NotWrittenMessage(std::wstring_view folder, std::wstring_view reason);
}  // namespace vellumo::history
