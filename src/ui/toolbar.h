#pragma once

// The toolbar: the top eighth of the unit square, cut into four buttons a quarter of the
// width each. Pointer input and drawing both take its geometry from here.

#include "ui/state.h"

#include <iterator>

inline constexpr float kToolbarHeight = 0.125f;
inline constexpr float kToolbarBottom = 1.0f - kToolbarHeight;
// One button for each lit flag.
inline constexpr int kToolbarButtons = static_cast<int>(std::size(menuSelected));
inline constexpr float kButtonWidth = 1.0f / kToolbarButtons;

// Left edge of button `index` in the unit square.
inline float buttonLeft(int index) { return kButtonWidth * static_cast<float>(index); }

// The Run button and the menu's "Pause/Unpause" share one switch.
inline void toggleRun() { menuSelected[kRunButton] = !menuSelected[kRunButton]; }

// The button under unit-square x, or -1 beyond the window's sides. The range is checked
// before the truncation so that it is defined for any x.
inline int toolbarButtonAt(float sceneX) {
    const float slot = sceneX / kButtonWidth;
    return slot > -1.0f && slot < static_cast<float>(kToolbarButtons) ? static_cast<int>(slot) : -1;
}
