#pragma once
// Services that forms and commands use instead of calling Qt dialogs, the message loop
// or the random generator directly, so that every command can run inside a test.
#include <QString>
#include <functional>

enum class MsgButtons { Ok, YesNo };
enum class MsgIcon { None, Exclamation };
enum class MsgResult { Ok, Yes, No };

// What a file dialog is asked to show; mirrors the common dialog's properties.
struct FileDialogRequest {
  QString fileName;     // proposed name (save) or "" (open)
  QString title;        // DialogTitle; "" for the default
  QString filter;       // "Description|pattern|Description|pattern"
  long flags = 0;       // OFN_* flags
};

class Prompts {
 public:
  virtual ~Prompts() = default;
  // Yes is the default button of a Yes/No box.
  virtual MsgResult messageBox(const QString& text, const QString& title, MsgButtons buttons,
                               MsgIcon icon) = 0;
  // Return the chosen path, or "" when the user cancelled.
  virtual QString showOpen(const FileDialogRequest& request) = 0;
  virtual QString showSave(const FileDialogRequest& request) = 0;
};

// "Yield to the message loop": lets queued clicks run in the middle of a long command.
class Yielder {
 public:
  virtual ~Yielder() = default;
  virtual void yield() = 0;
};

// The command line's yield: it runs no event loop, so nothing waits to be handled.
class NoYield final : public Yielder {
 public:
  void yield() override {}
};

// Random fractions in [0, 1), seeded by the caller.
class RandomSource {
 public:
  virtual ~RandomSource() = default;
  virtual void seedFromTime() = 0;
  virtual double next() = 0;
};
