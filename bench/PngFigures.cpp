// PNG encoder figures: savebench.exe times our encoder and GDI+'s on the same
// pixels in one run under Wine (each into memory, alternating); ImageMagick's
// default `convert` of the same pixels is the floor for the file's size. The
// file must hold the picture exactly as ImageMagick reads it and as GDI+
// reads it (vpng.exe decode, under Wine).
#include <filesystem>
#include <string>

#include "bench/OutputBench.h"
#include "bench/Report.h"
#include "bench/Stats.h"

namespace vellumo::bench {

namespace fs = std::filesystem;

bool PngFigures(e2e::Display& d, const std::string& savebenchExe, const std::string& vpngExe, const std::string& workDir,
                int runs) {
    bool ok = true;
    for (const auto& [w, h] : {std::pair{1920, 1080}, std::pair{3840, 2160}}) {
        for (const std::string picture : {"screen", "photo"}) {
            const std::string size = std::to_string(w) + "x" + std::to_string(h);
            const std::string figure = "PNG " + picture + " " + size;
            const e2e::RunResult r =
                d.Run(savebenchExe, {WinePath(workDir), std::to_string(runs), std::to_string(w), std::to_string(h),
                                     "png-encode,gdiplus-png", picture},
                      std::chrono::seconds(300));
            std::string failure;
            const auto ours = ParseSaveBench(r.out, failure);
            if (r.exitCode != 0 || !ours.count("png-encode") || !ours.count("gdiplus-png")) {
                if (failure.empty()) failure = "savebench.exe ended with " + std::to_string(r.exitCode);
                PrintFailure(figure, failure);
                ok = false;
                continue;
            }
            const std::string stem = workDir + "/" + (picture == "photo" ? "photo" : "vellumo") + "-" + size;
            const std::string ppm = workDir + "/" + picture + "-" + size + ".ppm";
            const std::string ourFile = stem + ".encoded.png", imFile = workDir + "/magick-" + picture + ".png";
            const Command im = RunCommand({"convert", ppm, imFile});
            if (im.exitCode != 0) {
                PrintFailure(figure, "ImageMagick's convert failed on " + ppm);
                ok = false;
                continue;
            }
            const long long imBytes = static_cast<long long>(fs::file_size(imFile));
            const double diff = Metric("AE", ppm, ourFile);
            const std::string viaGdiPlus = stem + ".gdiplus-decoded.ppm";
            const e2e::RunResult decoded =
                d.Run(vpngExe, {"decode", WinePath(ourFile), WinePath(viaGdiPlus)}, std::chrono::seconds(120));
            const double gdiplusDiff = decoded.exitCode == 0 ? Metric("AE", ppm, viaGdiPlus) : -1;
            const Ours& png = ours.at("png-encode");
            const Ours& gdip = ours.at("gdiplus-png");
            PrintRow(figure + " encode", Format("%.1f ms", png.ms), "GDI+ PNG encode, same pixels", Format("%.1f ms", gdip.ms),
                     Ratio(png.ms, gdip.ms), "<= 0.5");
            if (png.cpuMs > 0 && gdip.cpuMs > 0)
                PrintRow(figure + " encode, CPU time", Format("%.1f ms", png.cpuMs), "GDI+ PNG encode, CPU time",
                         Format("%.1f ms", gdip.cpuMs), Ratio(png.cpuMs, gdip.cpuMs), "(all threads)");
            PrintRow(figure + " file size", Kb(png.bytes), "ImageMagick convert (default)", Kb(imBytes),
                     Ratio(double(png.bytes), double(imBytes)), "<= 1");
            PrintNote("medians of " + std::to_string(runs) + " encodings into memory; ours in ms:" + png.runs +
                      "; GDI+:" + gdip.runs + "; GDI+'s file " + Kb(gdip.bytes) + "; ImageMagick took " +
                      Fixed(im.ms, 0) + " ms with its start and reading the PPM");
            if (diff != 0) {
                PrintFailure(figure + " pixels", "ImageMagick finds the PNG differs from the picture in " +
                                                     Fixed(diff, 0) + " pixels");
                ok = false;
            }
            if (gdiplusDiff != 0) {
                PrintFailure(figure + " pixels", decoded.exitCode != 0
                                                     ? "GDI+ cannot decode the PNG: " + decoded.out
                                                     : "as GDI+ decodes it, the PNG differs from the picture in " +
                                                           Fixed(gdiplusDiff, 0) + " pixels");
                ok = false;
            }
        }
    }
    if (ok) PrintNote("pixels: every PNG above equals its picture exactly, as ImageMagick and as GDI+ read it");
    return ok;
}

}  // namespace vellumo::bench
