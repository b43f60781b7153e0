// One OnDetectionTick search through 1,000 listed windows, at its worst: the pointer
// matches only the last entry, or none. Beside it the floor: a bare inclusive
// containment scan over the same 1,000 rectangles, written inline.
#include <chrono>
#include <cstring>
#include <random>
#include <vector>

#include "bench/Report.h"
#include "bench/Stats.h"
#include "overlay/PickList.h"

namespace {

using namespace vellumo;
using namespace vellumo::bench;
using Clock = std::chrono::steady_clock;

constexpr int kWindows = 1000;
constexpr int kBatch = 2000;    // searches per timed batch
constexpr int kBatches = 101;

// Windows scattered over a 1920x1080 screen, none of them holding the probe
// points except the last, which holds `last`.
std::vector<Edges> ScatteredWindows(Point last) {
    std::mt19937 rng(12345);
    std::vector<Edges> e;
    while (int(e.size()) < kWindows - 1) {
        const int w = 20 + int(rng() % 600), h = 20 + int(rng() % 400);
        const int l = int(rng() % (1920 - w)), t = int(rng() % (1080 - h));
        const Edges r{l, t, l + w, t + h};
        // Clear of every probe point, the hits at last-1..last and the misses at last+2..last+3.
        if (r.right < last.x - 1 || r.left > last.x + 3 || r.bottom < last.y - 1 || r.top > last.y + 3)
            e.push_back(r);
    }
    e.push_back({last.x - 10, last.y - 10, last.x, last.y});  // the probe sits on its inclusive corner
    return e;
}

template <typename Search>
Summary NsPerSearch(Search search) {
    std::vector<double> ns;
    for (int b = 0; b < kBatches; ++b) {
        const auto t0 = Clock::now();
        for (int i = 0; i < kBatch; ++i) search(i);
        ns.push_back(std::chrono::duration<double, std::nano>(Clock::now() - t0).count() / kBatch);
    }
    return Summarize(std::move(ns));
}

// The least any search must do: look at every rectangle once.
std::size_t BareScan(const std::vector<Edges>& e, Point p) {
    std::size_t found = e.size();
    for (std::size_t k = 0; k < e.size(); ++k) {
        if (e[k].left <= p.x && p.x <= e[k].right && e[k].top <= p.y && p.y <= e[k].bottom) {
            found = k;
            break;
        }
    }
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--header") == 0) PrintHeader();
    // The probe moves by a pixel per search within a 2x2 block so the compiler
    // cannot hoist the search; every probe point keeps the same answer.
    const Point last{1700, 900};
    const std::vector<Edges> edges = ScatteredWindows(last);
    std::vector<WindowId> ids(kWindows);
    for (int k = 0; k < kWindows; ++k) ids[k] = WindowId(k + 1);
    PickList list;
    list.Assign(ids, edges);

    auto probeLast = [&](int i) { return Point{last.x - (i & 1), last.y - ((i >> 1) & 1)}; };
    auto probeNone = [&](int i) { return Point{last.x + 2 + (i & 1), last.y + 2 + ((i >> 1) & 1)}; };

    // Check the answers once before timing them: a fast wrong search is no figure.
    bool ok = true;
    for (int i = 0; i < 4; ++i) {
        ok = ok && list.Find(probeLast(i)) == std::optional<std::size_t>(kWindows - 1);
        ok = ok && !list.Find(probeNone(i)).has_value();
        ok = ok && BareScan(edges, probeLast(i)) == std::size_t(kWindows - 1);
    }
    if (!ok) {
        PrintFailure("Pos_Timer search, 1000 windows", "wrong match: the last entry must match, the miss must not");
        return 1;
    }

    volatile std::size_t sink = 0;
    const Summary lastHit = NsPerSearch([&](int i) { sink = sink + list.Find(probeLast(i)).value_or(0); });
    const Summary noHit = NsPerSearch([&](int i) { sink = sink + list.Find(probeNone(i)).value_or(0); });
    const Summary floor = NsPerSearch([&](int i) { sink = sink + BareScan(edges, probeNone(i)); });

    const std::string floorName = "bare scan, 1000 rects";
    PrintRow("Pos_Timer search 1000 windows, last matches", Format("%.0f ns", lastHit.median), floorName,
             Format("%.0f ns", floor.median), Ratio(lastHit.median, floor.median), "< 50000 ns");
    PrintRow("Pos_Timer search 1000 windows, none matches", Format("%.0f ns", noHit.median), floorName,
             Format("%.0f ns", floor.median), Ratio(noHit.median, floor.median), "< 50000 ns");
    PrintNote(Format("median of %.0f batches", kBatches) + Format(" of %.0f searches", kBatch));
    return 0;
}
