#pragma once
// The Help button.
#include "core/services.h"

namespace help {

// "Help": the support message, in a box with the application title.
void showHelp(Prompts& prompts);

}  // namespace help
