#pragma once

// One fixed step of the layout over the whole store: forces into velocities, then move,
// clamp and damp. The caller decides whether the layout is running.
void layoutStep();
