#pragma once

// One fixed step of the layout over the whole store: forces into velocities, then move,
// clamp and damp. The caller decides whether the layout is running.
void layoutStep();

// Ways to run the repulsion pass, which dominates the step (every ordered pair of nodes).
// All give bit-identical results; they differ only in how many nodes they handle at once.
enum class RepulsionPath {
    kPlain,  // one pair at a time through force()
    kSse2,   // 4 nodes per step
    kAvx2,   // 8 nodes per step
};

// "plain", "sse2" or "avx2", for reports and test names.
const char* repulsionPathName(RepulsionPath path);
// Whether this build has the path and this CPU can run it. kPlain always can.
bool repulsionPathAvailable(RepulsionPath path);
// The widest available path, chosen once; layoutStep() uses it.
RepulsionPath fastestRepulsionPath();
// The step with a given path, for tests and benchmarks. An unavailable path runs as
// kPlain.
void layoutStep(RepulsionPath path);
