// Which text a face shows: the choice on character maps made here, and on faces made with
// fontTools (cut from DejaVu Sans or built anew), whose expected answer follows from the
// character map as fontTools reads it.
#include "core/catalogue_entry.h"
#include "fontfile/shown_sample.h"
#include "fontfile/truetype_tables.h"
#include "platform/linux/file_system_linux.h"
#include "support/font_builder.h"
#include "support/memory_limit.h"
#include "support/private_fonts.h"
#include "support/temp_tree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

using namespace truetype;

namespace truetype {
inline void PrintTo(const CharacterMap::Range& r, std::ostream* os) {
  *os << std::hex << "U+" << uint32_t(r.first) << "..U+" << uint32_t(r.last) << std::dec;
}
void PrintTo(const ShownSample& s, std::ostream* os) {
  *os << "{\"" << s.text.toStdString() << "\", source " << int(s.source) << ", \"" << s.script.toStdString() << "\"}";
}
}  // namespace truetype

namespace {

CharacterMap mapOf(QStringView text, bool symbol = false) {
  std::vector<CharacterMap::Range> ranges;
  for (const char32_t c : text.toUcs4()) ranges.push_back({c, c});
  return CharacterMap(std::move(ranges), symbol);
}
CharacterMap mapOf(std::initializer_list<CharacterMap::Range> ranges, bool symbol = false) {
  return CharacterMap(ranges, symbol);
}

const QString kSample = kSampleText;  // "AaBbCc123"

// Every character drawn, blanks aside, is one the map holds, unless the face shows the sample
// text it holds nothing better than.
void expectDrawable(const CharacterMap& map, const ShownSample& shown) {
  if (shown.source == SampleSource::SampleText && !holdsText(map, shown.text)) return;
  EXPECT_TRUE(holdsText(map, shown.text)) << shown.text.toStdString();
}

}  // namespace

TEST(ShownSample, ChosenInOrderSampleOwnTextScriptFirstCharacters) {
  using S = SampleSource;
  const QString bold = QString::fromUcs4(U"\U0001D400\U0001D401");  // MATHEMATICAL BOLD CAPITAL A, B
  const struct {
    CharacterMap map;
    QString sample, own;
    ShownSample shown;
  } cases[] = {
      {mapOf(u"ABCabc123"), kSample, "Abc", {kSample, S::SampleText, {}}},
      // Blanks need no glyph; a sample of blanks only is held by any face, even without a cmap.
      {mapOf(u"AaBb"), " Aa\tBb\n", {}, {" Aa\tBb\n", S::SampleText, {}}},
      {CharacterMap(), " \u3000 ", {}, {" \u3000 ", S::SampleText, {}}},
      // Code points, not UTF-16 units: the halves of a pair are not the character.
      {mapOf(bold), bold, {}, {bold, S::SampleText, {}}},
      {mapOf({{0xD835, 0xD835}, {0xDC00, 0xDC01}}), bold, {}, {bold, S::SampleText, {}}},
      // Its own text, blanks made one; not when it lacks a character of it or is blank.
      {mapOf({{0x5D0, 0x5EA}}), kSample, "  שלום\n\tעולם ", {"שלום עולם", S::FontsOwnText, {}}},
      {mapOf({{0x5D0, 0x5EA}}), kSample, "שלום!", {"אבגד הוז", S::Script, "Hebrew"}},
      {mapOf({{0x5D0, 0x5EA}}), kSample, " \n ", {"אבגד הוז", S::Script, "Hebrew"}},
      // The first script of the table it holds: Latin, then Greek before Cyrillic, Kana before Han.
      {mapOf(u"AaBbCcDdΑαΒβΓγΔδ"), kSample, {}, {"Aa Bb Cc Dd", S::Script, "Latin"}},
      {mapOf(u"ΑαΒβΓγΔδАаБбВвГг"), kSample, {}, {"Αα Ββ Γγ Δδ", S::Script, "Greek"}},
      {mapOf(u"あいうアイウ永字八法"), kSample, {}, {"あいう アイウ", S::Script, "Kana"}},
      // Else letters first, up to ten, then digits and symbols; punctuation only without those.
      {mapOf({{0x21, 0x3F}, {0x16A0, 0x16F0}}), kSample, {}, {"ᚠᚡᚢᚣᚤᚥᚦᚧᚨᚩ", S::FirstCharacters, {}}},
      {mapOf({{0x21, 0x3F}, {0x16A0, 0x16A2}}), kSample, {}, {"ᚠᚡᚢ$+01234", S::FirstCharacters, {}}},
      {mapOf(u"!\"#%&"), kSample, {}, {"!\"#%&", S::FirstCharacters, {}}},
      {mapOf({{0x21, 0x21}, {0xE000, 0xE0FF}}), kSample, {}, {"!", S::FirstCharacters, {}}},
      // A symbol map as it stands, its blank and controls left out; nothing drawable: the sample.
      {mapOf({{0xF000, 0xF025}, {0xF07E, 0xF0A1}}, true), kSample, {},
       {"\uF021\uF022\uF023\uF024\uF025\uF07E\uF0A1", S::FirstCharacters, {}}},
      {mapOf({{0x00, 0x20}, {0x300, 0x36F}, {0x200B, 0x200F}, {0xFE00, 0xFE0F}, {0xFFFC, 0xFFFC}}), kSample, "Own",
       {kSample, S::SampleText, {}}},
  };
  for (const auto& c : cases) {
    const ShownSample shown = chooseSample(c.map, c.sample, c.own);
    if (c.shown.source == S::Script) EXPECT_EQ(shown.script, c.shown.script) << c.shown.script.toStdString();
    else EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(shown.source, c.shown.source) << c.shown.text.toStdString();
  }
  EXPECT_EQ(sampleNote({kSample, S::SampleText, {}}), QString());
  EXPECT_EQ(sampleNote({{}, S::Script, "Arabic"}), "Shows an Arabic sample: it lacks glyphs for the sample text");
  EXPECT_EQ(sampleNote({{}, S::FontsOwnText, {}}), "Shows the font's own sample text: it lacks glyphs for the sample text");
}

