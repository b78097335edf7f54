#include "catalogue/form2.h"

#include "app/form1.h"
#include "controls/flex_grid.h"

Form2::Form2(Form1& owner) : QWidget(nullptr), owner_(owner) { MSFlexGrid1 = new FlexGrid(this); }

void Form1::PushButton2_Click() {}
