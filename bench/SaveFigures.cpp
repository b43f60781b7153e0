// Save figures: savebench.exe times SaveBitmapToFile under Wine; ImageMagick
// encodes the same pixels here. ImageMagick's figure is its encode and write
// alone: the same command writing to null: (process start, reading the PPM)
// is timed alongside and subtracted. Our figure holds everything
// SaveBitmapToFile does: reading the bitmap, encoding, writing the file.
// The files are checked against the pixels: a PNG must match exactly, a JPEG
// must be close (PSNR), or the figure is reported as wrong.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "bench/OutputBench.h"
#include "bench/Report.h"
#include "bench/Stats.h"

namespace vellumo::bench {

namespace fs = std::filesystem;

Command RunCommand(const std::vector<std::string>& argv, bool capture) {
    Command c;
    int fds[2] = {-1, -1};
    if (capture && pipe(fds) != 0) return c;
    std::vector<char*> av;
    for (const auto& a : argv) av.push_back(const_cast<char*>(a.c_str()));
    av.push_back(nullptr);
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) return c;
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(capture ? fds[1] : null, 1);
        dup2(capture ? fds[1] : null, 2);
        execvp(av[0], av.data());
        _exit(127);
    }
    if (capture) {
        close(fds[1]);
        char buf[4096];
        ssize_t n;
        while ((n = read(fds[0], buf, sizeof buf)) > 0) c.out.append(buf, std::size_t(n));
        close(fds[0]);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    c.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    c.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return c;
}

std::string Fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string WinePath(const std::string& linuxPath) {
    std::string p = "Z:" + linuxPath;
    for (char& ch : p)
        if (ch == '/') ch = '\\';
    return p;
}

// savebench.exe's lines: SAVE format ms bytes runs..., FIRST format ms, FAIL why.
std::map<std::string, Ours> ParseSaveBench(const std::string& out, std::string& failure) {
    std::map<std::string, Ours> r;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string s; std::getline(fields, s, '\t');) f.push_back(s);
        if (f.empty()) continue;
        if (f[0] == "FAIL" && f.size() > 1) failure = f[1];
        if (f[0] == "FIRST" && f.size() == 3) r[f[1]].firstMs = std::atof(f[2].c_str());
        if (f[0] == "CPU" && f.size() == 3) r[f[1]].cpuMs = std::atof(f[2].c_str());
        if (f[0] == "SAVE" && f.size() >= 4) {
            Ours& o = r[f[1]];
            o.ms = std::atof(f[2].c_str());
            o.bytes = std::atoll(f[3].c_str());
            for (std::size_t i = 4; i < f.size(); ++i) o.runs += " " + f[i];
        }
    }
    return r;
}

// ImageMagick's compare prints its metric on stderr; -1 when it printed none.
double Metric(const std::string& metric, const std::string& a, const std::string& b) {
    const Command c = RunCommand({"compare", "-metric", metric, a, b, "null:"}, true);
    if (c.out.empty()) return -1;
    if (c.out.rfind("inf", 0) == 0) return 1e9;  // identical, by PSNR
    return std::atof(c.out.c_str());
}

std::string Kb(long long bytes) { return Format("%.0f KB", double(bytes) / 1024.0); }

