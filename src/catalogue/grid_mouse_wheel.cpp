#include "catalogue/grid_mouse_wheel.h"

// Filled in with the wheel scrolling.
void HookGridWheel(QWidget*, FlexGrid*) {}
void UnhookGridWheel() {}
