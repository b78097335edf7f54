// The main window's buttons: each hands the window to its command.
#include "app/form1.h"
#include "catalogue/catalogue_commands.h"
#include "export/export_commands.h"
#include "help/help_command.h"
#include "ops/ops_commands.h"

void Form1::LoadFonts() { catalogue::loadFonts(*this); }
void Form1::PushButton1_Click() { catalogue::filter(*this); }
void Form1::PushButton2_Click() { catalogue::maximize(*this); }
void Form1::PushButton3_Click() { ops::addFont(*this); }
void Form1::PushButton4_Click() { ops::removeSelectedFont(*this); }
void Form1::PushButton5_Click() { help::showHelp(services_.prompts); }
void Form1::PushButton6_Click() { exporting::exportToWord(*this); }
void Form1::PushButton7_Click() { ops::copySelectedFontToClipboard(*this); }
void Form1::PushButton8_Click() { exporting::exportToExcel(*this); }
