#pragma once

// Moves into "../Resources" beside the directory of programPath, where graph.txt lives.
// Leaves programPath intact: it is also the window title.
void enterResourceDirectory(const char* programPath);
