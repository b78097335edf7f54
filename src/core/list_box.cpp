#include "core/list_box.h"

#include "core/catalogue_entry.h"
#include "core/runtime_error.h"

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
  // Sixteen units at a time while they agree, then four, then one at a time to the first
  // difference.
  while (m + 16 <= n && std::memcmp(pa + m, pb + m, 32) == 0) m += 16;
  for (uint64_t x, y; m + 4 <= n; m += 4) {
    std::memcpy(&x, pa + m, sizeof x);
    std::memcpy(&y, pb + m, sizeof y);
    if (x != y) break;
  }
  while (m < n && pa[m] == pb[m]) ++m;
  if (m == a.size() && m == b.size()) return 0;
  // Two ASCII letters that differ even when lowered decide at once (a sort makes hundreds of
  // thousands of comparisons, nearly all of them decided so).
  if (m < n && pa[m] < 0x80 && pb[m] < 0x80) {
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? c + 32 : int{c}; };
    if (const int d = lower(pa[m]) - lower(pb[m]); d != 0) return d;
  }
  // A low surrogate is folded together with the high one before it: start at the pair.
  if (m > 0 && QChar::isHighSurrogate(pa[m - 1])) --m;
  return a.sliced(m).compare(b.sliced(m), Qt::CaseInsensitive);
}

void ListBox::Clear() {
  items_.clear();
  sorted_ = true;
  ranked_ = true;
}

void ListBox::AddItem(const QString& fullName, const QString& path, uint32_t face, uint32_t rank, uint32_t data) {
  Item item{makeCatalogueEntry(fullName, path), static_cast<int32_t>(path.size()), face, rank,
            static_cast<uint32_t>(items_.size()), data};
  ranked_ = ranked_ && rank != kNoRank;
  if (sorted_ && !items_.empty() && itemLess(item, items_.back())) sorted_ = false;
  items_.push_back(std::move(item));
}

bool ListBox::itemLess(const Item& a, const Item& b) {
  if (const int c = compareIgnoringCase(a.text, b.text); c != 0) return c < 0;
  if (const int c = QString::compare(a.text, b.text); c != 0) return c < 0;
  return a.face < b.face;
}

void ListBox::sort() const {
  if (sorted_) return;
  // The ranks give the order at the cost of a sort of numbers; one look at each neighbour then
  // proves it (the order of the texts is a total one, so a proven order is the only one).
  bool proven = false;
  if (ranked_) {
    // A whole list of the same files again ranks 0 to n-1: each entry goes straight to its place.
    const size_t n = items_.size();
    std::vector<uint32_t> at(n, kNoRank);
    bool dense = true;
    for (size_t k = 0; k < n && dense; ++k) {
      const uint32_t rank = items_[k].rank;
      dense = rank < n && at[rank] == kNoRank;
      if (dense) at[rank] = static_cast<uint32_t>(k);
    }
    if (dense) {
      std::vector<Item> placed;
      placed.reserve(n);
      for (const uint32_t k : at) placed.push_back(std::move(items_[k]));
      items_.swap(placed);
    } else {
      std::sort(items_.begin(), items_.end(), [](const Item& a, const Item& b) { return a.rank < b.rank; });
    }
    proven = std::is_sorted(items_.begin(), items_.end(), itemLess);
  }
  if (!proven) std::sort(items_.begin(), items_.end(), itemLess);
  sorted_ = true;
}

bool ListBox::RanksAscend() const {
  sort();
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].rank == kNoRank || (i > 0 && items_[i].rank <= items_[i - 1].rank)) return false;
  return true;
}

const ListBox::Item& ListBox::at(int index) const {
  if (index < 0 || index >= ListCount())
    throw errors::invalidPropertyArrayIndex();
  sort();
  return items_[static_cast<size_t>(index)];
}

const QString& ListBox::List(int index) const { return at(index).text; }

QString ListBox::ItemName(int index) const {
  const Item& item = at(index);
  return item.text.left(item.text.size() - item.pathLength - kEntrySeparator.size());
}

QString ListBox::ItemPath(int index) const {
  const Item& item = at(index);
  return item.text.right(item.pathLength);
}

QStringView ListBox::ItemNameView(int index) const {
  const Item& item = at(index);
  return QStringView(item.text).first(item.text.size() - item.pathLength - kEntrySeparator.size());
}

QStringView ListBox::ItemPathView(int index) const {
  const Item& item = at(index);
  return QStringView(item.text).last(item.pathLength);
}

uint32_t ListBox::ItemFace(int index) const { return at(index).face; }

uint32_t ListBox::ItemData(int index) const { return at(index).data; }

uint32_t ListBox::ItemAddedAt(int index) const { return at(index).added; }
