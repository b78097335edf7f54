#pragma once
// Prompts and yield for tests: boxes are recorded and answered from a script; a yield can run
// a nested action (a click arriving in the middle of a long command).
#include "core/services.h"

#include <QString>
#include <deque>
#include <functional>
#include <vector>

struct RecordedBox {
  QString text;
  QString title;
  MsgButtons buttons;
  MsgIcon icon;
};

class FakePrompts : public Prompts {
 public:
  std::vector<RecordedBox> boxes;
  std::deque<MsgResult> answers;  // answers for Yes/No boxes, Yes when empty
  std::vector<FileDialogRequest> openRequests, saveRequests;
  std::deque<QString> openResults, saveResults;  // "" (cancel) when empty
  std::function<void(const RecordedBox&)> onBox;  // runs while a box is "open"

  MsgResult messageBox(const QString& text, const QString& title, MsgButtons buttons,
                       MsgIcon icon) override {
    boxes.push_back({text, title, buttons, icon});
    if (onBox) onBox(boxes.back());
    if (buttons == MsgButtons::Ok) return MsgResult::Ok;
    if (answers.empty()) return MsgResult::Yes;
    const MsgResult r = answers.front();
    answers.pop_front();
    return r;
  }
  QString showOpen(const FileDialogRequest& request) override {
    openRequests.push_back(request);
    return take(openResults);
  }
  QString showSave(const FileDialogRequest& request) override {
    saveRequests.push_back(request);
    return take(saveResults);
  }
  std::vector<QString> texts() const {
    std::vector<QString> t;
    for (const auto& b : boxes) t.push_back(b.text);
    return t;
  }

 private:
  static QString take(std::deque<QString>& q) {
    if (q.empty()) return {};
    QString s = q.front();
    q.pop_front();
    return s;
  }
};

class FakeYielder : public Yielder {
 public:
  int count = 0;
  // Called with the running yield number (from 1); may click buttons re-entrantly.
  std::function<void(int)> onYield;
  void yield() override {
    ++count;
    if (onYield) onYield(count);
  }
};

class FakeRandom : public RandomSource {
 public:
  double value = 0.5;
  int seeds = 0;
  void seedFromTime() override { ++seeds; }
  double next() override { return value; }
};
