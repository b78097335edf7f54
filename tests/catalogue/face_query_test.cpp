// The property search's terms, and the details the cache keeps for it.
#include "catalogue/face_query.h"
#include "catalogue/kept_details.h"

#include <gtest/gtest.h>

using truetype::FaceDetails;

namespace {

// A monospaced, bold, variable CFF2 face covering Greek, with a licence and a vendor padded by blanks.
FaceDetails monoGreek() {
  FaceDetails d;
  d.outline = truetype::Outline::CFF2;
  d.spacing = truetype::Spacing::Mono;
  d.hasOs2 = true;
  d.weight = 700;
  d.width = 5;
  d.fsSelection = 0x20;
  d.fsType = 0x4 | 0x100;
  d.vendor = "AbC ";
  d.names[9] = QStringLiteral("Jane Designer");
  d.names[13] = QStringLiteral("Licensed under the SIL Open Font License");
  d.axes = {{"wght", 100 << 16, 400 << 16, 900 << 16}};
  d.scripts = {"DFLT", "grek", "latn"};
  d.features = {"kern", "liga", "ss01"};
  d.languages = {"el", "en"};
  d.fileSize = 3;  // as its file's identity has it below
  return d;
}

TEST(FaceQuery, EachTermHoldsWhereTheFaceIsWhatItNames) {
  const FaceDetails face = monoGreek();
  const struct {
    const char* expression;
    bool holds;
  } cases[] = {
      {"", true},
      {"mono", true},          {"!mono", false},           {"variable", true},
      {"bold", true},          {"italic", false},          {"!italic", true},
      {"cff", true},           {"weight>=700", true},      {"weight<=699", false},
      {"weight=700", true},    {"width=5", true},          {"width>=6", false},
      {"lang=el", true},       {"lang=EL", true},          {"lang=ru", false},
      {"script=grek", true},   {"script=cyrl", false},     {"feature=ss01", true},
      {"feature=smcp", false}, {"embedding=print", true},  {"embedding=installable", false},
      {"vendor=abc", true},    {"vendor=ABC  ", true},     {"vendor=AB", false},
      {"license~open font", true}, {"designer~JANE", true}, {"manufacturer~x", false},
      {"path~fonts/", true},   {"format~cff2", true},      {"spacing~mono", true},
      {"mono, lang=el ,bold", true}, {"mono,lang=ru", false},
  };
  for (const auto& c : cases) {
    QString error;
    const auto query = FaceQuery::parse(QString::fromUtf8(c.expression), &error);
    ASSERT_TRUE(query) << c.expression << ": " << error.toStdString();
    EXPECT_EQ(query->holds(face, u"/home/u/fonts/x.otf"), c.holds) << c.expression;
  }
  // Charcell counts as monospaced; without an OS/2 table no weight holds.
  FaceDetails charcell;
  charcell.spacing = truetype::Spacing::Charcell;
  EXPECT_TRUE(FaceQuery::parse(QStringLiteral("mono"))->holds(charcell));
  EXPECT_FALSE(FaceQuery::parse(QStringLiteral("weight<=1000"))->holds(charcell));
}

TEST(FaceQuery, ABadTermIsNamed) {
  for (const char* bad : {"monospace", "weight>700", "weight>=x", "lang=", "feature=toolong", "embedding=all",
                          "colour~red", "mono,,bold", "!", "designer~"}) {
    QString error;
    EXPECT_FALSE(FaceQuery::parse(QString::fromUtf8(bad), &error)) << bad;
    EXPECT_TRUE(error.contains(QString::fromUtf8(bad).split(u',').last()) || error.contains(u"\"\""))
        << bad << ": " << error.toStdString();
  }
}

TEST(KeptDetails, ComeBackAsWrittenOnlyWhileARecordHasTheirIdentity) {
  Records records;
  const Identity a{1, 2, 3, 4, 5, true}, b{1, 7, 3, 4, 5, true}, bChanged{1, 7, 3, 4, 6, true}, gone{1, 9, 3, 4, 5, true};
  records.files.push_back({QStringLiteral("/f/a.otf"), Record{a, 1, {}}});
  records.files.push_back({QStringLiteral("/f/b.ttf"), Record{bChanged, 1, {}}});
  FaceDetails plain;
  plain.fileSize = 3;
  DetailsByFace details;
  details.insert({a, 0}, monoGreek());
  details.insert({a, 1}, plain);
  details.insert({b, 0}, monoGreek());     // its file changed since
  details.insert({gone, 0}, monoGreek());  // no record: gone
  const std::string bytes = encodeDetails(details, records);
  const auto back = decodeDetails(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->size(), 2);
  EXPECT_EQ(back->value({a, 0}), monoGreek());
  EXPECT_EQ(back->value({a, 1}), plain);
  // Cut anywhere, the bytes give nothing rather than a part.
  for (size_t n = 0; n < bytes.size(); ++n)
    EXPECT_FALSE(decodeDetails(QByteArrayView(bytes.data(), qsizetype(n)))) << n;
}

}  // namespace
