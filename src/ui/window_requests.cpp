#include "ui/window_requests.h"

WindowRequests windowRequests;

void requestRedisplay() {
    if (windowRequests.postRedisplay) windowRequests.postRedisplay();
}

void requestTimer(unsigned int delayMs, void (*callback)(int), int value) {
    if (windowRequests.armTimer) windowRequests.armTimer(delayMs, callback, value);
}
