#pragma once
// The hidden sorted list of catalogue entries. Entries are kept in ascending order of their whole
// text, compared without regard to case; the order is restored lazily so a fill of n entries costs
// one sort. Each entry remembers where its path starts, so the name and the file of an entry are
// known exactly even when either of them holds the separator; and which face of the file it is
// (a collection holds several), which the text does not show.
#include <QString>
#include <cstdint>
#include <vector>

class ListBox {
 public:
  static constexpr uint32_t kNoRank = UINT32_MAX;
  static constexpr uint32_t kNoData = UINT32_MAX;

  void Clear();
  // Adds the entry "fullName||MySeparator123||path" for face `face` of the file. Entries of
  // equal text keep the order of their faces. `rank` is where the entry stood in an earlier
  // sorted list, if known: when every entry has one and their order proves sorted, the list is
  // ordered by them instead of by a sort of the texts (a refill of the same files). `data` is
  // the caller's own number for the entry, given back by ItemData.
  void AddItem(const QString& fullName, const QString& path, uint32_t face = 0, uint32_t rank = kNoRank,
               uint32_t data = kNoData);
  int ListCount() const { return static_cast<int>(items_.size()); }
  // Entry text, full name, file and face by index; each fails with error 381 (invalid property
  // array index) outside the list.
  const QString& List(int index) const;
  QString ItemName(int index) const;
  QString ItemPath(int index) const;
  // The same as views of the entry's text, valid while the list is left unchanged.
  QStringView ItemNameView(int index) const;
  QStringView ItemPathView(int index) const;
  uint32_t ItemFace(int index) const;
  uint32_t ItemData(int index) const;
  // How many entries were added before this one.
  uint32_t ItemAddedAt(int index) const;
  // True when every entry has a rank and the ranks ascend in the list's order.
  bool RanksAscend() const;

 private:
  struct Item {
    QString text;
    int32_t pathLength;
    uint32_t face;
    uint32_t rank;
    uint32_t added;
    uint32_t data;
  };
  // The order of the list: ordinal comparison of the case-folded entry texts (so a blank sorts
  // before the separator's "|": "Sans Bold||…" before "Sans||…"); texts that fold alike are
  // ordered by their exact units, and equal texts by face, so the order never depends on the
  // order of arrival.
  static bool itemLess(const Item& a, const Item& b);
  const Item& at(int index) const;
  void sort() const;
  mutable std::vector<Item> items_;
  mutable bool sorted_ = true;
  bool ranked_ = true;  // every entry has a rank
};

// QStringView::compare without regard to case (same sign), faster on long common prefixes.
int compareIgnoringCase(QStringView a, QStringView b);

