#include "app/list_box.h"

#include "app/catalogue_entry.h"
#include "app/runtime_error.h"

#include <algorithm>

void ListBox::Clear() {
  items_.clear();
  sorted_ = true;
}

void ListBox::AddItem(const QString& entry) {
  if (sorted_ && !items_.empty() && catalogueEntryLess(entry, items_.back())) sorted_ = false;
  items_.push_back(entry);
}

const QString& ListBox::List(int index) const {
  if (index < 0 || index >= ListCount())
    throw RuntimeError(381, QStringLiteral("Invalid property array index"));
  sortIfNeeded();
  return items_[static_cast<size_t>(index)];
}

void ListBox::sortIfNeeded() const {
  if (sorted_) return;
  std::stable_sort(items_.begin(), items_.end(), catalogueEntryLess);
  sorted_ = true;
}

bool catalogueEntryLess(const QString& a, const QString& b) {
  const qsizetype sa = a.indexOf(kEntrySeparator);
  const qsizetype sb = b.indexOf(kEntrySeparator);
  const QStringView nameA = sa < 0 ? QStringView(a) : QStringView(a).left(sa);
  const QStringView nameB = sb < 0 ? QStringView(b) : QStringView(b).left(sb);
  if (const int c = nameA.compare(nameB, Qt::CaseInsensitive); c != 0) return c < 0;
  if (const int c = QStringView(a).compare(QStringView(b), Qt::CaseInsensitive); c != 0) return c < 0;
  return a < b;
}
