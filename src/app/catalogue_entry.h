#pragma once
// A catalogue entry: full name, the separator, the full path of the font file.
#include <QString>
#include <QStringList>

inline const QString kEntrySeparator = QStringLiteral("||MySeparator123||");
inline const QString kSampleText = QStringLiteral("AaBbCc123");

inline QString makeCatalogueEntry(const QString& fullName, const QString& path) {
  return fullName + kEntrySeparator + path;
}
// Splits at every separator, as the readers of the list do (the same parts as QString::split
// with the separator, in a single scan: every row of a fill is split once).
QStringList splitCatalogueEntry(const QString& entry);
// Field `index` of the split entry; fails with error 9 when the entry has no such field.
QString catalogueField(const QStringList& fields, int index);
