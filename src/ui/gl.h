#pragma once

// GLUT, OpenGL and GLU, from where this system keeps their headers.

#if defined(__APPLE__)
#include <GLUT/glut.h>
#include <OpenGL/glu.h>
#else
#include <GL/glu.h>
#include <GL/glut.h>
#endif
