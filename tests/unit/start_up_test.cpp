// Starting with Windows: the Run value's command, whether a stored one still
// names this exe, and the /tray switch.
#include <gtest/gtest.h>

#include "settings/StartUp.h"

using namespace vellumo;

TEST(StartUp, TheCommandQuotesTheExeAndAsksForTheTray) {
    EXPECT_EQ(StartUpCommand(L"C:\\Program Files\\Vellumo\\vellumo.exe"),
              L"\"C:\\Program Files\\Vellumo\\vellumo.exe\" /tray");
}

TEST(StartUp, AValueNamingAnotherExeIsNotCurrent) {
    const std::wstring exe = L"C:\\Tools\\Vellumo\\vellumo.exe";
    EXPECT_TRUE(StartUpValueIsCurrent(L"\"C:\\Tools\\Vellumo\\vellumo.exe\" /tray", exe));
    EXPECT_TRUE(StartUpValueIsCurrent(L"\"c:\\tools\\VELLUMO\\vellumo.EXE\" /TRAY  ", exe));
    EXPECT_FALSE(StartUpValueIsCurrent(L"\"C:\\Old\\vellumo.exe\" /tray", exe)) << "moved";
    EXPECT_FALSE(StartUpValueIsCurrent(L"C:\\Tools\\Vellumo\\vellumo.exe /tray", exe)) << "unquoted";
    EXPECT_FALSE(StartUpValueIsCurrent(L"\"C:\\Tools\\Vellumo\\vellumo.exe\"", exe)) << "no /tray";
    EXPECT_FALSE(StartUpValueIsCurrent(L"", exe));
}

TEST(StartUp, TrayIsAWordOfItsOwnInAnyCase) {
    for (const wchar_t* yes : {L"/tray", L"/TRAY", L"-tray", L"  /Tray ", L"x /tray y", L"\"/tray\""})
        EXPECT_TRUE(IsTrayStart(yes)) << yes;
    for (const wchar_t* no : {L"", L"tray", L"/trays", L"/tray2", L"a/tray", L"/ tray"})
        EXPECT_FALSE(IsTrayStart(no)) << no;
}
