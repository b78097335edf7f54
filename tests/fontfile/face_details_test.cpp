// The details reader on files built byte by byte: tables cut short, forged counts and offsets,
// and what the text and JSON make of every kind of value.
#include "fontfile/details_text.h"
#include "fontfile/face_details.h"
#include "fontfile/truetype_tables.h"
#include "platform/path_codec.h"
#include "support/font_builder.h"

#include <QProcess>
#include <fstream>
#include <functional>
#include "support/memory_limit.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace truetype;

namespace {

std::optional<FaceDetails> details(const QByteArray& font, int32_t locale = 0x0409) {
  MemoryByteSource src(font.constData(), static_cast<size_t>(font.size()));
  FaceDetails d;
  if (!readFaceDetails(src, 0, locale, d)) return std::nullopt;
  return d;
}

// A head of the given length (its magic at 12), as the only table.
QByteArray withHead(qsizetype length) {
  QByteArray head(54, '\0');
  putU32(head, 12, kHeadMagicNumber);
  putU16(head, 18, 1000);
  return FontBuilder().withoutHead().table("head", head.left(length)).build();
}

}  // namespace

TEST(FaceDetails, ATableCutShortIsLeftOutWhole) {
  EXPECT_FALSE(details(withHead(15)));  // no magic: no usable face
  EXPECT_FALSE(details(FontBuilder().magic(0).build()));
  EXPECT_FALSE(details(FontBuilder().withoutHead().build()));
  EXPECT_FALSE(details(withHead(16))->hasHead);
  EXPECT_FALSE(details(withHead(53))->hasHead);
  EXPECT_EQ(details(withHead(54))->unitsPerEm, 1000);
  // Each table just shorter than its fixed part, then just long enough (bytes 1..n).
  const struct {
    const char* tag;
    int bytes;
    std::function<bool(const FaceDetails&)> has;
  } cases[] = {
      {"OS/2", 78, [](const FaceDetails& d) { return d.hasOs2 && d.vendor == ";<=>" && d.fsType == 0x090A; }},
      {"post", 32, [](const FaceDetails& d) { return d.hasPost && d.italicAngle == 0x05060708; }},
      {"maxp", 6, [](const FaceDetails& d) { return d.hasMaxp && d.glyphs == 0x0506; }},
  };
  for (const auto& c : cases) {
    QByteArray data;
    for (int k = 1; k <= c.bytes; ++k) data += static_cast<char>(k);
    EXPECT_TRUE(c.has(*details(FontBuilder().table(c.tag, data).build()))) << c.tag;
    EXPECT_FALSE(c.has(*details(FontBuilder().table(c.tag, data.chopped(1)).build()))) << c.tag;
    // The directory's length is all there, the file is not (the table last, padded to 4 bytes).
    const QByteArray whole = FontBuilder().table(c.tag, data).build();
    EXPECT_FALSE(c.has(*details(whole.chopped((4 - c.bytes % 4) % 4 + 1)))) << c.tag;
  }
}

TEST(FaceDetails, OutlineFormatWhenAFaceHoldsSeveral) {
  EXPECT_EQ(details(FontBuilder().build())->outline, Outline::None);
  EXPECT_EQ(details(FontBuilder().table("glyf", "0000").table("CFF ", "0000").build())->outline, Outline::CFF);
  EXPECT_EQ(details(FontBuilder().table("CFF2", "0000").table("CFF ", "0000").build())->outline, Outline::CFF2);
}

