#include "ui/state.h"

bool menuSelected[4] = {true, false, false, false};
bool edgeStarted = false;
std::uint32_t selectedNode = 0;
bool middleDown = false;
int ww = 0;
int wh = 0;
float mx = 0.0f;
float my = 0.0f;
