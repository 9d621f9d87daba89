// Layout step timings on random graphs of n nodes and 2n edges:
//   (a) the step as the editor runs it, on every repulsion path this CPU has;
//   (b) the plain step, one force() call per ordered pair and per edge end;
//   (c) one frame of the display callback: not measured yet, to come with the window.
// Besides Google Benchmark's own table, prints the time per ordered pair of nodes and
// how many times faster each path of (a) is than (b).

#include "graph/layout.h"
#include "graph/store.h"
#include "reference_step.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

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
    for (auto _ : state) {
        objects = g.nodes;
        layoutStep(path);
        benchmark::DoNotOptimize(objects.data());
    }
    reportPairs(state, n);
}

void plainForceLoop(benchmark::State& state) {
    const std::int64_t n = state.range(0);
    const Graph g = randomGraph(n);
    constant = kInitialConstant;
    sep = kInitialSep;
    std::vector<Object> nodes;
    for (auto _ : state) {
        nodes = g.nodes;
        referenceStep(nodes, g.links);
        benchmark::DoNotOptimize(nodes.data());
    }
    reportPairs(state, n);
}

const char* pathName(RepulsionPath path) {
    switch (path) {
        case RepulsionPath::kPlain: return "plain";
        case RepulsionPath::kSse2: return "sse2";
        case RepulsionPath::kAvx2: return "avx2";
    }
    return "unknown";
}

// Collects CPU seconds per step by benchmark name and size, then prints the comparison.
// CPU time, because other work on a shared machine inflates wall time unevenly.
class ComparingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
            const std::string name = run.benchmark_name();
            const auto slash = name.rfind('/');
            const std::int64_t n = std::stoll(name.substr(slash + 1));
            seconds_[{name.substr(0, slash), n}] = run.cpu_accumulated_time / static_cast<double>(run.iterations);
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-22s %7s %12s %14s\n", "step", "n", "ns/pair", "plain/this");
        for (const auto& [key, seconds] : seconds_) {
            const auto plain = seconds_.find({"step_force_calls", key.second});
            const double nsPerPair = seconds * 1e9 / orderedPairs(key.second);
            if (plain == seconds_.end())
                std::printf("%-22s %7lld %12.3f %14s\n", key.first.c_str(), static_cast<long long>(key.second),
                            nsPerPair, "-");
            else
                std::printf("%-22s %7lld %12.3f %14.2f\n", key.first.c_str(), static_cast<long long>(key.second),
                            nsPerPair, plain->second / seconds);
        }
        std::printf("layoutStep() uses %s here.\n", pathName(fastestRepulsionPath()));
    }

private:
    std::map<std::pair<std::string, std::int64_t>, double> seconds_;
};

void registerAll() {
    for (RepulsionPath path : {RepulsionPath::kAvx2, RepulsionPath::kSse2, RepulsionPath::kPlain}) {
        if (!repulsionPathAvailable(path)) continue;
        auto* b = benchmark::RegisterBenchmark((std::string("step_") + pathName(path)).c_str(), stepWith, path);
        for (std::int64_t n : kSizes) b->Arg(n);
        b->Unit(benchmark::kMillisecond);
    }
    auto* b = benchmark::RegisterBenchmark("step_force_calls", plainForceLoop);
    for (std::int64_t n : kSizes) b->Arg(n);
    b->Unit(benchmark::kMillisecond);
    // (c) display frame under Xvfb: register here once the window code can be linked.
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    registerAll();
    ComparingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
