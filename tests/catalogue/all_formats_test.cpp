// "Show OpenType and collection files": the catalogue, its grid and the commands over OpenType
// (CFF) files and collections that fontTools made, beside a TrueType file and forged files.
#include "app/user_settings.h"
#include "catalogue/catalogue_fill.h"
#include "fontfile/preview_pins.h"
#include "ops/ops_commands.h"
#include "support/font_folder_fixture.h"

#include <QProcess>

namespace {

struct AllFormatsTest : FontFolderTest {
  void SetUp() override {
    FontFolderTest::SetUp();
    if (dejaVu("DejaVuSans.ttf").isEmpty()) GTEST_SKIP() << "DejaVu fonts are not installed";
    ASSERT_TRUE(tree.folder("fonts/b") && tree.folder("fonts/c"));
    place("DejaVuSans.ttf", "fonts/DejaVuSans.ttf");
    const QString d = kDejaVu;
    make({"font", "fonts/b/cff.otf", "cff:" + d + "DejaVuSans-Bold.ttf", "Quillon Otf", "Bold", "Quillon Otf Bold"});
    make({"collection", "fonts/c/pair.ttc", d + "DejaVuSerif.ttf", "Quillon Pair", "Regular", "Quillon Pair",
          d + "DejaVuSans-Bold.ttf", "Quillon Pair", "Bold", "Quillon Pair Bold"});
    make({"collection", "fonts/c/cff.OTC", "cff:" + d + "DejaVuSansMono.ttf", "Quillon Otc", "Regular",
          "Quillon Otc", "cff:" + d + "DejaVuSerif.ttf", "Quillon Otc", "Regular", "Quillon Otc"});
    // A collection whose second face lies past the end, and a file that is no font at all.
    const QByteArray good = FontBuilder().name(3, 0x409, 4, u"Forged Good").build();
    QByteArray forged = fontCollection({good, good});
    putU32(forged, 16, 0xFFFFFF00);
    writeText("fonts/forged.ttc", forged);
    writeText("fonts/notes.otf", "no font");
  }
  void TearDown() override { saveFontFormats(FontFormats::TrueType); }

