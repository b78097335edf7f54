// Add Font through its button: the dialog, the copy into the fonts folder, the outcome boxes.
#include "ops/font_operations.h"
#include "support/font_folder_fixture.h"
#include "core/runtime_error.h"

namespace {

using AddFontTest = FontCommandTest;

TEST_F(AddFontTest, DialogAsksForOneTtfFileAndCancelChangesNothing) {
  // An export leaves these flags, multiple selection among them.
  form.CommonDialog1.Flags = 2621953;
  form.CommonDialog1.FileName = "/old/name.xls";
  form.PushButton3_Click();

  ASSERT_EQ(app.prompts.openRequests.size(), 1u);
  const FileDialogRequest& r = app.prompts.openRequests[0];
  EXPECT_EQ(r.fileName, "");
  EXPECT_EQ(r.title, "Select Font To Add");
  EXPECT_EQ(r.filter, "Font Files (*.ttf)|*.ttf");
  EXPECT_EQ(r.flags, 2621953 & ~ofn::AllowMultiSelect);
  EXPECT_TRUE(app.prompts.boxes.empty());
  EXPECT_TRUE(app.fonts.registers.isEmpty());
  EXPECT_FALSE(exists(fontsFolder)) << "cancel must not even create the fonts folder";
  EXPECT_EQ(form.PushButton1->Value(), 0);
  // The control keeps what the command set, as later commands see it.
  EXPECT_EQ(form.CommonDialog1.DialogTitle(), "Select Font To Add");
}

TEST_F(AddFontTest, CopiesUnderItsOwnNameIntoNewFontsFolderAndReloadsWithFilter) {
  const QString chosen = place("DejaVuSerif.ttf", "Downloads/My Font.ttf");
  place("DejaVuSans.ttf", "fonts/DejaVuSans.ttf");
  form.Text1->setText("serif");
  refill();
  EXPECT_TRUE(gridNames().isEmpty());

  app.prompts.openResults.push_back(chosen);
  form.PushButton3_Click();

  const QString target = fontsFolder + "My Font.ttf";
  EXPECT_EQ(bytesOf(target), dejaVu("DejaVuSerif.ttf"));
  EXPECT_EQ(app.fonts.registers, QStringList{target}) << "the copy is installed, not the chosen file";
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  expectOutcome(app.prompts.boxes[0], "Done.");
  EXPECT_EQ(form.PushButton1->Value(), 1);
  EXPECT_EQ(gridNames(), QStringList{"DejaVu Serif"}) << "reloaded with the current filter";
  EXPECT_EQ(fontsFolderEntries(), (QStringList{"DejaVuSans.ttf", "My Font.ttf"})) << "no temporary file left";
  EXPECT_TRUE(exists(chosen));
}

TEST_F(AddFontTest, FontsFolderIsCreatedWhenMissing) {
  app.fonts.fontsFolder = fontsFolder = path("deep/er/fonts/");
  app.prompts.openResults.push_back(place("DejaVuSans.ttf", "in/DejaVuSans.ttf"));
  form.PushButton3_Click();
  EXPECT_EQ(bytesOf(fontsFolder + "DejaVuSans.ttf"), dejaVu("DejaVuSans.ttf"));
  ASSERT_FALSE(app.prompts.boxes.empty());
  expectOutcome(app.prompts.boxes[0], "Done.");
}

TEST_F(AddFontTest, ReplacesAFontOfTheSameName) {
  place("DejaVuSans.ttf", "fonts/Face.ttf");
  app.prompts.openResults.push_back(place("DejaVuSerif.ttf", "in/Face.ttf"));
  form.PushButton3_Click();
  EXPECT_EQ(bytesOf(fontsFolder + "Face.ttf"), dejaVu("DejaVuSerif.ttf"));
  EXPECT_EQ(app.fonts.registers, QStringList{fontsFolder + "Face.ttf"});
  EXPECT_EQ(fontsFolderEntries(), QStringList{"Face.ttf"});
}

TEST_F(AddFontTest, FileThatIsNoFontIsRefusedAndNeverReplacesAFont) {
  // Text, and a file that starts like a font but is cut short.
  const QString text = writeText("in/Face.ttf", "just some text\n");
  const QString cut = writeText("in2/Face.ttf", dejaVu("DejaVuSerif.ttf").left(300));
  place("DejaVuSans.ttf", "fonts/Face.ttf");
  for (const QString& chosen : {text, cut}) {
    app.prompts.boxes.clear();
    app.prompts.openResults.push_back(chosen);
    form.PushButton3_Click();
    ASSERT_EQ(app.prompts.boxes.size(), 1u) << chosen.toStdString();
    expectOutcome(app.prompts.boxes[0], "Adding font failed.");
    EXPECT_EQ(bytesOf(fontsFolder + "Face.ttf"), dejaVu("DejaVuSans.ttf")) << "the installed font survives";
    EXPECT_EQ(fontsFolderEntries(), QStringList{"Face.ttf"}) << "no copy or temporary file left";
  }
  EXPECT_TRUE(app.fonts.registers.isEmpty());
  EXPECT_EQ(form.PushButton1->Value(), 0);

  // With no font of that name there, nothing is left either.
  app.prompts.boxes.clear();
  app.prompts.openResults.push_back(writeText("in/Notes.ttf", "notes"));
  form.PushButton3_Click();
  expectOutcome(app.prompts.boxes.at(0), "Adding font failed.");
  EXPECT_FALSE(exists(fontsFolder + "Notes.ttf"));
}

TEST_F(AddFontTest, FontSystemRefusingTheCopySaysAddingFontFailed) {
  app.fonts.registerResult = false;
  app.prompts.openResults.push_back(place("DejaVuSans.ttf", "in/DejaVuSans.ttf"));
  form.PushButton3_Click();
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  expectOutcome(app.prompts.boxes[0], "Adding font failed.");
  EXPECT_EQ(form.PushButton1->Value(), 0) << "no reload after a failure";
}

// A failed copy is reported under the trap and ends the command: an older file of that name is
// never installed in its place and "Done." never follows.
TEST_F(AddFontTest, FailedCopyIsReportedAndStopsTheCommand) {
  place("DejaVuSans.ttf", "fonts/Gone.ttf");  // an older file of the chosen name
  app.prompts.openResults.push_back(path("in/Gone.ttf"));  // vanished after choosing
  form.PushButton3_Click();
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  expectTrap(app.prompts.boxes[0], "PushButton3_Click", 112, "File not found: '" + path("in/Gone.ttf") + "'");
  EXPECT_TRUE(app.fonts.registers.isEmpty());
  EXPECT_EQ(bytesOf(fontsFolder + "Gone.ttf"), dejaVu("DejaVuSans.ttf"));

  // A folder chosen as the file.
  app.prompts.boxes.clear();
  makeFolder(path("in/Dir.ttf"));
  app.prompts.openResults.push_back(path("in/Dir.ttf"));
  form.PushButton3_Click();
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  expectTrap(app.prompts.boxes[0], "PushButton3_Click", 112, "Path/File access error");
  EXPECT_TRUE(app.fonts.registers.isEmpty());
  EXPECT_EQ(fontsFolderEntries(), QStringList{"Gone.ttf"});
}

// The dialog takes typed names too; one the catalogue would never list is refused before copying.
TEST_F(AddFontTest, NameTheCatalogueNeverListsIsRefused) {
  app.prompts.openResults.push_back(place("DejaVuSans.ttf", "in/~Face.ttf"));
  form.PushButton3_Click();
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  expectTrap(app.prompts.boxes[0], "PushButton3_Click", 112, "Bad file name or number: '~Face.ttf'");
  EXPECT_TRUE(app.fonts.registers.isEmpty());
  EXPECT_FALSE(exists(fontsFolder));
}

// Root ignores permission bits, so the fonts folder is made uncreatable by a file in its way.
TEST_F(AddFontTest, FontsFolderThatCannotBeMadeIsReported) {
  writeText("plain", "a file, not a folder");
  app.fonts.fontsFolder = path("plain/fonts/");
  app.prompts.openResults.push_back(place("DejaVuSans.ttf", "in/DejaVuSans.ttf"));
  form.PushButton3_Click();
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  expectTrap(app.prompts.boxes[0], "PushButton3_Click", 112, "Path not found: '" + path("plain/fonts/") + "'");
  EXPECT_TRUE(app.fonts.registers.isEmpty());

  app.prompts.boxes.clear();
  app.fonts.fontsFolder = QString();  // no home folder at all
  app.prompts.openResults.push_back(path("in/DejaVuSans.ttf"));
  form.PushButton3_Click();
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  expectTrap(app.prompts.boxes[0], "PushButton3_Click", 112, "Path not found");
}

}  // namespace
