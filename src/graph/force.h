#pragma once

#include "graph/store.h"

// Force on `a` due to `b`, written to out[0..1]: the spring term of an edge when `spring`
// is set, the short-range repulsion otherwise. Reads only the positions, `constant` and
// `sep`.
void force(Object& a, Object& b, float* out, bool spring);
