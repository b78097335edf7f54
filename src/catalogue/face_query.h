#pragma once
// Conditions on what a face is, as --where and the window's property search set them: terms
// separated by commas, each of which must hold (with a leading "!": must not hold).
#include "fontfile/face_details.h"

#include <QString>
#include <QStringView>
#include <functional>
#include <optional>
#include <vector>

class FaceQuery {
 public:
  // The terms of `expression`; nothing for a bad term, which `error` then names.
  static std::optional<FaceQuery> parse(const QString& expression, QString* error = nullptr);
  // True when the face (its file at `path`) holds every term.
  bool holds(const truetype::FaceDetails& details, QStringView path = {}) const;
  bool isEmpty() const { return terms_.empty(); }

 private:
  using Test = std::function<bool(const truetype::FaceDetails&, QStringView path)>;
  struct Term {
    bool negated = false;
    Test test;
  };
  static std::optional<Test> testOf(QStringView term);
  std::vector<Term> terms_;
};
