#include "graph/layout.h"
#include "graph/store.h"
#include "ui/callbacks.h"
#include "ui/window_requests.h"

#include <unistd.h>

void timer(int) {
    if (menuSelected[kRunButton]) layoutStep();
    // A yield point between ticks, not a delay: zero seconds enters the kernel and
    // returns within microseconds, letting the X server and the GL driver's threads in
    // after a step that kept the core busy.
    sleep(0);
    // Every tick redraws, so key presses, menu commands and plain pointer movement,
    // which request no redraw of their own, reach the screen within one tick.
    requestRedisplay();
    requestTimer(kTickDelayMs, timer, 0);
}
