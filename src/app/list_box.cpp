#include "app/list_box.h"

#include "app/catalogue_entry.h"
#include "app/runtime_error.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

int compareIgnoringCase(QStringView a, QStringView b) {
  // Units that are identical in both fold identically, so the folding compare (slow, one
  // table look-up per unit) only needs to start where they first differ. Entries of one
  // catalogue share long folder prefixes, and copies of a font share the whole name.
  const qsizetype n = std::min(a.size(), b.size());
  const char16_t* pa = a.utf16();
  const char16_t* pb = b.utf16();
  qsizetype m = 0;
  // Four units at a time while they agree, then one at a time to the first difference.
  for (uint64_t x, y; m + 4 <= n; m += 4) {
    std::memcpy(&x, pa + m, sizeof x);
    std::memcpy(&y, pb + m, sizeof y);
    if (x != y) break;
  }
  while (m < n && pa[m] == pb[m]) ++m;
  if (m == a.size() && m == b.size()) return 0;
  // A low surrogate is folded together with the high one before it: start at the pair.
  if (m > 0 && QChar::isHighSurrogate(pa[m - 1])) --m;
  return a.sliced(m).compare(b.sliced(m), Qt::CaseInsensitive);
}

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
    if (const int c = compareIgnoringCase(a.name, b.name); c != 0) return c < 0;
    if (const int c = compareIgnoringCase(*a.entry, *b.entry); c != 0) return c < 0;
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
  if (const int c = compareIgnoringCase(nameA, nameB); c != 0) return c < 0;
  if (const int c = compareIgnoringCase(a, b); c != 0) return c < 0;
  return a < b;
}