TEST(FaceDetails, AxesAndInstancesAsFarAsTheTableHoldsThem) {
  const QList<FvarAxis> axes{{"wght", 100 << 16, 400 << 16, 900 << 16}, {"slnt", -(12 << 16) - 0x4000, 0, 0}};
  const auto font = [](const QByteArray& fvar) {
    return FontBuilder().name(3, 0x409, 256, u"Thin").name(3, 0x407, 300, u"Fett").name(3, 0x409, 300, u"Bold")
        .name(3, 0x409, 32767, u"Last").table("fvar", fvar).build();
  };
  const QByteArray plain = fvarTable(axes, {256, 300, 32767, 400});
  const auto d = details(font(plain));
  EXPECT_EQ(d->axes, (QList<VariationAxis>{{"wght", 100 << 16, 400 << 16, 900 << 16}, {"slnt", -(12 << 16) - 0x4000, 0, 0}}));
  EXPECT_EQ(d->instances, (QStringList{"Thin", "Bold", "Last", ""}));
  EXPECT_EQ(details(font(plain), 0x0407)->instances, (QStringList{"Thin", "Fett", "Last", ""}));
  // Larger records (a postScriptNameID, a longer axis) are stepped over by their sizes.
  EXPECT_EQ(details(font(fvarTable(axes, {300}, 24, 14)))->instances, QStringList{"Bold"});
  EXPECT_EQ(details(font(fvarTable(axes, {300}, 24, 14)))->axes.size(), 2);

  const auto patched = [&](qsizetype at, uint16_t value, qsizetype length = -1) {
    QByteArray t = length < 0 ? plain : plain.left(length);
    putU16(t, at, value);
    return details(font(t));
  };
  // Forged counts: only what lies in the table is read.
  EXPECT_EQ(patched(12, 0xFFFF)->instances.size(), 4);
  EXPECT_EQ(patched(12, 0xFFFF, plain.size() - 12)->instances.size(), 3);
  EXPECT_EQ(patched(8, 0xFFFF)->axes.size(), 0);  // instances too small for so many axes
  EXPECT_EQ(patched(8, 1)->axes.size(), 1);
  // Record sizes that cannot hold what they must, another version, data past the end.
  for (const auto& [at, value] : {std::pair{10, 19}, {14, 11}, {0, 2}, {4, 0xFFF0}}) {
    const auto forged = patched(at, static_cast<uint16_t>(value));
    EXPECT_TRUE(forged->axes.isEmpty() && forged->instances.isEmpty()) << at;
  }
}

TEST(FaceDetails, ScriptsAndFeaturesOfBothTablesSortedOnce) {
  const auto d = details(FontBuilder().table("GSUB", layoutTable({"latn", "DFLT"}, {"liga", "smcp"}))
                             .table("GPOS", layoutTable({"latn", "cyrl"}, {"kern", "liga"})).build());
  EXPECT_EQ(d->scripts, (QList<QByteArray>{"DFLT", "cyrl", "latn"}));
  EXPECT_EQ(d->features, (QList<QByteArray>{"kern", "liga", "smcp"}));

  const QByteArray gsub = layoutTable({"latn", "grek"}, {"liga"});
  const auto forged = [&](qsizetype at, uint16_t value) {
    QByteArray t = gsub;
    putU16(t, at, value);
    return *details(FontBuilder().table("GSUB", t).build());
  };
  EXPECT_EQ(forged(10, 0xFFFF).scripts.size(), (gsub.size() - 12) / 6);  // count: the records the table holds
  EXPECT_EQ(forged(4, 0xFFF0).scripts, QList<QByteArray>{});                    // list past the end
  EXPECT_EQ(forged(4, 0).scripts, QList<QByteArray>{});                         // no list
  EXPECT_EQ(forged(4, static_cast<uint16_t>(gsub.size() - 1)).scripts, QList<QByteArray>{});  // count cut
  EXPECT_EQ(forged(6, 0xFFF0).features, QList<QByteArray>{});
  EXPECT_EQ(forged(6, 0xFFF0).scripts.size(), 2);
}

TEST(FaceDetails, ThousandsOfInstancesNamingOneLongStringStaySmall) {
  // 65,535 instances, each with a name ID of its own whose record names the same 65,535 bytes:
  // decoding them all would take 4 GiB. Read in a child limited to its size plus 256 MiB.
  FontBuilder builder;
  QList<uint16_t> ids;
  for (int j = 0; j < 0xFFFF; ++j) {
    ids << static_cast<uint16_t>(256 + j);
    builder.rawNameRecord(3, 0x0409, ids.back(), 0xFFFF, 0);
  }
  QByteArray font = builder.table("fvar", fvarTable({}, ids)).build();
  const qsizetype name = font.indexOf("name");
  putU16(font, static_cast<qsizetype>(readBe32(reinterpret_cast<const uint8_t*>(font.constData() + name + 8))) + 4, 6);
  expectWithinMemory(uint64_t{256} << 20, [&] {
    const auto d = details(font);
    return d && d->instances.size() == 0xFFFF && d->instances[0].size() == 32767;
  });
}

