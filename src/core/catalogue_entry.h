#pragma once
// A catalogue entry: full name, the separator, the full path of the font file. The text is for
// display, sorting and the exports only: a name or folder may itself hold the separator, so the
// file of an entry is always taken from the list (ListBox::ItemPath), never split out of the text.
#include <QString>
#include <QStringBuilder>

inline const QString kEntrySeparator = QStringLiteral("||MySeparator123||");
inline const QString kSampleText = QStringLiteral("AaBbCc123");

inline QString makeCatalogueEntry(const QString& fullName, const QString& path) {
  return fullName % kEntrySeparator % path;  // one allocation
}
