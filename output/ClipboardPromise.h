// A pin's promise to the clipboard (delayed rendering): which of the
// promised formats are made at which moment. The bitmap is cheap and every
// program reads it, so it is made as soon as the owner has time; the PNG
// costs an encoding, so it waits until a program asks for it or the picture
// (or its owner) is going.
#pragma once

namespace vellumo {

// The formats a promise still owes (or, as an answer, the ones to make now).
struct PromisedFormats {
    bool bitmap = true;
    bool png = true;
    bool any() const { return bitmap || png; }
    friend bool operator==(const PromisedFormats&, const PromisedFormats&) = default;
};

enum class PromiseMoment {
    Asked,  // WM_RENDERFORMAT: a program waits for one format, the clipboard is open
    Now,    // on the owner's own time: one try, Busy if held
    Last,   // the owner or the source is going (WM_RENDERALLFORMATS): held is waited for
};

enum class AskedFormat { None, Bitmap, Png, Other };

// What to make of what is owed at `moment`; `asked` counts only when Asked.
constexpr PromisedFormats FormatsToMake(PromiseMoment moment, PromisedFormats owed, AskedFormat asked) {
    switch (moment) {
        case PromiseMoment::Asked: return {owed.bitmap && asked == AskedFormat::Bitmap, owed.png && asked == AskedFormat::Png};
        case PromiseMoment::Now: return {owed.bitmap, false};
        case PromiseMoment::Last: return owed;
    }
    return {false, false};
}

}  // namespace vellumo
