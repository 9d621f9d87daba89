#include "ui/callbacks.h"
#include "ui/gl.h"
#include "ui/startup.h"
#include "ui/window.h"
#include "ui/window_requests.h"

int main(int argc, char** argv) {
    windowRequests.postRedisplay = glutPostRedisplay;
    windowRequests.armTimer = glutTimerFunc;

    // The title is the program path exactly as invoked.
    const char* title = argc > 0 ? argv[0] : "graph-editor";
    if (argc > 0) enterResourceDirectory(argv[0]);

    createWindow(argc, argv, title);

    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutMouseFunc(mouse);
    glutMotionFunc(motion);
    glutPassiveMotionFunc(motion);
    glutKeyboardFunc(keyboard);
    init();
    requestTimer(0, timer, 0);
    buildContextMenu();
    glutMainLoop();
    return 0;
}
