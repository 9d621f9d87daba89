#pragma once

// Ways to run the repulsion pass, which dominates the layout step (every ordered pair of
// nodes). All give bit-identical results; they differ only in how many nodes they handle
// at once. The program just calls layoutStep(); tests and the benchmark pick a path.

enum class RepulsionPath {
    kPlain,  // one pair at a time through force()
    kSse2,   // 4 nodes per step, x86
    kAvx2,   // 8 nodes per step, x86 with AVX2
    kNeon,   // 4 nodes per step, AArch64
};

// Every path, widest first and kPlain last: the order the fastest one is chosen in.
inline constexpr RepulsionPath kRepulsionPaths[] = {RepulsionPath::kAvx2, RepulsionPath::kSse2,
                                                    RepulsionPath::kNeon, RepulsionPath::kPlain};

// "plain", "sse2", "avx2" or "neon", for reports and test names.
const char* repulsionPathName(RepulsionPath path);
// Whether this build has the path and this CPU can run it. kPlain always can.
bool repulsionPathAvailable(RepulsionPath path);
// The widest available path, chosen once; layoutStep() uses it.
RepulsionPath fastestRepulsionPath();

// Adds to every node's velocity the summed repulsion of all the others. An unavailable
// path runs as kPlain.
void repulsionPass(RepulsionPath path);
// The whole layout step with a given repulsion path.
void layoutStep(RepulsionPath path);
