#pragma once

// The two things the editor asks of its window system outside drawing: a redraw, and
// the next layout tick. The front end points these at GLUT; tests point them at
// recorders. Both default to doing nothing, so the core never needs a window.

struct WindowRequests {
    void (*postRedisplay)() = nullptr;
    void (*armTimer)(unsigned int delayMs, void (*callback)(int), int value) = nullptr;
};

extern WindowRequests windowRequests;

void requestRedisplay();
void requestTimer(unsigned int delayMs, void (*callback)(int), int value);
