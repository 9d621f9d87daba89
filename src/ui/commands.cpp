#include "graph/store.h"
#include "io/graph_file.h"
#include "ui/callbacks.h"
#include "ui/state.h"
#include "ui/toolbar.h"
#include "ui/window_requests.h"

#include <cctype>
#include <cstdlib>

namespace {
constexpr int kEscape = 27;
}

// Key effects reach the screen with the next timer tick; no redraw is requested here.
void keyboard(unsigned char key, int, int) {
    switch (std::tolower(key)) {
        case kEscape:
        case 'q': std::exit(0);
        case '+':
        case '=': constant = constant + constant; break;
        case '-':
        case '_': constant = constant / 2.0f; break;
        case '0': constant = kInitialConstant; break;
        case '1': sep = kInitialSep; break;
        case '2': sep = sep + sep; break;
        case '3': sep = sep / 2.0f; break;
        default: break;
    }
}

void menu(int value) {
    switch (value) {
        case kRemoveNode: removeNode(mx, my); break;
        case kPauseUnpause: toggleRun(); break;
        // Whatever the file held, or if there was none, the screen shows the graph now.
        case kOpenGraph:
            loadGraph();
            requestRedisplay();
            break;
        case kSaveGraph: saveGraph(); break;
        case kQuit: std::exit(0);
        default: break;
    }
}