// Permissions and the dates at the edges of the years shown: see face_details_reference_test.
TEST(DetailsText, NumbersRoundHalvesToEvenAndDatesKeepLeapDays) {
  FaceDetails d;
  d.hasHead = d.hasPost = true;
  const auto field = [&](const char* key) {
    for (const DetailField& f : detailFields(d, "/f.ttf", 0))
      if (f.key == QLatin1String(key)) return f.value;
    return QStringLiteral("(none)");
  };
  const std::pair<int32_t, const char*> fixed[] = {{0x1000, "0.062"}, {-0x1000, "-0.062"}, {0x3000, "0.188"},
      {1, "0"}, {-1, "0"}, {0x7FFFFFFF, "32768"}, {0x10000 / 3, "0.333"}};
  for (const auto& [value, text] : fixed) {
    d.italicAngle = value;
    EXPECT_EQ(field("italicAngle"), text) << value;
  }
  const std::pair<int64_t, const char*> dates[] = {
      {86400LL * 59, "1904-02-29T00:00:00Z"}, {INT64_MAX, "(none)"}, {INT64_MIN, "(none)"}};
  for (const auto& [value, text] : dates) {
    d.created = value;
    EXPECT_EQ(field("created"), text) << value;
  }
}

TEST(DetailsText, LabelledLinesAndOneValidJsonObject) {
  FaceDetails d;
  d.names[4] = QString::fromUtf16(u"Quote \" back\\slash\nnew\x01line \xD83D\xDE00 lone \xDC80");
  d.axes = {{"wght", 100 << 16, 400 << 16, 900 << 16}};
  d.languages = {"de", "en"};
  const QString path = pathFromBytes("/f/caf\xe9\t.ttf");
  EXPECT_EQ(detailsText(detailFields(d, path, 2)),
            QString::fromUtf16(u"Path: /f/caf\xDCE9\\t.ttf\nFace: 2\n"
                               u"Full name: Quote \" back\\\\slash\\nnew\\x01line \xD83D\xDE00 lone \xDC80\n"
                               u"Variation axes: wght 100..900 default 400\nLanguages: de, en\n"
                               u"Spacing: proportional\nFile size: 0\n"));
  const std::string json = detailsJson(d, path, 2, 7);
  EXPECT_EQ(json.find('\n'), std::string::npos);
  EXPECT_EQ(json.rfind("{\"number\":7,\"path\":", 0), 0u);
  // Python's json reads it back, the path's bytes through os.fsencode.
  QProcess python;
  python.start("/usr/bin/python3", {"-c", "import json, os, sys\n"
                                          "d = json.loads(sys.stdin.buffer.read())\n"
                                          "sys.stdout.buffer.write(os.fsencode(d['path']) + b'|' + "
                                          "d['fullName'].encode('utf-8', 'surrogatepass') + b'|' + json.dumps("
                                          "[d['face'], d['axes'], d['languages'], d['spacing'], sorted(d)]).encode())"});
  python.write(QByteArray::fromStdString(json));
  python.closeWriteChannel();
  ASSERT_TRUE(python.waitForFinished(30000));
  EXPECT_EQ(python.readAllStandardOutput(),
            QByteArray("/f/caf\xe9\t.ttf|Quote \" back\\slash\nnew\x01line \xF0\x9F\x98\x80 lone \xED\xB2\x80|"
                       "[2, [{\"tag\": \"wght\", \"min\": 100, \"default\": 400, \"max\": 900}], [\"de\", \"en\"], "
                       "\"proportional\", [\"axes\", \"face\", \"features\", \"fileSize\", \"fullName\", \"instances\", "
                       "\"languages\", \"number\", \"path\", \"scripts\", \"spacing\"]]"))
      << python.readAllStandardError().toStdString() << json;
}
