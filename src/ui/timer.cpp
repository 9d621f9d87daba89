#include "graph/layout.h"
#include "graph/store.h"
#include "graph/window_requests.h"
#include "ui/callbacks.h"

#include <unistd.h>

void timer(int) {
    if (menuSelected[kRunButton]) layoutStep();
    sleep(0);
    // Every tick redraws, so key presses, menu commands and plain pointer movement,
    // which request no redraw of their own, reach the screen within one tick.
    requestRedisplay();
    requestTimer(kTickDelayMs, timer, 0);
}
