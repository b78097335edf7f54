// The sorted list: ascending by the whole entry text without regard to case, whatever order the
// entries arrive in, each entry keeping its own name and file.
#include "core/list_box.h"
#include "core/runtime_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

std::vector<QString> contents(const ListBox& list) {
  std::vector<QString> out;
  for (int i = 0; i < list.ListCount(); ++i) out.push_back(list.List(i));
  return out;
}

TEST(ListBoxTest, OrdersTheWholeEntryTextIgnoringCase) {
  ListBox list;
  list.AddItem("beta", "/f/1.ttf");
  list.AddItem("Arial", "/f/9.ttf");
  list.AddItem("Arial Bold", "/f/2.ttf");
  list.AddItem("arial", "/f/3.ttf");
  list.AddItem("Same", "/f/z/x.ttf");
  list.AddItem("Same", "/f/y.ttf");
  // A blank (0x20) comes before the separator's "|" (0x7C); equal names follow their paths.
  const std::vector<QString> want = {"Arial Bold||MySeparator123||/f/2.ttf", "arial||MySeparator123||/f/3.ttf",
                                     "Arial||MySeparator123||/f/9.ttf", "beta||MySeparator123||/f/1.ttf",
                                     "Same||MySeparator123||/f/y.ttf", "Same||MySeparator123||/f/z/x.ttf"};
  EXPECT_EQ(contents(list), want);
  try {
    list.List(6);
    FAIL() << "no error past the end";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number, 381);
  }
}

TEST(ListBoxTest, ManyShuffledEntriesComeOutInCaseFoldedOrder) {
  std::vector<std::pair<QString, QString>> entries;
  const char* names[] = {"Noto Sans", "noto sans", "Noto Sans Bold", "DejaVu Sans", "", "Z", "z", "\u00C4", "a|b"};
  for (int copy = 0; copy < 40; ++copy)
    for (const char* n : names)
      entries.push_back({QString::fromUtf8(n), QStringLiteral("/c%1/%2.ttf").arg(copy % 7).arg(n)});
  std::mt19937 rng(12345);
  std::shuffle(entries.begin(), entries.end(), rng);

  ListBox list;
  for (const auto& [name, path] : entries) list.AddItem(name, path);
  // Qt's folding of the whole text, compared unit by unit, then the exact text.
  std::vector<QString> want;
  for (const auto& [name, path] : entries) want.push_back(name + "||MySeparator123||" + path);
  std::sort(want.begin(), want.end(), [](const QString& a, const QString& b) {
    const QString fa = a.toCaseFolded(), fb = b.toCaseFolded();
    return fa != fb ? fa < fb : a < b;
  });
  EXPECT_EQ(contents(list), want);
}

TEST(ListBoxTest, NameAndPathStayApartFromTheText) {
  // A name or a folder that holds the separator must not move the boundary between them.
  ListBox list;
  const QString forged = "Nice Font||MySeparator123||/home/u/thesis.ttf";
  const QString folder = "/f/a||MySeparator123||b/x.ttf";
  list.AddItem(forged, "/f/nice.ttf");
  list.AddItem("Plain", folder);
  EXPECT_EQ(list.ItemName(0), forged);
  EXPECT_EQ(list.ItemPath(0), "/f/nice.ttf");
  EXPECT_EQ(list.ItemName(1), "Plain");
  EXPECT_EQ(list.ItemPath(1), folder);
}

TEST(ListBoxTest, EntriesAddedAfterReadingAreSortedIn) {
  ListBox list;
  list.AddItem("M", "/m.ttf");
  list.AddItem("C", "/c.ttf");
  EXPECT_EQ(list.ItemPath(0), "/c.ttf");
  list.AddItem("A", "/a.ttf");
  EXPECT_EQ(list.ItemPath(0), "/a.ttf");
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
    // Long shared prefixes too: the comparison skips those in blocks of sixteen units.
    const QString prefix = round % 3 == 0 ? QString() : round % 3 == 1 ? randomText() : randomText().repeated(9);
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
