#pragma once
#include <QString>

// The support message of the Help button.
QString helpMessageText();
