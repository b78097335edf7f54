#pragma once
// The details of one face as people and programs read them: labelled lines (--info, the details
// window and its copy) and one JSON object (--info --json, --list --json). Both give the same
// facts under the same keys; a name or value the face lacks is left out of both.
#include "fontfile/face_details.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

struct DetailField {
  QString key;    // the JSON key ("fullName", "weight" ...)
  QString label;  // what a person reads ("Full name", "Weight class" ...)
  QString value;  // as shown: a list joined with ", ", a date as YYYY-MM-DDTHH:MM:SSZ
};

// Every fact of the face in a fixed order, path and face first.
QList<DetailField> detailFields(const truetype::FaceDetails& details, const QString& path, uint32_t face);
// "Label: value" lines, each ended by a newline.
QString detailsText(const QList<DetailField>& fields);
// One JSON object on one line, no newline; with `number`, "number" first; with `sample` (the
// text the row shows), "sample" last.
std::string detailsJson(const truetype::FaceDetails& details, const QString& path, uint32_t face,
                        std::optional<int> number = std::nullopt, const QString* sample = nullptr);
