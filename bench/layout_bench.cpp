// Layout step timings on random graphs of n nodes and 2n edges:
//   (a) the step as the editor runs it, on every SIMD repulsion path this CPU has;
//   (b) the same step on the plain path, one force() call per ordered pair;
//   (c) one frame of the display callback, drawn and finished, when an X display is
//       there to draw on (bench/run_layout_bench.sh starts a virtual one).
// Besides Google Benchmark's own table, prints the time per ordered pair of nodes, how
// many times faster each path of (a) is than (b), and the time per frame of (c). The step
// runs 20 times a second and must not allocate: every operator new is counted, the
// allocations per step are printed, and the run fails if there were any.

#include "graph/repulsion_path.h"
#include "graph/store.h"
#include "ui/gl.h"
#include "ui/state.h"
#include "ui/window.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {
std::int64_t allocations = 0;
}

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

std::int64_t stepAllocations = 0;

const std::int64_t kSizes[] = {500, 1000, 2000, 4000, 8000};

struct Graph {
    std::vector<Object> nodes;
    std::vector<Edge> links;
};

Graph randomGraph(std::int64_t n) {
    std::mt19937 rng(static_cast<unsigned>(n));
    std::uniform_real_distribution<float> coord(0.0f, 1.0f);
    std::uniform_int_distribution<std::uint32_t> endpoint(0, static_cast<std::uint32_t>(n - 1));
    Graph g;
    for (std::int64_t i = 0; i < n; ++i) g.nodes.push_back(Object{{coord(rng), coord(rng)}, {0.0f, 0.0f}});
    for (std::int64_t e = 0; e < 2 * n; ++e) g.links.push_back(Edge{endpoint(rng), endpoint(rng)});
    return g;
}

double orderedPairs(std::int64_t n) { return static_cast<double>(n) * static_cast<double>(n - 1); }

void reportPairs(benchmark::State& state, std::int64_t n) {
    state.counters["per_pair"] = benchmark::Counter(
        orderedPairs(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Every iteration starts again from the same graph, so each times the same work; the
// copy costs O(n), against the step's O(n^2).
void stepWith(benchmark::State& state, RepulsionPath path) {
    const std::int64_t n = state.range(0);
    const Graph g = randomGraph(n);
    constant = kInitialConstant;
    sep = kInitialSep;
    edges = g.links;
    std::int64_t allocated = 0;
    for (auto _ : state) {
        objects = g.nodes;
        const std::int64_t before = allocations;
        layoutStep(path);
        allocated += allocations - before;
        benchmark::DoNotOptimize(objects.data());
    }
    reportPairs(state, n);
    state.counters["allocs"] = benchmark::Counter(static_cast<double>(allocated), benchmark::Counter::kAvgIterations);
    stepAllocations += allocated;
}

// The editor's window, without its main loop: frames are drawn by calling display()
// directly. glFinish makes each timed frame include the rendering itself.
bool openWindow() {
    if (!std::getenv("DISPLAY")) return false;
    int argc = 1;
    char name[] = "layout_bench";
    char* argv[] = {name, nullptr};
    createWindow(argc, argv, name);
    init();
    reshape(640, 480);
    return true;
}

void displayFrame(benchmark::State& state) {
    const std::int64_t n = state.range(0);
    const Graph g = randomGraph(n);
    objects = g.nodes;
    edges = g.links;
    mx = 0.5f;
    my = 0.5f;
    for (auto _ : state) {
        display();
        glFinish();
    }
}

// Collects seconds per step by benchmark name and size, then prints the comparison.
// Steps are timed in CPU time: other work on a shared machine inflates wall time unevenly.
class ComparingReporter : public benchmark::ConsoleReporter {
public:
    // Plain text: the output is mostly read from logs.
    ComparingReporter() : ConsoleReporter(OO_Tabular) {}

    // Takes the median when repetitions are summarised, otherwise the single run.
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.iterations == 0) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median) continue;
            const std::string& family = run.run_name.function_name;
            const std::int64_t n = std::stoll(run.run_name.args);
            // A frame is mostly drawn by the GL driver's threads and the X server, so
            // only wall time covers it; a step runs on this thread alone.
            const double adjusted = family == kFrame ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
            const double seconds = adjusted / benchmark::GetTimeUnitMultiplier(run.time_unit);
            auto& [value, fromMedian] = seconds_[{family, n}];
            if (median || !fromMedian) {
                value = seconds;
                fromMedian = median;
            }
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-22s %7s %12s %14s\n", "step", "n", "ns/pair", "plain/this");
        for (const auto& [key, entry] : seconds_) {
            if (key.first == kFrame) continue;
            const double seconds = entry.first;
            const auto plain = seconds_.find({"step_plain", key.second});
            const double nsPerPair = seconds * 1e9 / orderedPairs(key.second);
            if (plain == seconds_.end())
                std::printf("%-22s %7lld %12.3f %14s\n", key.first.c_str(), static_cast<long long>(key.second),
                            nsPerPair, "-");
            else
                std::printf("%-22s %7lld %12.3f %14.2f\n", key.first.c_str(), static_cast<long long>(key.second),
                            nsPerPair, plain->second.first / seconds);
        }
        std::printf("layoutStep() uses %s here.\n", repulsionPathName(fastestRepulsionPath()));
        std::printf("allocations in all timed steps: %lld\n", static_cast<long long>(stepAllocations));
        for (const auto& [key, entry] : seconds_)
            if (key.first == kFrame)
                std::printf("display frame (wall time), n = %lld: %.3f ms\n", static_cast<long long>(key.second),
                            entry.first * 1e3);
    }

    static constexpr const char* kFrame = "display_frame";

private:
    // Seconds per step or frame, and whether that is a median of repetitions.
    std::map<std::pair<std::string, std::int64_t>, std::pair<double, bool>> seconds_;
};

void registerAll() {
    for (RepulsionPath path : kRepulsionPaths) {
        if (!repulsionPathAvailable(path)) continue;
        auto* b = benchmark::RegisterBenchmark((std::string("step_") + repulsionPathName(path)).c_str(), stepWith, path);
        for (std::int64_t n : kSizes) b->Arg(n);
        b->Unit(benchmark::kMillisecond);
    }
    if (openWindow()) {
        auto* frame = benchmark::RegisterBenchmark(ComparingReporter::kFrame, displayFrame);
        for (std::int64_t n : kSizes) frame->Arg(n);
        frame->Unit(benchmark::kMillisecond)->UseRealTime();
    } else {
        std::printf("No DISPLAY: display frames not timed (bench/run_layout_bench.sh provides one).\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    registerAll();
    ComparingReporter reporter;
    const std::size_t ran = benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    // A filter that matches nothing is a mistake, not a pass; so is a step that allocates.
    return ran > 0 && stepAllocations == 0 ? 0 : 1;
}
