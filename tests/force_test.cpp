#include "editor_state.h"
#include "float_bits.h"
#include "graph/force.h"

#include <cfloat>
#include <random>

namespace {

using Force = EditorTest;

struct ForceCase {
    const char* name;
    float ax, ay, bx, by;
    bool spring;
    float outX, outY;
};

Object at(float x, float y) { return Object{{x, y}, {0.0f, 0.0f}}; }

void expectForce(const ForceCase& c) {
    Object a = at(c.ax, c.ay);
    Object b = at(c.bx, c.by);
    float out[2] = {5.0f, 5.0f};  // stale values must be discarded
    force(a, b, out, c.spring);
    EXPECT_SAME_BITS(out[0], c.outX) << c.name;
    EXPECT_SAME_BITS(out[1], c.outY) << c.name;
}

// With the initial constant and sep. A zero axis sign times the negative constant gives
// -0 in the repulsion term; that is what the rounded product is, so it is kept.
TEST_F(Force, WorkedValuesWithInitialParameters) {
    const ForceCase cases[] = {
        {"diagonal pull uses axis signs", 0.2f, 0.3f, 0.5f, 0.7f, true, 0.0479999967f, 0.0479999967f},
        {"swapped pull", 0.5f, 0.7f, 0.2f, 0.3f, true, -0.0479999967f, -0.0479999967f},
        {"level pull", 0.3f, 0.3f, 0.7f, 0.3f, true, 0.0299999956f, 0.0f},
        {"pull capped at 2|c|", 0.0f, 0.0f, 1.0f, 1.0f, true, 0.200000003f, 0.200000003f},
        {"no pull inside sep", 0.4f, 0.5f, 0.45f, 0.5f, true, 0.0f, 0.0f},
        {"level push", 0.5f, 0.5f, 0.55f, 0.5f, false, -0.0992500037f, -0.0f},
        {"diagonal push", 0.5f, 0.5f, 0.53f, 0.54f, false, -0.0992500037f, -0.0992500037f},
        {"no push at or below 0.001", 0.5f, 0.5f, 0.52f, 0.52f, false, 0.0f, 0.0f},
        {"no push beyond sep", 0.3f, 0.3f, 0.7f, 0.3f, false, 0.0f, 0.0f},
    };
    for (const ForceCase& c : cases) expectForce(c);
}

TEST_F(Force, BoundariesAreStrictAndDecidedInSinglePrecision) {
    // 0.6f - 0.5f is a little above 0.1f, so d2 lies 2^-28 above sep * sep.
    const float tinyPull = 0.2f / 268435456.0f;
    // Together these offsets square to exactly 0.001f; the next float up lies above it.
    const float atBoundX = 0.0316227749f;
    const float atBoundY = 0x1.000002p-17f;
    const float aboveBoundX = 0.0316227786f;
    ASSERT_EQ(atBoundX * atBoundX + atBoundY * atBoundY, kMinRepulsionDistance2);
    ASSERT_GT(aboveBoundX * aboveBoundX, kMinRepulsionDistance2);
    const float pushAboveBound = -0.1f * (1.0f - (0.1f * 0.1f - aboveBoundX * aboveBoundX));

    const ForceCase cases[] = {
        {"coincident, spring", 0.3f, 0.3f, 0.3f, 0.3f, true, 0.0f, 0.0f},
        {"coincident, repulsion", 0.3f, 0.3f, 0.3f, 0.3f, false, 0.0f, 0.0f},
        {"d2 == q, spring", 0.0f, 0.0f, 0.1f, 0.0f, true, 0.0f, 0.0f},
        {"d2 == q, repulsion", 0.0f, 0.0f, 0.1f, 0.0f, false, 0.0f, 0.0f},
        {"0.6 - 0.5 > 0.1, spring", 0.5f, 0.5f, 0.6f, 0.5f, true, tinyPull, 0.0f},
        {"0.6 - 0.5 > 0.1, repulsion", 0.5f, 0.5f, 0.6f, 0.5f, false, 0.0f, 0.0f},
        {"d2 == 0.001f", 0.0f, 0.0f, atBoundX, atBoundY, false, 0.0f, 0.0f},
        {"d2 just above 0.001f", 0.0f, 0.0f, aboveBoundX, 0.0f, false, pushAboveBound, -0.0f},
        {"far pull, negative axes", 0.9f, 0.95f, -0.5f, -0.4f, true, -0.200000003f, -0.200000003f},
    };
    for (const ForceCase& c : cases) expectForce(c);
}

// Random pairs, near and far: swapping the nodes negates the result exactly, velocities
// play no part, and a zero constant silences both terms.
TEST_F(Force, SymmetricPositionOnlyAndSilentWithoutConstant) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coord(0.0f, 1.0f);
    std::uniform_real_distribution<float> nearby(-0.12f, 0.12f);
    for (int k = 0; k < 2000; ++k) {
        Object a = at(coord(rng), coord(rng));
        Object b = k % 2 ? at(coord(rng), coord(rng)) : at(a.pos[0] + nearby(rng), a.pos[1] + nearby(rng));
        for (bool spring : {false, true}) {
            constant = kInitialConstant;
            float ab[2], ba[2], moving[2];
            force(a, b, ab, spring);
            force(b, a, ba, spring);
            Object fastA = a;
            fastA.vel[0] = 3.0f;
            fastA.vel[1] = -7.0f;
            force(fastA, b, moving, spring);
            for (int i = 0; i < 2; ++i) {
                ASSERT_EQ(ba[i], -ab[i]) << "pair " << k << " spring " << spring;
                EXPECT_SAME_BITS(moving[i], ab[i]);
            }
            constant = 0.0f;
            force(a, b, ab, spring);
            EXPECT_EQ(ab[0], 0.0f);
            EXPECT_EQ(ab[1], 0.0f);
        }
    }
}

}  // namespace
