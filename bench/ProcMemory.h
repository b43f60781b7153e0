// A Wine program's memory read from Linux: under Wine a Windows process is a
// Linux process, and its private bytes (heap, DIB sections, GDI+ buffers) are
// the private dirty pages the kernel counts in /proc/PID/smaps_rollup.
// Memory the program reserved but never touched does not count, as on Windows.
#pragma once
#include <sys/types.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace vellumo::bench {

// The value of a "Name:   1234 kB" line in bytes; nothing when it is missing
// or not in kB.
inline std::optional<long long> KbField(const std::string& text, const std::string& name) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, name.size() + 1, name + ":") != 0) continue;
        std::istringstream fields(line.substr(name.size() + 1));
        long long kb = -1;
        std::string unit;
        if (!(fields >> kb >> unit) || kb < 0 || unit != "kB") return std::nullopt;
        return kb * 1024;
    }
    return std::nullopt;
}

inline std::string ReadWhole(const std::string& path) {
    std::ifstream f(path);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// Private_Dirty of a live process; nothing once it has gone.
inline std::optional<long long> PrivateBytes(pid_t pid) {
    return KbField(ReadWhole("/proc/" + std::to_string(pid) + "/smaps_rollup"), "Private_Dirty");
}

// The name the kernel keeps for the process: Wine sets it to the exe's name.
inline std::string ProcessName(pid_t pid) {
    std::string name = ReadWhole("/proc/" + std::to_string(pid) + "/comm");
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
    return name;
}

}  // namespace vellumo::bench