  void make(const QStringList& args) {
    QStringList full = args;
    full[1] = tree.q(args[1].toStdString());
    QProcess p;
    p.start("/usr/bin/python3", QStringList{TYPORAMA_SOURCE_DIR "/tests/support/opentype_fonts.py"} + full);
    ASSERT_TRUE(p.waitForFinished(60000) && p.exitCode() == 0) << p.readAllStandardError().toStdString();
  }
  // Each row as name, file (below fonts/), face, bold and the number of faces in its file.
  std::string rows() {
    QStringList out;
    for (int r = 0; r < form.List1.ListCount(); ++r) {
      const FontFace face{form.List1.ItemPath(r), form.List1.ItemFace(r)};
      const FontFacts facts = form.catalogueFacts().value(face);
      EXPECT_EQ(form.MSFlexGrid1->cellFontFile(r, 2), face.path);
      EXPECT_EQ(form.MSFlexGrid1->cellFontFace(r, 2), face.index);
      out << QStringLiteral("%1 %2#%3 %4/%5")
                 .arg(form.List1.ItemName(r), face.path.mid(fontsFolder.size()))
                 .arg(face.index)
                 .arg(facts.bold)
                 .arg(facts.faces);
    }
    return out.join('\n').toStdString();
  }
};

TEST_F(AllFormatsTest, TheOptionAddsEveryFaceAndIsKeptBetweenRuns) {
  refill();
  EXPECT_EQ(rows(), "DejaVu Sans DejaVuSans.ttf#0 0/1") << "without the option, .ttf files only";

  form.setFontFormats(FontFormats::All);
  EXPECT_EQ(rows(), "DejaVu Sans DejaVuSans.ttf#0 0/1\nForged Good forged.ttc#0 0/2\n"
                    "Quillon Otc c/cff.OTC#0 0/2\nQuillon Otc c/cff.OTC#1 0/2\nQuillon Otf Bold b/cff.otf#0 1/1\n"
                    "Quillon Pair Bold c/pair.ttc#1 1/2\nQuillon Pair c/pair.ttc#0 0/2");
  // The forged face and the file that is no font are reported as a .ttf file without names is.
  ASSERT_EQ(app.prompts.boxes.size(), 4u);
  for (size_t i = 0; i < 4; ++i)
    expectTrap(app.prompts.boxes[i], "LoadFonts", i % 2 ? 114 : 110, "Subscript out of range");

  // A new window (a new run) finds the choice, and takes it back as the user did.
  auto second = std::make_unique<Form1>(app.services);
  EXPECT_EQ(second->fontFormats(), FontFormats::All);
  form.setFontFormats(FontFormats::TrueType);
  EXPECT_EQ(form.List1.ListCount(), 1);
  EXPECT_EQ(std::make_unique<Form1>(app.services)->fontFormats(), FontFormats::TrueType);
}

TEST_F(AllFormatsTest, ReadingAheadGivesWhatReadingEachFaceInTurnGives) {
  const auto fill = [&](bool readAhead) {
    ErrorTrap trap(app.prompts, "Form1.LoadFonts");
    ListBox list;
    FactsByFace facts;
    PreviewPins pins(app.fonts);
    collectCatalogue(form.services(), trap, list, "", FontFormats::All, facts, pins, {}, readAhead);
    QStringList out;
    for (int i = 0; i < list.ListCount(); ++i) {
      const FontFacts f = facts.value({list.ItemPath(i), list.ItemFace(i)});
      out << list.List(i) + QStringLiteral("#%1 %2%3 %4 %5").arg(list.ItemFace(i)).arg(f.bold).arg(f.italic).arg(f.faces).arg(f.family);
    }
    return out.join('\n').toStdString();
  };
  const std::string inTurn = fill(false);
  EXPECT_EQ(std::count(inTurn.begin(), inTurn.end(), '\n'), 6);
  EXPECT_EQ(fill(true), inTurn);
}

TEST_F(AllFormatsTest, CommandsTakeEveryFormatAndRemovingAFaceRemovesItsFile) {
  form.setFontFormats(FontFormats::All);
  app.prompts.boxes.clear();
  form.PushButton3_Click();  // cancelled
  ASSERT_EQ(app.prompts.openRequests.size(), 1u);
  EXPECT_EQ(app.prompts.openRequests[0].filter, "Font Files (*.ttf *.otf *.ttc *.otc)|*.ttf;*.otf;*.ttc;*.otc");

  const QString dropped = tree.q("fonts/c/pair.ttc").replace("fonts/c/", "");
  ASSERT_TRUE(QFile::copy(tree.q("fonts/c/pair.ttc"), dropped));
  form.MSFlexGrid1->setRow(5);  // "Quillon Pair Bold", the second face of pair.ttc
  app.prompts.answers = {MsgResult::No};
  form.PushButton4_Click();
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  EXPECT_EQ(app.prompts.boxes[0].text.toStdString(),
            "Are you sure you want to remove Quillon Pair Bold?\r\n\r\nIts file holds 2 fonts, and all 2 will be removed.");
  app.prompts.boxes.clear();
  form.PushButton4_Click();
  EXPECT_EQ(app.fonts.unregisters, QStringList{"pair.ttc"});
  EXPECT_FALSE(exists(tree.q("fonts/c/pair.ttc")));
  EXPECT_EQ(form.List1.ListCount(), 5) << "both faces went with the file";

  // A collection dropped on the window is installed with the option only.
  app.prompts.boxes.clear();
  ops::installDroppedFonts(form, {dropped});
  EXPECT_EQ(app.prompts.boxes.at(0).text, "Done.");
  EXPECT_EQ(form.List1.ListCount(), 7);
  form.setFontFormats(FontFormats::TrueType);
  app.prompts.boxes.clear();
  ops::installDroppedFonts(form, {dropped});
  EXPECT_TRUE(app.prompts.boxes.at(0).text.contains("the catalogue lists only .ttf files"));
}

}  // namespace
