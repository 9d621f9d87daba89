#include "graph/layout.h"
#include "ui/callbacks.h"
#include "ui/state.h"
#include "ui/system.h"
#include "ui/window_requests.h"

void timer(int) {
    if (menuSelected[kRunButton]) layoutStep();
    yieldBetweenTicks();
    // Every tick redraws, so key presses, menu commands and plain pointer movement,
    // which request no redraw of their own, reach the screen within one tick.
    requestRedisplay();
    requestTimer(kTickDelayMs, timer, 0);
}
