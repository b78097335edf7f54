#pragma once
// Conditions on what a face is, as --where and the window's property search set them: terms
// separated by commas, each of which must hold (a leading "!" : must not hold).
#include "fontfile/face_details.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class FaceQuery {
 public:
  // The terms of `expression`; nothing for a bad term, which `error` then names.
  static std::optional<FaceQuery> parse(const QString& expression, QString* error = nullptr);
  bool holds(const truetype::FaceDetails& details) const;
  bool isEmpty() const { return terms_.empty(); }

  struct Term;

 private:
  std::vector<std::shared_ptr<const Term>> terms_;
};
