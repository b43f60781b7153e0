// What a save may be told before and after it writes: names the system keeps
// for devices, names too long for any file system, an empty selection, and
// the plain messages for each way a save can fail. No platform headers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "gfx/Geometry.h"

namespace vellumo {

// One name in a path (NTFS and Linux alike): at most 255 characters.
inline constexpr std::size_t kMaxNameChars = 255;
// Longer paths only open with the \\?\ prefix.
inline constexpr std::size_t kMaxPlainPathChars = 259;

// The last name of a path, after its last \ or /.
std::wstring_view FileNamePart(std::wstring_view path);
// CON, PRN, AUX, NUL, COM0-9, LPT0-9 (also with the digits ¹ ² ³), CONIN$ and
// CONOUT$, in any case, before the name's first dot and without trailing
// blanks: "nul.png" and "Con .bmp" open the device, never a file.
bool IsReservedDeviceName(std::wstring_view fileName);

enum class SaveNameProblem {
    None,
    NoFileName,            // empty, or ends in a separator
    ReservedDevice,        // nul.png
    NameTooLong,           // a name of the path has more than 255 characters
    UnsupportedExtension,  // none of png, jpg, gif, bmp
};
SaveNameProblem CheckSaveName(std::wstring_view path);
// Nothing was written; the message names the file and the reason.
std::wstring SaveNameMessage(SaveNameProblem problem, std::wstring_view path);

// The name the save dialog returned, with an extension the dialog added to
// a typed name that had one of its own taken off again. Wine's item dialog
// turns a typed "shot.tif" into "shot.tif.png" (the chosen file type's);
// Windows's, with no default extension set, returns what was typed, and the
// name's own extension decides the format.
std::wstring UndoAppendedExtension(std::wstring_view result, std::wstring_view typed);

// The save dialogs of Wine (the item dialog and the old one) overflow a
// 260-character buffer when Save is pressed on a longer name, and the
// program dies. Longer names are refused in the dialog, on every system,
// with room left for an extension the dialog may add.
inline constexpr std::size_t kMaxDialogPathChars = 255;
// What the dialog will make of the typed text: the current folder joined
// with a relative name, or the typed path itself.
std::wstring CombineDialogPath(std::wstring_view folder, std::wstring_view typed);
// The dialog stays open and the user is told how long the name was.
std::wstring DialogPathTooLongMessage(std::size_t length);

// The path the file is opened with: unchanged up to 259 characters, past that
// an absolute one gets the \\?\ (or \\?\UNC\) prefix, with its "." and ".."
// names resolved and / turned into \, since the prefix turns such
// normalisation off.
std::wstring ExtendedLengthPath(std::wstring_view path);

// A save is written to a new file beside its target (the same folder, so the
// same volume, where putting it in place is one rename) and replaces the
// target only once whole and read back: a full disk or a failed write leaves
// an existing file as it was. The name for the `attempt`-th try (another
// program may hold one); short, so a target near the length limit still has
// room for it. Unchanged by ExtendedLengthPath's prefix rules: apply them after.
std::wstring TemporaryNameBeside(std::wstring_view target, unsigned attempt);

enum class OutputAction { Copy, Save, Pin };
// The selection has no pixels (a handle dragged onto the opposite edge).
std::wstring EmptySelectionMessage(OutputAction action, Size selection);
// The memory for the selection's image could not be had.
std::wstring NoMemoryForSelectionMessage(OutputAction action, Size selection);
// The Floater is pinned, but its copy for the clipboard could not be made.
std::wstring NoMemoryForPinnedCopyMessage(Size image);
// The memory for the frozen screen could not be had: no capture.
std::wstring NoMemoryToFreezeMessage(Size screen);

// Where a save that passed the name checks failed.
enum class SaveStep {
    ReadImage,    // the picture's pixels could not be read
    OutOfMemory,  // no memory for the pixels or the encoded file
    Encode,       // the encoder refused
    Write,        // the system refused the file (detail: its reason)
    NotAFile,     // the name opened a device, not a file
    Verify,       // the file is not there with the bytes written (detail: what was found)
};
std::wstring SaveFailureMessage(SaveStep step, std::wstring_view path, std::wstring_view detail = {});

// What a save came to: saved, or refused with the message the window shows.
struct SaveOutcome {
    std::wstring refusal;  // empty when saved
    bool saved() const { return refusal.empty(); }
};

// Saves up to this long are quick; past it the pointer shows the wait cursor.
inline constexpr unsigned kWaitCursorAfterMs = 500;

}  // namespace vellumo
