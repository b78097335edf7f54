#pragma once
// The real services: Qt's dialogs, the event loop, the clock-seeded random generator.
#include "core/services.h"

#include <QString>
#include <memory>
#include <random>

class QMessageBox;
class QWidget;

class QtPrompts : public Prompts {
 public:
  void setParentWindow(QWidget* parent) { parent_ = parent; }
  MsgResult messageBox(const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon) override;
  QString showOpen(const FileDialogRequest& request) override;
  QString showSave(const FileDialogRequest& request) override;

 private:
  QWidget* parent_ = nullptr;
};

// For the command-line modes: every box goes to standard error; questions are answered Yes.
class StderrPrompts : public Prompts {
 public:
  int shown = 0;
  MsgResult messageBox(const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon) override;
  QString showOpen(const FileDialogRequest&) override { return {}; }
  QString showSave(const FileDialogRequest&) override { return {}; }
};

class EventLoopYielder : public Yielder {
 public:
  void yield() override;
};

class ClockRandom : public RandomSource {
 public:
  void seedFromTime() override;
  double next() override;

 private:
  std::mt19937 engine_;
};

// "Desc|pattern|Desc|pattern" as the name filters of a Qt file dialog.
QString qtNameFilters(const QString& filter);

// A message text with each carriage return, alone or before a line feed, as one line break.
QString messageLines(const QString& text);
// The box QtPrompts shows: the text as plain text, whatever it holds, under exactly `title`.
std::unique_ptr<QMessageBox> makeMessageBox(const QString& text, const QString& title, MsgButtons buttons,
                                            MsgIcon icon, QWidget* parent = nullptr);
