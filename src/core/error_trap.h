#pragma once
// The common error trap: each numbered statement of a routine runs through it; a failure is
// shown in the "Application Error" box and the routine resumes with its next statement.
#include "core/services.h"
#include <QString>
#include <functional>
#include <type_traits>

QString errorTrapMessage(const QString& description, const QString& locationText, int line);

// A statement for the trap: any callable, referred to rather than copied for the length of
// the call, so running a statement allocates nothing (a std::function would, for most
// lambdas, once per statement).
class Statement {
 public:
  template <typename F, typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, Statement>>>
  Statement(F&& f)  // NOLINT: converts from any callable, as std::function does
      : object_(const_cast<void*>(static_cast<const void*>(&f))),
        call_([](void* object) { (*static_cast<std::remove_reference_t<F>*>(object))(); }) {}
  void operator()() const { call_(object_); }

 private:
  void* object_;
  void (*call_)(void*);
};

class ErrorTrap {
 public:
  // location is "Window.Routine", e.g. "Form1.LoadFonts".
  ErrorTrap(Prompts& prompts, const QString& location);
  // For routines whose location text does not follow the usual prefix.
  static ErrorTrap withLocationText(Prompts& prompts, const QString& locationText);

  // Runs one statement; returns false when it failed (and was reported).
  bool operator()(int line, Statement statement);

  const QString& locationText() const { return locationText_; }

  // Takes the place of the box for a failure (the command line writes one line instead).
  using Reporter = std::function<void(int number, const QString& description, int line)>;
  void setReporter(Reporter reporter) { reporter_ = std::move(reporter); }
  // The file or folder the routine is working on, for a reporter to name; the box leaves it out.
  void setSubject(const QString& subject) { subject_ = subject; }
  const QString& subject() const { return subject_; }
  // Something the routine passes over without a box (a file that does not open): only a
  // reporter hears of it, with line 0.
  void notice(const QString& description) {
    if (reporter_) reporter_(0, description, 0);
  }

 private:
  ErrorTrap(Prompts& prompts, const QString& locationText, int);
  Prompts& prompts_;
  QString locationText_;
  Reporter reporter_;
  QString subject_;
};
