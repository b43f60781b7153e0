// The output figures, each printed beside its floor from the same run:
// saving a 1920 x 1080 capture (our encoder against ImageMagick on the same
// pixels) and pinning one (click to Floater against a plain program's click
// to picture; private bytes per Floater against the image's own bytes).
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bench/PinScene.h"
#include "tests/e2e/harness/Harness.h"

namespace vellumo::bench {

struct Command {
    int exitCode = -1;
    double ms = 0;
    std::string out;  // stdout and stderr, when captured
};
// Runs a Linux program (no shell) to its end; output captured or dropped.
Command RunCommand(const std::vector<std::string>& argv, bool capture = false);

// v with `decimals` places: for notes too long for Report.h's Format.
std::string Fixed(double v, int decimals);

// "Z:\dir\name" for a Linux path, as Wine's programs name it.
std::string WinePath(const std::string& linuxPath);

// One format's figures from savebench.exe: the median, the first (codecs
// loading), the file's bytes and each run.
struct Ours {
    double ms = 0, firstMs = 0;
    double cpuMs = 0;  // processor time, all threads; 0 when not measured
    long long bytes = 0;
    std::string runs;
};
std::map<std::string, Ours> ParseSaveBench(const std::string& out, std::string& failure);
// ImageMagick's `compare -metric METRIC a b`: AE counts differing pixels
// (0: identical), PSNR in dB (1e9 when identical); -1 when it printed none.
double Metric(const std::string& metric, const std::string& a, const std::string& b);
std::string Kb(long long bytes);

// savebench.exe writes workDir/screen.ppm, which the pin figures reuse for
// the dropped pictures. False when a figure failed.
bool SaveFigures(e2e::Display& d, const std::string& savebenchExe, const std::string& workDir, int runs);
// A GIF save of a 3840 x 2160 screen-like picture against a PNG save of the
// same picture in the same run (the goal: at most twice as long).
bool GifFigures(e2e::Display& d, const std::string& savebenchExe, const std::string& workDir, int runs);
// The PNG encoder alone against GDI+'s (time) and ImageMagick's default
// convert (file size), at 1920 x 1080 and 3840 x 2160, on a screen-like and
// a photo-like picture; each file must hold the picture exactly, as
// ImageMagick and as GDI+ (through vpng.exe) decode it.
bool PngFigures(e2e::Display& d, const std::string& savebenchExe, const std::string& vpngExe, const std::string& workDir,
                int runs);

struct PinOptions {
    std::string vellumoExe, pinfloorExe, plainwinExe;
    std::string workDir;  // holds screen.ppm
    int runs = 5;         // timed pins of each program
    int floaters = 100;   // Floaters added by drops for the memory figures
};
// Needs a 3840 x 2160 display (the scene of bench/PinScene.h).
bool PinFigures(e2e::Display& d, const PinOptions& o);

// The steps of a pin on that scene, shared by the pin and history figures.
struct Pin {
    bool ok = false;
    double ms = 0;
    bool flipped = false;
    std::string why;
    double liveMs = -1;  // when the live screen first showed (the overlay gone), if it did
};
// From just before a click at `at` until every probe shows the picture.
Pin TimeClick(e2e::Display& d, const std::vector<PinProbe>& probes, Point at, std::uint32_t live);
// The root window in colour `rgb`, once the screen shows it.
bool SetRoot(e2e::Display& d, std::uint32_t rgb);
// A capture of vellumo.exe (already starting) with the scene's selection
// made; the centre of the toolbar button titled `button`, or nothing (with
// the reason in `why`).
std::optional<Point> CaptureAndSelect(e2e::Display& d, const PinScene& s, std::string& why,
                                      const std::string& button = "pinimg");
// The history's cost: copy and pin with "[History]" on against the same
// exe with it off (Keep=0), and the private bytes after `captures` captures.
bool HistoryFigures(e2e::Display& d, const PinOptions& o, int captures);
// A private copy of the exe in `folder` with `setIni` beside it; its path.
std::string PrivateCopy(const std::string& exe, const std::filesystem::path& folder, const std::string& setIni);
// In `pid`, which has just pinned `pinned` Floaters on scene `s`; ends the
// process through "Quit".
bool FloaterMemory(e2e::Display& d, const PinOptions& o, const PinScene& s, pid_t pid, int pinned);

inline std::uint32_t RgbAt(e2e::Display& d, int x, int y) {
    const e2e::Pixel p = d.GetPixel(x, y);
    return std::uint32_t(p.r << 16 | p.g << 8 | p.b);
}

}  // namespace vellumo::bench
