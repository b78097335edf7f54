#pragma once
// Mouse-wheel scrolling of the catalogue grids. While a grid has the focus, the window that
// holds it is hooked: a filter sees every event of that window first, turns each wheel event
// into a jump of the grid's top row by about a page, and lets every event, the wheel event
// included, go on to the window as before. Without the hook the wheel does nothing.
//
// One set of state serves the whole program, since only the focused grid is ever hooked;
// every hook is preceded by an unhook.
class QEvent;
class QObject;
class QWidget;
class FlexGrid;

// Hooks the form's window and makes `grid` the one the wheel scrolls.
void HookGridWheel(QWidget* form, FlexGrid* grid);
// Takes the hook off the window last hooked and lets go of the form; harmless when nothing
// is hooked. The grid stays the wheel's grid until the next hook.
void UnhookGridWheel();
// The handlers a window's grid shares: taking the focus moves the hook to the grid; a click does
// that too and selects the whole clicked row.
void GridGotFocus(QWidget* form, FlexGrid* grid);
void GridClicked(QWidget* form, FlexGrid* grid);

// Sees every event of the hooked window. Returns false always: the event goes on to the window.
bool GridWheelWindowProc(QObject* window, QEvent* event);

// Moves the grid's top row by a page: as many rows of row 0's height as fit in the grid, at
// least 10. A positive delta (wheel turned away from the user) moves toward the top and stops
// at the first scrollable row; any other delta moves toward the end. Only the sign of the
// delta counts. The key state and the pointer position are not used. Failures are ignored.
void ScrollGridByWheel(int keyState, int delta, int x, int y, FlexGrid* grid);

// The state the hook keeps, for tests.
QWidget* HookedHwnd();  // the window last hooked; kept after an unhook
QWidget* HookedForm();  // the form while hooked; nothing after an unhook
FlexGrid* WheelGrid();  // the grid the wheel scrolls; kept after an unhook
