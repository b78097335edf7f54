// Catalogue entries: the split must give exactly the parts QString::split gives.
#include "app/catalogue_entry.h"

#include <gtest/gtest.h>

#include <random>

namespace {

TEST(CatalogueEntry, SplitsLikeQStringSplit) {
  EXPECT_EQ(splitCatalogueEntry(makeCatalogueEntry("Arial Bold", "/f/a.ttf")),
            QStringList({"Arial Bold", "/f/a.ttf"}));
  EXPECT_EQ(splitCatalogueEntry(""), QStringList({""}));
  EXPECT_EQ(splitCatalogueEntry(kEntrySeparator), QStringList({"", ""}));
  EXPECT_EQ(splitCatalogueEntry("no separator"), QStringList({"no separator"}));
  EXPECT_EQ(splitCatalogueEntry("a||MySeparator123||b||MySeparator123||c"), QStringList({"a", "b", "c"}));
  // Pieces of the separator, overlapping starts and runs of bars.
  std::mt19937 rng(5);
  const QString pieces[] = {kEntrySeparator, "||", "|", "||My", "Separator123||", "x", "\u00E9", "",
                            "||MySeparator123|", "|||MySeparator123||"};
  std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
  std::uniform_int_distribution<int> count(0, 8);
  for (int round = 0; round < 5000; ++round) {
    QString entry;
    for (int k = count(rng); k > 0; --k) entry += pieces[pick(rng)];
    ASSERT_EQ(splitCatalogueEntry(entry), entry.split(kEntrySeparator)) << qPrintable(entry);
  }
}

}  // namespace
