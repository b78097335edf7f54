#pragma once
// The application title: what message boxes that give no caption of their own show.
#include <QString>

QString appTitle();
void setAppTitle(const QString& title);
