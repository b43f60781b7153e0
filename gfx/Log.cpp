#include "gfx/Log.h"

namespace vellumo {

namespace {
std::string_view FolderAndName(std::string_view file) {
    const std::size_t last = file.find_last_of("/\\");
    if (last == std::string_view::npos || last == 0) return file;
    const std::size_t folder = file.find_last_of("/\\", last - 1);
    return folder == std::string_view::npos ? file : file.substr(folder + 1);
}
}  // namespace

std::wstring FormatLogLine(std::string_view file, unsigned line, std::wstring_view what, unsigned long error,
                           std::wstring_view reason) {
    std::wstring out;
    // File names are ASCII (the tree's own), so a byte is a character.
    for (const char c : FolderAndName(file)) out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    out += L"(" + std::to_wstring(line) + L"): ";
    out += what;
    if (error != 0) {
        out += L": error " + std::to_wstring(error);
        if (!reason.empty()) out += L" (" + std::wstring(reason) + L")";
    }
    return out;
}

}  // namespace vellumo
