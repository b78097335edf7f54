// The sorted list: its order must be exactly that of catalogueEntryLess, stable for equal
// entries, whatever order the entries arrive in.
#include "app/catalogue_entry.h"
#include "app/list_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

std::vector<QString> contents(const ListBox& list) {
  std::vector<QString> out;
  for (int i = 0; i < list.ListCount(); ++i) out.push_back(list.List(i));
  return out;
}

TEST(ListBoxTest, OrdersByNameThenPathIgnoringCase) {
  ListBox list;
  list.AddItem(makeCatalogueEntry("b", "/f/2.ttf"));
  list.AddItem(makeCatalogueEntry("B", "/f/1.ttf"));
  list.AddItem(makeCatalogueEntry("a b", "/f/3.ttf"));
  list.AddItem(makeCatalogueEntry("A", "/f/4.ttf"));
  const std::vector<QString> want = {makeCatalogueEntry("A", "/f/4.ttf"), makeCatalogueEntry("a b", "/f/3.ttf"),
                                     makeCatalogueEntry("B", "/f/1.ttf"), makeCatalogueEntry("b", "/f/2.ttf")};
  EXPECT_EQ(contents(list), want);
}

TEST(ListBoxTest, MatchesTheComparisonOnManyShuffledEntries) {
  std::vector<QString> entries;
  const char* names[] = {"Noto Sans", "noto sans", "Noto Sans Bold", "DejaVu Sans", "", "Z", "z", "Ä"};
  for (int copy = 0; copy < 40; ++copy)
    for (const char* n : names)
      entries.push_back(makeCatalogueEntry(QString::fromUtf8(n), QStringLiteral("/c%1/%2.ttf").arg(copy % 7).arg(n)));
  entries.push_back(QStringLiteral("no separator at all"));
  entries.push_back(QStringLiteral("No Separator At All"));
  std::mt19937 rng(12345);
  std::shuffle(entries.begin(), entries.end(), rng);

  ListBox list;
  for (const QString& e : entries) list.AddItem(e);
  std::vector<QString> want = entries;
  std::stable_sort(want.begin(), want.end(), catalogueEntryLess);
  EXPECT_EQ(contents(list), want);
}

TEST(ListBoxTest, EntriesAddedAfterReadingAreSortedIn) {
  ListBox list;
  list.AddItem(makeCatalogueEntry("M", "/m.ttf"));
  list.AddItem(makeCatalogueEntry("C", "/c.ttf"));
  EXPECT_EQ(list.List(0), makeCatalogueEntry("C", "/c.ttf"));
  list.AddItem(makeCatalogueEntry("A", "/a.ttf"));
  EXPECT_EQ(list.List(0), makeCatalogueEntry("A", "/a.ttf"));
  EXPECT_EQ(list.ListCount(), 3);
  list.Clear();
  EXPECT_EQ(list.ListCount(), 0);
}

}  // namespace
