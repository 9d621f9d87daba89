#include "graph/store.h"
#include "ui/gl.h"
#include "ui/state.h"
#include "ui/toolbar.h"
#include "ui/window.h"

#include <cstddef>

// Drawing only reads the store: nothing here may change editor state.

namespace {

constexpr float kNodeHalfSize = 0.01f;

void drawEdges() {
    glColor3f(1.0f, 0.0f, 0.0f);
    glBegin(GL_LINES);
    for (const Edge& edge : edges) {
        if (!joinsNodes(edge)) continue;
        glVertex2f(objects[edge.from].pos[0], objects[edge.from].pos[1]);
        glVertex2f(objects[edge.to].pos[0], objects[edge.to].pos[1]);
    }
    glEnd();
}

void drawNodes() {
    const std::uint32_t highlighted = getNode(mx, my);
    for (std::size_t i = 0; i < objects.size(); ++i) {
        if (i == highlighted) {
            glColor3f(0.0f, 0.0f, 1.0f);
        } else {
            glColor3f(1.0f, 1.0f, 0.0f);
        }
        glPushMatrix();
        glTranslatef(objects[i].pos[0], objects[i].pos[1], 0.0f);
        glRectf(-kNodeHalfSize, -kNodeHalfSize, kNodeHalfSize, kNodeHalfSize);
        glPopMatrix();
    }
}

void drawRubberBand() {
    if (!edgeStarted || !isNode(selectedNode)) return;
    glColor3f(0.0f, 1.0f, 0.0f);
    glBegin(GL_LINES);
    glVertex2f(objects[selectedNode].pos[0], objects[selectedNode].pos[1]);
    glVertex2f(mx, my);
    glEnd();
}

void drawButtons() {
    for (int i = 0; i < kToolbarButtons; ++i) {
        const float x0 = buttonLeft(i);
        const float x1 = buttonLeft(i + 1);
        // Shaded from the left edge to the right; lit buttons are lighter.
        const float left = menuSelected[i] ? 1.0f : 0.5f;
        const float right = menuSelected[i] ? 0.7f : 0.2f;
        glBegin(GL_QUADS);
        glColor3f(left, left, left);
        glVertex2f(x0, kToolbarBottom);
        glVertex2f(x0, 1.0f);
        glColor3f(right, right, right);
        glVertex2f(x1, 1.0f);
        glVertex2f(x1, kToolbarBottom);
        glEnd();
        glColor3f(0.0f, 0.0f, 0.0f);
        glBegin(GL_LINES);
        glVertex2f(x0, kToolbarBottom);
        glVertex2f(x0, 1.0f);
        glEnd();
    }
}

void drawIcons() {
    glColor3f(1.0f, 1.0f, 0.0f);  // Node tool: a node
    glRectf(1.0f / 24.0f, 43.0f / 48.0f, 5.0f / 24.0f, 47.0f / 48.0f);

    glBegin(GL_LINES);
    glColor3f(0.0f, 1.0f, 0.0f);  // Edge tool: a rubber band
    glVertex2f(0.3f, 0.975f);
    glVertex2f(0.45f, 0.9f);
    glColor3f(1.0f, 0.0f, 0.0f);  // Clear: a cross
    glVertex2f(0.55f, 0.975f);
    glVertex2f(0.7f, 0.9f);
    glVertex2f(0.7f, 0.975f);
    glVertex2f(0.55f, 0.9f);
    glEnd();

    glColor3f(0.0f, 0.0f, 1.0f);  // Run: a play triangle
    glBegin(GL_TRIANGLES);
    glVertex2f(0.8f, 0.975f);
    glVertex2f(0.95f, 0.9375f);
    glVertex2f(0.8f, 0.9f);
    glEnd();
}

}  // namespace

void display() {
    glClear(GL_COLOR_BUFFER_BIT);
    glPushMatrix();
    drawEdges();
    drawNodes();
    drawRubberBand();
    // The toolbar comes last so it covers anything in the top eighth.
    drawButtons();
    drawIcons();
    glPopMatrix();
    glutSwapBuffers();
}
