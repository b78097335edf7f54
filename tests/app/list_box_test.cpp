// The sorted list: by name, then by path, without regard to case, stable for equal entries,
// whatever order the entries arrive in.
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
  // The order written out plainly with Qt's own comparisons: the name, then the path, both
  // without regard to case, then entries that differ in case only by their exact text; equal
  // entries keep their order.
  const auto plainLess = [](const QString& a, const QString& b) {
    const QString nameA = a.section(kEntrySeparator, 0, 0), nameB = b.section(kEntrySeparator, 0, 0);
    if (const int byName = nameA.compare(nameB, Qt::CaseInsensitive)) return byName < 0;
    const int byPath = a.section(kEntrySeparator, 1).compare(b.section(kEntrySeparator, 1), Qt::CaseInsensitive);
    return byPath != 0 ? byPath < 0 : a < b;
  };
  std::vector<QString> want = entries;
  std::stable_sort(want.begin(), want.end(), plainLess);
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

int sign(int v) { return (v > 0) - (v < 0); }

TEST(ListBoxTest, CaseFreeComparisonAgreesWithQtOnRandomText) {
  // Units chosen so that shared prefixes, case pairs, letters that fold outside ASCII and
  // surrogate pairs (whose low half folds together with the high one) all meet.
  const char16_t pool[] = {u'a', u'A', u'b', u'B', u'/', u' ', u'\u00C4', u'\u00E4', u'\u00DF', u'\u0130',
                           u'\u03A3', u'\u03C3', u'\u03C2', 0xD801, 0xDC00, 0xDC28, 0xD800, 0xDFFF, u'z'};
  std::mt19937 rng(2026);
  std::uniform_int_distribution<size_t> pick(0, std::size(pool) - 1);
  std::uniform_int_distribution<int> len(0, 6);
  const auto randomText = [&] {
    QString s;
    for (int k = len(rng); k > 0; --k) s.append(QChar(pool[pick(rng)]));
    return s;
  };
  for (int round = 0; round < 20000; ++round) {
    const QString prefix = round % 3 == 0 ? QString() : randomText();
    const QString a = prefix + randomText();
    const QString b = prefix + randomText();
    ASSERT_EQ(sign(compareIgnoringCase(a, b)), sign(QStringView(a).compare(QStringView(b), Qt::CaseInsensitive)))
        << qPrintable(a.toHtmlEscaped()) << " / " << qPrintable(b.toHtmlEscaped());
  }
}

TEST(ListBoxTest, CaseFreeComparisonFoldsAPairSplitAtTheFirstDifference) {
  // U+10400 and U+10428 are one letter in two cases: identical high halves, different low.
  const QString upper = QStringLiteral("x") + QString::fromUcs4(U"\U00010400");
  const QString lower = QStringLiteral("x") + QString::fromUcs4(U"\U00010428");
  EXPECT_EQ(compareIgnoringCase(upper, lower), 0);
  EXPECT_EQ(compareIgnoringCase(QStringLiteral("abc"), QStringLiteral("ABC")), 0);
  EXPECT_LT(compareIgnoringCase(QStringLiteral("ab"), QStringLiteral("ABC")), 0);
  EXPECT_GT(compareIgnoringCase(QStringLiteral("/f/B"), QStringLiteral("/f/a")), 0);
  EXPECT_EQ(compareIgnoringCase(QString(), QString()), 0);
}

}  // namespace
