#include "graph/layout.h"

void layoutStep() {
    // Filled in with the layout.
}
