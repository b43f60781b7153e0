// The output figures under Wine on one 3840 x 2160 display of the end-to-end
// harness: save (savebench.exe against ImageMagick; GIF against PNG), then pin (vellumo.exe
// against pinfloor.exe, and the Floaters' memory).
//
//   output_bench DIR_OF_BENCH_EXES VELLUMO_EXE [RUNS] [FLOATERS] [all|png|history|pin] [CAPTURES]
// ("png": the PNG encoder's figures alone; "history": the history's cost
// alone, over CAPTURES captures a process, 100 by default)
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>

#include "bench/OutputBench.h"
#include "bench/Report.h"

int main(int argc, char** argv) {
    using namespace vellumo::bench;
    if (argc < 3) {
        std::fprintf(stderr, "usage: output_bench DIR_OF_BENCH_EXES VELLUMO_EXE [RUNS] [FLOATERS] [all|png|history|pin] [CAPTURES]\n");
        return 2;
    }
    const std::string dir = argv[1];
    PinOptions o;
    o.vellumoExe = argv[2];
    o.pinfloorExe = dir + "/pinfloor.exe";
    o.plainwinExe = dir + "/plainwin.exe";
    o.runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    o.floaters = argc > 4 ? std::max(1, std::atoi(argv[4])) : 100;
    o.workDir = "/tmp/vellumo-output-bench-" + std::to_string(getpid());
    std::filesystem::create_directories(o.workDir);
    bool ok = true;
    try {
        e2e::Display d(3840, 2160);
        const std::string only = argc > 5 ? argv[5] : "all";
        const int captures = argc > 6 ? std::max(1, std::atoi(argv[6])) : 100;
        const std::string vpng = std::filesystem::path(o.vellumoExe).parent_path().string() + "/vpng.exe";
        if (only == "all" || only == "png") ok = PngFigures(d, dir + "/savebench.exe", vpng, o.workDir, o.runs) && ok;
        if (only == "all") {
            ok = SaveFigures(d, dir + "/savebench.exe", o.workDir, o.runs) && ok;
            ok = GifFigures(d, dir + "/savebench.exe", o.workDir, o.runs) && ok;
        }
        if (only == "all" || only == "pin") ok = PinFigures(d, o) && ok;
        if (only == "all" || only == "history") ok = HistoryFigures(d, o, captures) && ok;
    } catch (const std::exception& e) {
        PrintFailure("output benchmarks", e.what());
        ok = false;
    }
    std::error_code ec;
    std::filesystem::remove_all(o.workDir, ec);
    return ok ? 0 : 1;
}
