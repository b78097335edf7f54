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
  // Same order as catalogueEntryLess, but each entry's separator is found once instead of at
  // every comparison: with tens of thousands of entries that search was most of the sort.
  struct Key {
    QStringView name;
    const QString* entry;
  };
  std::vector<Key> keys;
  keys.reserve(items_.size());
  for (const QString& item : items_) {
    const qsizetype s = item.indexOf(kEntrySeparator);
    keys.push_back({s < 0 ? QStringView(item) : QStringView(item).left(s), &item});
  }
  std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
    if (const int c = a.name.compare(b.name, Qt::CaseInsensitive); c != 0) return c < 0;
    if (const int c = QStringView(*a.entry).compare(QStringView(*b.entry), Qt::CaseInsensitive); c != 0)
      return c < 0;
    return *a.entry < *b.entry;
  });
  std::vector<QString> sorted;
  sorted.reserve(items_.size());
  for (const Key& k : keys) sorted.push_back(std::move(*const_cast<QString*>(k.entry)));
  items_ = std::move(sorted);
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
