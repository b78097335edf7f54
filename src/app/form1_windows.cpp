// The main window's details window.
#include "app/details_window.h"
#include "app/form1.h"

void Form1::showDetails() { DetailsWindow::openFor(this, services_, *MSFlexGrid1, List1); }
