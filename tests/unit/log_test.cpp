#include <gtest/gtest.h>

#include "gfx/Log.h"

namespace vellumo {
namespace {

// A log line names the file by folder and name, whatever the build's path
// and separators, and the system's reason only when there is an error.
TEST(FailureLog, LineNamesFolderFileLineAndReason) {
    EXPECT_EQ(FormatLogLine("/work/tree/overlay/Overlay_win.cpp", 42, L"CreateWindowExW", 8, L"Not enough memory."),
              L"overlay/Overlay_win.cpp(42): CreateWindowExW: error 8 (Not enough memory.)");
    EXPECT_EQ(FormatLogLine("C:\\src\\gfx\\Log_win.cpp", 7, L"a handler threw", 0, L"ignored"),
              L"gfx\\Log_win.cpp(7): a handler threw");
    EXPECT_EQ(FormatLogLine("gfx/Log_win.cpp", 1, L"x", 5, L""), L"gfx/Log_win.cpp(1): x: error 5");
    EXPECT_EQ(FormatLogLine("Log_win.cpp", 1, L"x", 0, L""), L"Log_win.cpp(1): x");
    EXPECT_EQ(FormatLogLine("/Log_win.cpp", 1, L"x", 0, L""), L"/Log_win.cpp(1): x");
}

}  // namespace
}  // namespace vellumo
