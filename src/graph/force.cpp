#include "graph/force.h"

void force(Object& a, Object& b, float* out, bool spring) {
    // Filled in with the layout.
    (void)a;
    (void)b;
    (void)spring;
    out[0] = 0.0f;
    out[1] = 0.0f;
}
