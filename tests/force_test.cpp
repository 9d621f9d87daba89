#include "graph/force.h"
#include "support.h"

namespace {

using Force = EditorTest;

// With the initial constant and sep. A zero axis sign times the negative constant gives
// -0 in the repulsion term: that is the rounded product, so it is expected.
TEST_F(Force, WorkedValuesAndStrictBoundsInSinglePrecision) {
    // Together these offsets square to exactly 0.001f; the next float up lies above it.
    const float atBoundX = 0.0316227749f, atBoundY = 0x1.000002p-17f, aboveBoundX = 0.0316227786f;
    ASSERT_EQ(atBoundX * atBoundX + atBoundY * atBoundY, kMinRepulsionDistance2);
    const float pushAboveBound = -0.1f * (1.0f - (0.1f * 0.1f - aboveBoundX * aboveBoundX));
    const struct { const char* name; float ax, ay, bx, by; bool spring; float outX, outY; } rows[] = {
        {"diagonal pull takes axis signs", 0.2f, 0.3f, 0.5f, 0.7f, true, 0.0479999967f, 0.0479999967f},
        {"level pull", 0.3f, 0.3f, 0.7f, 0.3f, true, 0.0299999956f, 0.0f},
        {"pull capped at 2|c|", 0.9f, 0.95f, -0.5f, -0.4f, true, -0.200000003f, -0.200000003f},
        {"no pull inside sep", 0.4f, 0.5f, 0.45f, 0.5f, true, 0.0f, 0.0f},
        {"level push", 0.5f, 0.5f, 0.55f, 0.5f, false, -0.0992500037f, -0.0f},
        {"diagonal push", 0.5f, 0.5f, 0.53f, 0.54f, false, -0.0992500037f, -0.0992500037f},
        {"d2 == q, pull", 0.1f, 0.0f, 0.0f, 0.0f, true, 0.0f, 0.0f},
        {"d2 == q, push", 0.0f, 0.0f, 0.1f, 0.0f, false, 0.0f, 0.0f},
        {"0.6 - 0.5 > 0.1: tiny pull", 0.5f, 0.5f, 0.6f, 0.5f, true, 0.2f / 268435456.0f, 0.0f},
        {"0.6 - 0.5 > 0.1: no push", 0.5f, 0.5f, 0.6f, 0.5f, false, 0.0f, 0.0f},
        {"d2 == 0.001f: no push", 0.0f, 0.0f, atBoundX, atBoundY, false, 0.0f, 0.0f},
        {"d2 just above 0.001f", 0.0f, 0.0f, aboveBoundX, 0.0f, false, pushAboveBound, -0.0f},
    };
    for (const auto& row : rows) {
        Object a{{row.ax, row.ay}, {}}, b{{row.bx, row.by}, {}};
        float out[2] = {5.0f, 5.0f};  // stale values must be discarded
        force(a, b, out, row.spring);
        EXPECT_EQ(bits(out[0]), bits(row.outX)) << row.name << ": x is " << out[0];
        EXPECT_EQ(bits(out[1]), bits(row.outY)) << row.name << ": y is " << out[1];
    }
}

}  // namespace