bool SaveFigures(e2e::Display& d, const std::string& savebenchExe, const std::string& workDir, int runs) {
    const std::string ppm = workDir + "/screen.ppm";
    const e2e::RunResult r = d.Run(savebenchExe, {WinePath(workDir), std::to_string(runs)}, std::chrono::seconds(120));
    std::string failure;
    const auto ours = ParseSaveBench(r.out, failure);
    if (r.exitCode != 0 || !ours.count("png") || !ours.count("jpg")) {
        if (failure.empty())
            failure = r.exitCode == -1 ? "savebench.exe did not end within 120 s (a message box of "
                                         "SaveBitmapToFile waiting for OK?)"
                                       : "savebench.exe ended with " + std::to_string(r.exitCode);
        PrintFailure("save 1920x1080", failure);
        return false;
    }

    // The floor: each ImageMagick command `runs` times, interleaved.
    const std::string imPng = workDir + "/magick.png", imJpg = workDir + "/magick.jpg";
    std::vector<double> readMs, pngMs, jpgMs;
    bool imOk = true;
    for (int i = 0; i < runs && imOk; ++i) {
        const Command a = RunCommand({"convert", ppm, "null:"});
        const Command b = RunCommand({"convert", ppm, imPng});
        const Command c = RunCommand({"convert", ppm, "-quality", "80", imJpg});
        imOk = a.exitCode == 0 && b.exitCode == 0 && c.exitCode == 0;
        readMs.push_back(a.ms);
        pngMs.push_back(b.ms);
        jpgMs.push_back(c.ms);
    }
    if (!imOk) {
        PrintFailure("save 1920x1080", "ImageMagick's convert failed on " + ppm);
        return false;
    }
    const double read = Summarize(readMs).median;
    const double imPngMs = Summarize(pngMs).median - read, imJpgMs = Summarize(jpgMs).median - read;
    const long long imPngBytes = fs::file_size(imPng), imJpgBytes = fs::file_size(imJpg);

    // Are the files the picture? A PNG holds it exactly; upside down is told apart.
    const std::string ourPng = workDir + "/vellumo.png", ourJpg = workDir + "/vellumo.jpg";
    const std::string flipped = workDir + "/screen-flipped.ppm";
    RunCommand({"convert", ppm, "-flip", flipped});
    const double pngDiff = Metric("AE", ppm, ourPng);
    const double imJpgPsnr = Metric("PSNR", ppm, imJpg);
    const bool flippedFiles = pngDiff != 0 && Metric("AE", flipped, ourPng) == 0;
    // The JPEG's closeness is judged against the picture the PNG holds.
    const double jpgPsnr = Metric("PSNR", flippedFiles ? flipped : ppm, ourJpg);
    std::string wrong;
    if (flippedFiles) wrong = "the PNG and the JPEG hold the picture upside down (the PNG exactly)";
    else if (pngDiff != 0) wrong = "the PNG differs from the picture in " + Fixed(pngDiff, 0) + " pixels";
    else if (jpgPsnr < 25) wrong = "the JPEG is far from the picture (PSNR " + Fixed(jpgPsnr, 1) + " dB)";

    const Ours& png = ours.at("png");
    const Ours& jpg = ours.at("jpg");
    PrintRow("save PNG 1920x1080 (SaveBitmapToFile)", Format("%.1f ms", png.ms), "ImageMagick PNG encode+write",
             Format("%.1f ms", imPngMs), Ratio(png.ms, imPngMs), "");
    PrintRow("save PNG 1920x1080 file size", Kb(png.bytes), "ImageMagick PNG file", Kb(imPngBytes),
             Ratio(double(png.bytes), double(imPngBytes)), "");
    PrintRow("save JPEG q80 1920x1080 (SaveBitmapToFile)", Format("%.1f ms", jpg.ms),
             "ImageMagick JPEG q80 encode+write", Format("%.1f ms", imJpgMs), Ratio(jpg.ms, imJpgMs), "");
    PrintRow("save JPEG q80 1920x1080 file size", Kb(jpg.bytes), "ImageMagick JPEG q80 file", Kb(imJpgBytes),
             Ratio(double(jpg.bytes), double(imJpgBytes)), "");
    PrintNote("medians of " + std::to_string(runs) + " saves each; ours in ms: png" + png.runs + "; jpg" + jpg.runs +
              "; first save (loads the codecs): png " + Fixed(png.firstMs, 0) + " ms, jpg " + Fixed(jpg.firstMs, 0) +
              " ms");
    PrintNote("ImageMagick medians: convert in.ppm null: " + Fixed(read, 1) +
              " ms (process start + reading the PPM, subtracted), to png " + Fixed(Summarize(pngMs).median, 1) +
              " ms, to jpg " + Fixed(Summarize(jpgMs).median, 1) + " ms");
    PrintNote("JPEG PSNR against the picture" + std::string(flippedFiles ? " turned upside down" : "") + ": ours " +
              Fixed(jpgPsnr, 1) + " dB, ImageMagick " + Fixed(imJpgPsnr, 1) +
              " dB; the picture: screen-like (a photo wallpaper, windows of text, a taskbar)");
    if (!wrong.empty()) {
        PrintFailure("save 1920x1080 pixels", wrong);
        return false;
    }
    PrintNote("pixels: the PNG equals the picture exactly");
    return true;
}

bool GifFigures(e2e::Display& d, const std::string& savebenchExe, const std::string& workDir, int runs) {
    const std::string figure = "save GIF 3840x2160";
    const e2e::RunResult r =
        d.Run(savebenchExe, {WinePath(workDir), std::to_string(runs), "3840", "2160", "png,gif"}, std::chrono::seconds(300));
    std::string failure;
    const auto ours = ParseSaveBench(r.out, failure);
    if (r.exitCode != 0 || !ours.count("png") || !ours.count("gif")) {
        if (failure.empty()) failure = "savebench.exe ended with " + std::to_string(r.exitCode);
        PrintFailure(figure, failure);
        return false;
    }
    // Is the GIF the picture? It holds at most 256 colours (a 6 x 6 x 6 cube
    // for a picture of more), so it is judged by its size and closeness.
    const std::string ppm = workDir + "/screen-3840x2160.ppm";
    const std::string gifFile = workDir + "/vellumo-3840x2160.gif", pngFile = workDir + "/vellumo-3840x2160.png";
    const Command id = RunCommand({"identify", "-format", "%m %w %h", gifFile + "[0]"}, true);
    const double pngDiff = Metric("AE", ppm, pngFile);
    const double gifPsnr = Metric("PSNR", ppm, gifFile);
    std::string wrong;
    if (id.out.rfind("GIF 3840 2160", 0) != 0) wrong = "ImageMagick reads the GIF as \"" + id.out + "\"";
    else if (pngDiff != 0) wrong = "the PNG differs from the picture in " + Fixed(pngDiff, 0) + " pixels";
    else if (gifPsnr < 20) wrong = "the GIF is far from the picture (PSNR " + Fixed(gifPsnr, 1) + " dB)";

    const Ours& png = ours.at("png");
    const Ours& gif = ours.at("gif");
    PrintRow(figure + " (SaveBitmapToFile)", Format("%.1f ms", gif.ms), "PNG 3840x2160, same picture and run",
             Format("%.1f ms", png.ms), Ratio(gif.ms, png.ms), "<= 2");
    PrintNote("medians of " + std::to_string(runs) + " saves each, written and read back; ours in ms: gif" + gif.runs +
              "; png" + png.runs + "; files: gif " + Kb(gif.bytes) + ", png " + Kb(png.bytes) + "; GIF PSNR " +
              Fixed(gifPsnr, 1) + " dB (a 216-colour cube for this many-coloured picture)");
    if (!wrong.empty()) {
        PrintFailure(figure + " pixels", wrong);
        return false;
    }
    return true;
}

}  // namespace vellumo::bench
