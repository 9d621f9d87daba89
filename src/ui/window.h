#pragma once

// The GLUT side of the editor: the drawing state, the projection and the context menu.
// Hands the command line to GLUT (which may take its own options from it) and opens the
// 640 x 480 double-buffered RGB window.
void createWindow(int& argc, char** argv, const char* title);
void init();
void reshape(int width, int height);
void display();
void buildContextMenu();
