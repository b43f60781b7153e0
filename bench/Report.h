// One table row per figure, shared by every benchmark program so that
// scripts/bench.sh can print their output as one aligned table.
#pragma once
#include <cstdio>
#include <string>

namespace vellumo::bench {

inline void PrintHeader() {
    std::printf("%-44s %12s   %-34s %12s %7s  %s\n", "figure", "value", "floor (same run)", "value",
                "ratio", "goal");
}

// value and floorValue are already formatted with their units.
inline void PrintRow(const std::string& figure, const std::string& value, const std::string& floor,
                     const std::string& floorValue, double ratio, const std::string& goal) {
    std::printf("%-44s %12s   %-34s %12s %7.2f  %s\n", figure.c_str(), value.c_str(), floor.c_str(),
                floorValue.c_str(), ratio, goal.c_str());
    std::fflush(stdout);
}

// A figure that could not be measured honestly (wrong pixels, a timeout).
inline void PrintFailure(const std::string& figure, const std::string& why) {
    std::printf("%-44s %12s   %s\n", figure.c_str(), "FAILED", why.c_str());
    std::fflush(stdout);
}

inline void PrintNote(const std::string& note) {
    std::printf("  %s\n", note.c_str());
    std::fflush(stdout);
}

inline std::string Format(const char* fmt, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

}  // namespace vellumo::bench
