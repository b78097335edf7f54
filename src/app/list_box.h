#pragma once
// The hidden sorted list of catalogue entries. Entries are kept in ascending order, compared
// without regard to case; the order is restored lazily so a fill of n entries costs one sort.
#include <QString>
#include <vector>

class ListBox {
 public:
  void Clear();
  void AddItem(const QString& entry);
  int ListCount() const { return static_cast<int>(items_.size()); }
  // Entry by index; fails with error 381 (invalid property array index) outside the list.
  const QString& List(int index) const;

 private:
  void sortIfNeeded() const;
  mutable std::vector<QString> items_;
  mutable bool sorted_ = true;
};

// QStringView::compare without regard to case (same sign), faster on long common prefixes.
int compareIgnoringCase(QStringView a, QStringView b);

// The order of the list: by full name, then by path, both without regard to case.
bool catalogueEntryLess(const QString& a, const QString& b);