TEST(ShownSample, OnlyNameId19IsDecodedHoweverManyRecordsNameIt) {
  // 65,535 records of name ID 19, each naming the same 65,535 bytes (decoding all: 4 GiB), in a
  // face without the sample text's glyphs: read in a child limited to its size plus 64 MiB.
  FontBuilder builder;
  for (int j = 0; j < 0xFFFF; ++j) builder.rawNameRecord(3, 0x0409, 19, 0xFFFF, 0);
  QByteArray font = builder.table("cmap", cmapTable({{3, 1, cmapFormat4({{0x5D0, 0x5EA, 1, 0}, kCmapLastSegment})}}))
                        .build();
  // The strings start at the records: every record's 65,535 bytes are there.
  const qsizetype name = font.indexOf("name");
  putU16(font, static_cast<qsizetype>(readBe32(reinterpret_cast<const uint8_t*>(font.constData() + name + 8))) + 4, 6);
  expectWithinMemory(uint64_t{64} << 20, [&] {
    MemoryByteSource src(font.constData(), static_cast<size_t>(font.size()));
    const auto shown = readShownSample(src, 0, 0x0409, kSample);
    // Its own text is whatever those bytes decode to: not held, so the Hebrew sample.
    return shown && shown->source == SampleSource::Script && shown->script == "Hebrew";
  });
  // No table directory: nothing; a face without cmap or name: the sample text.
  MemoryByteSource none("\0\1\0\0\0\0", 6);
  EXPECT_FALSE(readShownSample(none, 0, 0x0409, kSample));
  const QByteArray bare = FontBuilder().withoutName().build();
  MemoryByteSource bareSource(bare.constData(), static_cast<size_t>(bare.size()));
  EXPECT_EQ(readShownSample(bareSource, 0, 0x0409, kSample), (ShownSample{kSample, SampleSource::SampleText, {}}));
}

