// The main window's buttons: each hands the window to its command.
#include "app/form1.h"
#include "catalogue/catalogue_commands.h"

void Form1::LoadFonts() { catalogue::loadFonts(*this); }
void Form1::PushButton1_Click() { catalogue::filter(*this); }
void Form1::PushButton2_Click() { catalogue::maximize(*this); }
