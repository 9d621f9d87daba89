// The layout step runs 20 times a second on the main loop and must not allocate. This
// binary counts every operator new; it is kept apart from unit_tests so that the other
// tests keep the sanitizers' own new/delete checking.

#include "editor_state.h"
#include "graph/layout.h"
#include "graph/repulsion_path.h"

#include <cstdlib>
#include <new>

namespace {
int allocations = 0;
}

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using LayoutAllocation = EditorTest;

TEST_F(LayoutAllocation, StepAllocatesNothingOnAnyPath) {
    for (int i = 0; i < 203; ++i) addNode(static_cast<float>(i % 17) / 17.0f, static_cast<float>(i % 13) / 13.0f);
    for (std::uint32_t i = 0; i < 203; ++i) edges.push_back({i, (i * 7) % 210});
    for (RepulsionPath path : {RepulsionPath::kPlain, RepulsionPath::kSse2, RepulsionPath::kAvx2}) {
        const int before = allocations;
        layoutStep(path);
        EXPECT_EQ(allocations, before) << static_cast<int>(path);
    }
}

}  // namespace
