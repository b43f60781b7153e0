// Names a save refuses before writing, the long-path form it writes with,
// and what the user is told.
#include <gtest/gtest.h>

#include <string>

#include "output/SaveRules.h"

namespace vellumo {
namespace {

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

TEST(ReservedDeviceName, EveryDeviceInAnyCaseBeforeTheFirstDot) {
    for (const wchar_t* name : {L"nul.png", L"NUL", L"con.bmp", L"Con .bmp", L"prn.tar.gif", L"aux.jpg", L"com1.png",
                                L"LPT9.png", L"com0.png", L"COM\u00B9.png", L"lpt\u00B3.gif", L"conin$.png",
                                L"CONOUT$", L"nul:stream.png", L"nul..png"})
        EXPECT_TRUE(IsReservedDeviceName(name)) << Narrow(name);
    for (const wchar_t* name : {L"null.png", L"nul_.png", L"console.bmp", L"com10.png", L"lpt.png", L"com.png",
                                L"xnul.png", L"a.nul", L"conin.png", L"", L".png", L" nul.png"})
        EXPECT_FALSE(IsReservedDeviceName(name)) << Narrow(name);
}

TEST(SaveName, ProblemsInTheOrderTheyAreTold) {
    const std::wstring n255(255, L'n'), n256(256, L'n');
    const struct {
        std::wstring path;
        SaveNameProblem want;
    } cases[] = {
        {L"C:\\out\\shot.png", SaveNameProblem::None},
        {L"Z:\\tmp\\nul.png", SaveNameProblem::ReservedDevice},
        {L"con.bmp", SaveNameProblem::ReservedDevice},
        {L"C:\\nul\\shot.png", SaveNameProblem::None},  // a folder named nul is the caller's business
        {L"C:\\out\\", SaveNameProblem::NoFileName},
        {L"", SaveNameProblem::NoFileName},
        {L"C:\\out\\" + n255.substr(4) + L".png", SaveNameProblem::None},   // exactly 255 with ".png"
        {L"C:\\out\\" + n255.substr(3) + L".png", SaveNameProblem::NameTooLong},  // 256
        {L"C:\\" + n256 + L"\\shot.png", SaveNameProblem::NameTooLong},     // a folder's name
        {L"C:\\" + n255 + L"\\" + n255 + L"\\shot.png", SaveNameProblem::None},  // a long path of short names
        {L"C:\\out\\shot.tif", SaveNameProblem::UnsupportedExtension},
        {L"nul", SaveNameProblem::ReservedDevice},  // before its missing extension
    };
    for (const auto& c : cases) EXPECT_EQ(CheckSaveName(c.path), c.want) << Narrow(c.path).substr(0, 80);
}

TEST(SaveName, EachMessageNamesTheFileAndTheReason) {
    EXPECT_EQ(SaveNameMessage(SaveNameProblem::None, L"x.png"), L"");
    const std::wstring device = SaveNameMessage(SaveNameProblem::ReservedDevice, L"Z:\\tmp\\nul.png");
    EXPECT_NE(device.find(L"\"nul.png\""), std::wstring::npos) << Narrow(device);
    EXPECT_NE(device.find(L"device"), std::wstring::npos);
    const std::wstring longName = SaveNameMessage(SaveNameProblem::NameTooLong, L"C:\\long\\name.png");
    EXPECT_NE(longName.find(L"C:\\long\\name.png"), std::wstring::npos);
    EXPECT_NE(longName.find(L"255"), std::wstring::npos);
    EXPECT_NE(SaveNameMessage(SaveNameProblem::UnsupportedExtension, L"a.tif").find(L"a.tif"), std::wstring::npos);
    EXPECT_NE(SaveNameMessage(SaveNameProblem::NoFileName, L"C:\\out\\").find(L"C:\\out\\"), std::wstring::npos);
}

// Fixed fault: Wine's item dialog saved a typed "shot.tif" as "shot.tif.png".
TEST(SaveName, AnExtensionTheDialogAddedToATypedOneIsTakenOff) {
    const struct {
        const wchar_t *result, *typed, *want;
    } cases[] = {
        {L"Z:\\t\\shot.tif.png", L"Z:\\t\\shot.tif", L"Z:\\t\\shot.tif"},
        {L"Z:\\t\\shot.jpg.png", L"shot.jpg", L"Z:\\t\\shot.jpg"},        // typed as a bare name
        {L"Z:\\t\\shot.PNG.png", L"shot.PNG", L"Z:\\t\\shot.PNG"},
        {L"Z:\\t\\shot.png", L"Z:\\t\\shot", L"Z:\\t\\shot.png"},      // typed without one: kept
        {L"Z:\\t\\shot.jpg", L"Z:\\t\\shot.jpg", L"Z:\\t\\shot.jpg"},  // Windows: as typed
        {L"Z:\\t\\a.b.c", L"a.b", L"Z:\\t\\a.b"},
        {L"Z:\\t\\other.png", L"shot.tif", L"Z:\\t\\other.png"},          // not the typed name
        {L"Z:\\t\\shot.tif.tar.gz", L"shot.tif", L"Z:\\t\\shot.tif.tar.gz"},  // more than one added
        {L"Z:\\t\\shot.tif.", L"shot.tif", L"Z:\\t\\shot.tif."},
        {L"Z:\\t\\shot.tif.png", L"", L"Z:\\t\\shot.tif.png"},
    };
    for (const auto& c : cases) EXPECT_EQ(UndoAppendedExtension(c.result, c.typed), c.want) << Narrow(c.result);
}

TEST(SaveName, TheDialogsPathIsTheTypedOneOrJoinedToTheFolder) {
    EXPECT_EQ(CombineDialogPath(L"Z:\\tmp", L"shot.png"), L"Z:\\tmp\\shot.png");
    EXPECT_EQ(CombineDialogPath(L"C:\\", L"shot.png"), L"C:\\shot.png") << "a root keeps one separator";
    EXPECT_EQ(CombineDialogPath(L"Z:\\tmp", L"sub\\shot.png"), L"Z:\\tmp\\sub\\shot.png");
    EXPECT_EQ(CombineDialogPath(L"Z:\\tmp", L"D:\\x\\shot.png"), L"D:\\x\\shot.png");
    EXPECT_EQ(CombineDialogPath(L"Z:\\tmp", L"C:shot.png"), L"C:shot.png");
    EXPECT_EQ(CombineDialogPath(L"Z:\\tmp", L"\\\\server\\share\\a.png"), L"\\\\server\\share\\a.png");
    EXPECT_EQ(CombineDialogPath(L"Z:\\tmp", L"/tmp/a.png"), L"/tmp/a.png");
    EXPECT_EQ(CombineDialogPath(L"", L"a.png"), L"a.png");
    const std::wstring m = DialogPathTooLongMessage(300);
    EXPECT_NE(m.find(L"300"), std::wstring::npos);
    EXPECT_NE(m.find(std::to_wstring(kMaxDialogPathChars)), std::wstring::npos);
}

TEST(ExtendedLengthPath, OnlyLongAbsolutePathsGetThePrefix) {
    const std::wstring dir(130, L'd');
    const std::wstring shortPath = L"C:\\out\\shot.png";
    EXPECT_EQ(ExtendedLengthPath(shortPath), shortPath);
    const std::wstring at259 = L"C:\\" + std::wstring(252, L'x') + L".png";
    ASSERT_EQ(at259.size(), 259u);
    EXPECT_EQ(ExtendedLengthPath(at259), at259) << "259 characters still open plainly";
    const std::wstring at260 = L"C:\\" + std::wstring(253, L'x') + L".png";
    EXPECT_EQ(ExtendedLengthPath(at260), L"\\\\?\\" + at260);

    const std::wstring longPath = L"Z:\\tmp\\" + dir + L"\\" + dir + L"\\shot.png";
    EXPECT_EQ(ExtendedLengthPath(longPath), L"\\\\?\\" + longPath);
    EXPECT_EQ(ExtendedLengthPath(L"\\\\?\\" + longPath), L"\\\\?\\" + longPath) << "already prefixed";
    // Separators, "." and ".." are resolved: the prefix turns that off.
    EXPECT_EQ(ExtendedLengthPath(L"Z:/tmp/./" + dir + L"/x/../" + dir + L"//shot.png"),
              L"\\\\?\\Z:\\tmp\\" + dir + L"\\" + dir + L"\\shot.png");
    EXPECT_EQ(ExtendedLengthPath(L"C:\\..\\..\\" + dir + L"\\" + dir + L"\\a.png"),
              L"\\\\?\\C:\\" + dir + L"\\" + dir + L"\\a.png")
        << "never above the drive";
    EXPECT_EQ(ExtendedLengthPath(L"\\\\server\\share\\" + dir + L"\\..\\..\\..\\" + dir + L"\\" + dir + L"\\a.png"),
              L"\\\\?\\UNC\\server\\share\\" + dir + L"\\" + dir + L"\\a.png")
        << "never above the share";
    const std::wstring relative = dir + L"\\" + dir + L"\\" + dir + L"\\a.png";
    EXPECT_EQ(ExtendedLengthPath(relative), relative);
}

// A save goes to a new file in the target's own folder (so the same volume,
// where putting it in place is one rename), named so that a target near
// the length limit still leaves room for it.
TEST(TemporaryNameBeside, InTheTargetsFolderWhateverItsFormAndShort) {
    struct Case {
        const wchar_t* target;
        const wchar_t* folder;
    };
    const Case cases[] = {
        {L"C:\\shots\\a.png", L"C:\\shots\\"},
        {L"Z:/tmp/x/shot.bmp", L"Z:/tmp/x/"},
        {L"\\\\server\\share\\b.gif", L"\\\\server\\share\\"},
        {L"\\\\?\\C:\\long\\c.jpg", L"\\\\?\\C:\\long\\"},
        {L"C:d.png", L"C:"},
        {L"e.png", L""},
    };
    for (const Case& c : cases) {
        const std::wstring t = TemporaryNameBeside(c.target, 3);
        EXPECT_TRUE(t.starts_with(c.folder)) << std::string(t.begin(), t.end());
        const std::wstring leaf = t.substr(std::wstring_view(c.folder).size());
        EXPECT_EQ(leaf.find_first_of(L"\\/:"), std::wstring::npos) << std::string(t.begin(), t.end());
        EXPECT_LE(leaf.size(), 24u);
        EXPECT_NE(t, c.target);
    }
    EXPECT_NE(TemporaryNameBeside(L"C:\\a.png", 0), TemporaryNameBeside(L"C:\\a.png", 1));
    // Never mistaken for a picture someone saved.
    EXPECT_EQ(CheckSaveName(TemporaryNameBeside(L"C:\\a.png", 0)), SaveNameProblem::UnsupportedExtension);
}

TEST(OutputMessages, EmptySelectionAndMissingMemoryNameTheActionAndSize) {
    const std::wstring copy = EmptySelectionMessage(OutputAction::Copy, {0, 120});
    EXPECT_EQ(copy.rfind(L"Nothing to copy", 0), 0u) << Narrow(copy);
    EXPECT_NE(copy.find(L"0 \u00D7 120"), std::wstring::npos);
    EXPECT_EQ(EmptySelectionMessage(OutputAction::Save, {270, 0}).rfind(L"Nothing to save", 0), 0u);
    EXPECT_EQ(EmptySelectionMessage(OutputAction::Pin, {0, 0}).rfind(L"Nothing to pin", 0), 0u);
    const std::wstring memory = NoMemoryForSelectionMessage(OutputAction::Pin, {7680, 4320});
    EXPECT_NE(memory.find(L"pin"), std::wstring::npos);
    EXPECT_NE(memory.find(L"7680 \u00D7 4320"), std::wstring::npos);
    const std::wstring freeze = NoMemoryToFreezeMessage({1024, 768});
    EXPECT_NE(freeze.find(L"not enough memory to capture"), std::wstring::npos);
    EXPECT_NE(freeze.find(L"1024 \u00D7 768"), std::wstring::npos);
}

TEST(OutputMessages, EverySaveFaultNamesTheFile) {
    const std::wstring file = L"Z:\\tmp\\shot.png";
    for (SaveStep step : {SaveStep::ReadImage, SaveStep::OutOfMemory, SaveStep::Encode, SaveStep::Write,
                          SaveStep::NotAFile, SaveStep::Verify}) {
        const std::wstring m = SaveFailureMessage(step, file, L"DETAIL");
        EXPECT_NE(m.find(file), std::wstring::npos) << static_cast<int>(step);
        const bool carriesDetail = step == SaveStep::Write || step == SaveStep::Verify;
        EXPECT_EQ(m.find(L"DETAIL") != std::wstring::npos, carriesDetail) << static_cast<int>(step);
    }
    EXPECT_NE(SaveFailureMessage(SaveStep::Encode, file).find(L"png"), std::wstring::npos);
    EXPECT_NE(SaveFailureMessage(SaveStep::OutOfMemory, file).find(L"memory"), std::wstring::npos);
}

}  // namespace
}  // namespace vellumo
