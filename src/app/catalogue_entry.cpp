#include "app/catalogue_entry.h"

#include "app/runtime_error.h"

QString catalogueField(const QStringList& fields, int index) {
  if (index < 0 || index >= fields.size()) throw errors::subscriptOutOfRange();
  return fields.at(index);
}
