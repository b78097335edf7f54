#pragma once
// Mouse-wheel scrolling of the catalogue grids: while a grid has the focus, wheel events that
// reach its window move the grid's top row by about a page.
class QWidget;
class FlexGrid;

void HookGridWheel(QWidget* form, FlexGrid* grid);
void UnhookGridWheel();
