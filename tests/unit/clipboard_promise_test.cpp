// A pin's promise to the clipboard: the bitmap as soon as there is time, the
// PNG only when a program asks for it or the picture is going, and nothing
// that is no longer owed or was not asked for.
#include <gtest/gtest.h>

#include "output/ClipboardPromise.h"

namespace vellumo {
namespace {

constexpr PromisedFormats kBoth{true, true}, kBitmap{true, false}, kPng{false, true}, kNone{false, false};

TEST(ClipboardPromise, EachMomentMakesWhatItShould) {
    struct Case {
        PromiseMoment moment;
        PromisedFormats owed;
        AskedFormat asked;
        PromisedFormats make;
        const char* why;
    };
    const Case cases[] = {
        {PromiseMoment::Now, kBoth, AskedFormat::None, kBitmap, "the PNG waits to be asked for"},
        {PromiseMoment::Now, kPng, AskedFormat::None, kNone, "the bitmap already made"},
        {PromiseMoment::Asked, kBoth, AskedFormat::Png, kPng, "a program asks for the PNG first"},
        {PromiseMoment::Asked, kBoth, AskedFormat::Bitmap, kBitmap, "a program asks for the bitmap"},
        {PromiseMoment::Asked, kBitmap, AskedFormat::Png, kNone, "the PNG made before"},
        {PromiseMoment::Asked, kBoth, AskedFormat::Other, kNone, "a format never promised"},
        {PromiseMoment::Asked, kBoth, AskedFormat::None, kNone, "nothing asked"},
        {PromiseMoment::Last, kBoth, AskedFormat::None, kBoth, "the owner goes before anything was made"},
        {PromiseMoment::Last, kPng, AskedFormat::None, kPng, "the Floater deleted while the PNG was owed"},
        {PromiseMoment::Last, kNone, AskedFormat::None, kNone, "nothing owed"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatsToMake(c.moment, c.owed, c.asked), c.make) << c.why;
}

}  // namespace
}  // namespace vellumo
