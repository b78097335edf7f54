#include "app/form1.h"

void Form1::PushButton8_Click() {}