namespace {

// The fontTools faces, made once for the suite, and fontTools' reading of every face.
struct ToolsFace {
  QString file;
  int face = 0;
  CharacterMap map;  // getBestCmap(), else the (3,0) subtable
  QString own;       // name ID 19, English
};

class FontToolsFaces : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    faces_ = new std::vector<ToolsFace>;
    tree_ = new TempTree;
    ASSERT_TRUE(tree_->valid() && tree_->folder("fonts"));
    const QString dir = tree_->q("fonts");
    const QString made = makeOpenTypeFonts({"samples", dir});
    ASSERT_TRUE(made.isEmpty()) << "fontTools (python3-fonttools) is needed: " << made.toStdString();
    QStringList files = QDir(dir).entryList({"*.ttf", "*.ttc"}, QDir::Files, QDir::Name);
    for (QString& f : files) f = dir + "/" + f;
    QProcess p;
    p.start("/usr/bin/python3", QStringList{TYPORAMA_SOURCE_DIR "/tests/support/opentype_fonts.py", "cmap"} + files);
    ASSERT_TRUE(p.waitForFinished(120000) && p.exitCode() == 0) << p.readAllStandardError().toStdString();
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
      if (line.isEmpty()) continue;
      const QJsonObject o = QJsonDocument::fromJson(line).object();
      std::vector<CharacterMap::Range> ranges;
      for (const QJsonValue r : o["ranges"].toArray())
        ranges.push_back({char32_t(r.toArray()[0].toInteger()), char32_t(r.toArray()[1].toInteger())});
      faces_->push_back({QFileInfo(o["path"].toString()).fileName(), o["face"].toInt(),
                         CharacterMap(std::move(ranges), o["symbol"].toBool()), o["own"].toString()});
    }
    ASSERT_EQ(faces_->size(), files.size() + 2);  // the collection holds three faces
  }
  static void TearDownTestSuite() {
    delete faces_;
    delete tree_;
  }
  static QString path(const QString& file) { return tree_->q("fonts/" + file.toStdString()); }
  static const ToolsFace& face(const QString& file, int index = 0) {
    for (const ToolsFace& f : *faces_)
      if (f.file == file && f.face == index) return f;
    ADD_FAILURE() << "no face " << file.toStdString();
    static const ToolsFace none;
    return none;
  }

  static TempTree* tree_;
  static std::vector<ToolsFace>* faces_;
  LinuxFileSystem disk;
};
TempTree* FontToolsFaces::tree_ = nullptr;
std::vector<ToolsFace>* FontToolsFaces::faces_ = nullptr;

}  // namespace

TEST_F(FontToolsFaces, TheCharacterMapIsFontToolsOwn) {
  for (const ToolsFace& f : *faces_) {
    SCOPED_TRACE(f.file.toStdString() + " face " + std::to_string(f.face));
    FileByteSource file;
    ASSERT_TRUE(file.open(disk, path(f.file)));
    const auto at = faceDirectoryOffset(file, uint32_t(f.face));
    ASSERT_TRUE(at);
    CharacterMap map;
    EXPECT_TRUE(readCharacterMap(file, *at, map));
    EXPECT_EQ(map.ranges(), f.map.ranges());
    EXPECT_EQ(map.symbol(), f.map.symbol());
    // What the file shows is drawn from fontTools' map (the program's choice, whole, is checked
    // against fontTools by tests/reference/sample_reference.py).
    const auto shown = loadShownSample(disk, path(f.file), uint32_t(f.face), 0x0409, kSample);
    ASSERT_TRUE(shown);
    expectDrawable(f.map, *shown);
  }
  // The face that maps B to glyph 0 in its format-4 subtable holds no B.
  EXPECT_FALSE(face("latin-notdef.ttf").map.has('B'));
  EXPECT_TRUE(face("latin-notdef.ttf").map.has('C'));
  // The face beyond the BMP is read from its format-12 subtable.
  FileByteSource wide;
  ASSERT_TRUE(wide.open(disk, path("han-wide.ttf")));
  CharacterMap map;
  ASSERT_TRUE(readCharacterMap(wide, 0, map));
  EXPECT_EQ(map.subtable(), (CharacterMap::Subtable{3, 10, 12}));
  EXPECT_TRUE(map.has(0x2000F) && map.has(0x1F600));
}

TEST_F(FontToolsFaces, ItsOwnTextInTheLocaleAsTheFullNameIsChosen) {
  const auto shown = [&](int32_t locale) { return *loadShownSample(disk, path("greek-own.ttf"), 0, locale, kSample); };
  EXPECT_EQ(shown(0x0409).text, "Καλημέρα κόσμε");
  EXPECT_EQ(shown(0x0408).text, "Γειά σου");
  // The German text has a check mark the face lacks: the Greek sample.
  EXPECT_EQ(shown(0x0407), (ShownSample{QString::fromUtf8("Αα Ββ Γγ Δδ"), SampleSource::Script, "Greek"}));
  // A locale the face has no record in: the last Microsoft record (English), as for the full name.
  EXPECT_EQ(shown(0x0411).text, "Καλημέρα κόσμε");
  // Faces and files that are not there.
  EXPECT_FALSE(loadShownSample(disk, path("three.ttc"), 3, 0x0409, kSample));
  EXPECT_FALSE(loadShownSample(disk, path("greek.ttf"), 1, 0x0409, kSample));
  EXPECT_FALSE(loadShownSample(disk, path("missing.ttf"), 0, 0x0409, kSample));
  EXPECT_FALSE(loadShownSample(disk, tree_->q("fonts"), 0, 0x0409, kSample));
}
