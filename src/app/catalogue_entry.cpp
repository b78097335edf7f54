#include "app/catalogue_entry.h"

#include "app/runtime_error.h"

QString catalogueField(const QStringList& fields, int index) {
  if (index < 0 || index >= fields.size()) throw errors::subscriptOutOfRange();
  return fields.at(index);
}

QStringList splitCatalogueEntry(const QString& entry) {
  const QStringView text(entry);
  const QStringView sep(kEntrySeparator);
  const QChar first = sep.front();
  QStringList parts;
  qsizetype start = 0;
  for (qsizetype i = 0; i + sep.size() <= text.size();) {
    // The separator is rare text: look for its first character, then compare the rest.
    if (text[i] == first && text.sliced(i, sep.size()) == sep) {
      parts.append(text.sliced(start, i - start).toString());
      i += sep.size();
      start = i;
    } else {
      ++i;
    }
  }
  parts.append(text.sliced(start).toString());
  return parts;
}
