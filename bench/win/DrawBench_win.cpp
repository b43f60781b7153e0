// RedrawDimming per call on realistic frame sequences, beside the floor: one
// full-screen memory-to-memory BitBlt of the same size, timed in the same run.
// Every sequence is checked pixel by pixel after its last call; a sequence whose
// pixels are wrong gets no figure.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/FrameSequences.h"
#include "bench/PixelCheck.h"
#include "bench/Report.h"
#include "bench/Stats.h"
#include "bench/win/Clock_win.h"
#include "overlay/Surface_win.h"

namespace {

using namespace vellumo;
using namespace vellumo::bench;
using vellumo::win::Dib;
using vellumo::win::OverlaySurface;

// Gradients crossed with a hash, so every channel takes many values and no two
// neighbouring rows are alike (a flat colour would let a wrong copy pass).
void FillPattern(Dib& d) {
    std::uint32_t* p = d.bits();
    for (int y = 0; y < d.height(); ++y) {
        for (int x = 0; x < d.width(); ++x) {
            std::uint32_t h = std::uint32_t(x) * 0x9E3779B1u ^ std::uint32_t(y) * 0x85EBCA77u;
            h ^= h >> 15;
            h *= 0x2C1B3C6Du;
            h ^= h >> 12;
            const std::uint32_t r = (x * 255 / d.width()) ^ (h & 0x3F);
            const std::uint32_t g = (y * 255 / d.height()) ^ ((h >> 8) & 0x3F);
            const std::uint32_t b = (h >> 16) & 0xFF;
            *p++ = (r << 16) | (g << 8) | b;
        }
    }
}

// One full-screen BitBlt between two DIB sections: the least any redraw of the
// whole surface costs.
std::vector<double> TimeBitBlt(const Clock& clock, const Dib& from, const Dib& to, int calls) {
    std::vector<double> ms;
    for (int i = 0; i < calls; ++i) {
        const LONGLONG t0 = clock.Now();
        ::BitBlt(to.dc(), 0, 0, to.width(), to.height(), from.dc(), 0, 0, SRCCOPY);
        ::GdiFlush();
        ms.push_back(clock.Ms(t0, clock.Now()));
    }
    return ms;
}

struct SequenceResult {
    Summary perCall;
    std::optional<PixelMismatch> mismatch;
};

SequenceResult TimeSequence(const Clock& clock, OverlaySurface& surface, const FrameSequence& q) {
    SequenceResult res;
    surface.RedrawDimming(q.frames.front());
    std::vector<double> ms;
    ms.reserve(q.frames.size());
    for (std::size_t i = 1; i < q.frames.size(); ++i) {
        const LONGLONG t0 = clock.Now();
        surface.RedrawDimming(q.frames[i]);
        ms.push_back(clock.Ms(t0, clock.Now()));
    }
    res.perCall = Summarize(std::move(ms));
    const Rect& f = q.frames.back();
    ::GdiFlush();
    res.mismatch = FirstMismatch(surface.surface().bits(), surface.frozenScreen().bits(), surface.size().width,
                                 surface.size().height, f.left, f.top, f.width, f.height);
    return res;
}

bool RunSize(const Clock& clock, int width, int height) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    Dib screen, copy;
    OverlaySurface surface;
    if (!screen.Create(width, height) || !copy.Create(width, height)) {
        PrintFailure("DrawAlphaClip " + size, "cannot make the DIB sections");
        return false;
    }
    FillPattern(screen);
    if (!surface.FreezeFrom(screen)) {
        PrintFailure("DrawAlphaClip " + size, "FreezeFrom failed");
        return false;
    }
    const Size s{width, height};
    const std::vector<FrameSequence> sequences = {DragSequence(s), AlternatingSequence(s, 120), MoveSequence(s),
                                                  SameSequence(s, 400)};

    // The floor is timed before and after the sequences so that drift in the
    // machine's speed during the run lands on both sides of the ratio.
    std::vector<double> blt = TimeBitBlt(clock, screen, copy, 30);
    std::vector<SequenceResult> results;
    for (const FrameSequence& q : sequences) results.push_back(TimeSequence(clock, surface, q));
    for (double v : TimeBitBlt(clock, screen, copy, 30)) blt.push_back(v);
    const Summary floor = Summarize(blt);

    // memcpy of the same bytes, for scale: how close BitBlt under this system is to the memory bus.
    std::vector<double> mc;
    for (int i = 0; i < 20; ++i) {
        const LONGLONG t0 = clock.Now();
        std::memcpy(copy.bits(), screen.bits(), std::size_t(width) * height * 4);
        mc.push_back(clock.Ms(t0, clock.Now()));
    }

    bool allOk = true;
    for (std::size_t i = 0; i < sequences.size(); ++i) {
        const std::string figure = "DrawAlphaClip " + size + " " + sequences[i].name;
        if (results[i].mismatch) {
            PrintFailure(figure, "pixels: " + Describe(*results[i].mismatch));
            allOk = false;
            continue;
        }
        const Summary& c = results[i].perCall;
        PrintRow(figure, Format("%.3f ms", c.median), "full-screen BitBlt " + size, Format("%.3f ms", floor.median),
                 Ratio(c.median, floor.median), "<= 1.5");
        PrintNote(Format("median of %.0f calls", double(c.count)) + Format("; mean %.3f ms", c.mean) +
                  Format("; max %.3f ms", c.max));
    }
    if (allOk) PrintNote("pixels: ok (checked after the last call of every sequence)");
    PrintNote(Format("BitBlt floor: median of %.0f calls", double(floor.count)) +
              Format(", mean %.3f ms", floor.mean) + Format("; full-screen memcpy %.3f ms", Summarize(mc).median));
    return allOk;
}

}  // namespace

int wmain() {
    const Clock clock;
    bool ok = true;
    ok = RunSize(clock, 1920, 1080) && ok;
    ok = RunSize(clock, 3840, 2160) && ok;
    return ok ? 0 : 1;
}
