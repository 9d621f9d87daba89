#include "ui/window.h"

#include "ui/callbacks.h"
#include "ui/gl.h"
#include "ui/state.h"

static_assert(kLeftButton == GLUT_LEFT_BUTTON && kMiddleButton == GLUT_MIDDLE_BUTTON);
static_assert(kButtonPressed == GLUT_DOWN);

void createWindow(int& argc, char** argv, const char* title) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
    glutInitWindowSize(640, 480);
    glutCreateWindow(title);
}

void init() {
    glLineWidth(3.0f);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

// The unit square always fills the whole window, stretched independently on each axis.
void reshape(int width, int height) {
    wh = height;
    ww = width;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.0, 1.0, 0.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void buildContextMenu() {
    const int nodeMenu = glutCreateMenu(menu);
    glutAddMenuEntry("Remove Node", kRemoveNode);
    const int graphMenu = glutCreateMenu(menu);
    glutAddMenuEntry("Pause/Unpause", kPauseUnpause);
    glutAddMenuEntry("Open graph.txt", kOpenGraph);
    glutAddMenuEntry("Save graph.txt", kSaveGraph);
    glutAddMenuEntry("Quit", kQuit);
    glutCreateMenu(menu);
    glutAddSubMenu("Node", nodeMenu);
    glutAddSubMenu("Graph", graphMenu);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
}
