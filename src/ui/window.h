#pragma once

// The GLUT side of the editor: the drawing state, the projection and the context menu.
void init();
void reshape(int width, int height);
void display();
void buildContextMenu();
