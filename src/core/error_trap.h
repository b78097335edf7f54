#pragma once
// The common error trap: each numbered statement of a routine runs through it; a failure is
// shown in the "Application Error" box and the routine resumes with its next statement.
#include "core/services.h"
#include <QString>
#include <functional>

QString errorTrapMessage(const QString& description, const QString& locationText, int line);

class ErrorTrap {
 public:
  // location is "Window.Routine", e.g. "Form1.LoadFonts".
  ErrorTrap(Prompts& prompts, const QString& location);
  // For routines whose location text does not follow the usual prefix.
  static ErrorTrap withLocationText(Prompts& prompts, const QString& locationText);

  // Runs one statement; returns false when it failed (and was reported).
  bool operator()(int line, const std::function<void()>& statement);

  const QString& locationText() const { return locationText_; }

 private:
  ErrorTrap(Prompts& prompts, const QString& locationText, int);
  Prompts& prompts_;
  QString locationText_;
};
