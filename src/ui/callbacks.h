#pragma once

// The window callbacks whose logic needs no window: they change the store and ask for
// redraws and ticks through windowRequests only, so tests call them directly.

// GLUT's button and state codes, repeated here so this layer needs no GL headers
// (window.cpp checks that they agree).
inline constexpr int kLeftButton = 0;
inline constexpr int kMiddleButton = 1;
inline constexpr int kButtonPressed = 0;

inline constexpr unsigned int kTickDelayMs = 50;

// Values the context-menu entries hand to `menu`.
enum MenuEntry : int {
    kRemoveNode = 1,
    kPauseUnpause = 2,
    kOpenGraph = 3,
    kSaveGraph = 4,
    kQuit = 5,
};

void mouse(int button, int state, int x, int y);
void motion(int x, int y);
void keyboard(unsigned char key, int x, int y);
void menu(int value);
void timer(int value);
