#pragma once

// The two things the callbacks ask of the window system outside drawing: a redraw, and
// the next layout tick. main points these at GLUT; tests point them at recorders. Both
// default to doing nothing, so the callbacks' logic runs without a window.

struct WindowRequests {
    void (*postRedisplay)() = nullptr;
    void (*armTimer)(unsigned int delayMs, void (*callback)(int), int value) = nullptr;
};

extern WindowRequests windowRequests;

void requestRedisplay();
void requestTimer(unsigned int delayMs, void (*callback)(int), int value);
