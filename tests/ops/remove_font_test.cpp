// Remove Selected Font through its button: the question, the font table, the file, the boxes.
#include "core/catalogue_entry.h"
#include "support/font_folder_fixture.h"
#include "support/font_builder.h"

namespace {

class RemoveFontTest : public TwoFontsTest {
 protected:
  void SetUp() override {
    TwoFontsTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_EQ(gridNames(), (QStringList{"DejaVu Sans", "DejaVu Serif"}));
  }
  void select(int row) { form.MSFlexGrid1->setRow(row); }
  void expectQuestion(const RecordedBox& box, const QString& name) {
    EXPECT_EQ(box.text.toStdString(), ("Are you sure you want to remove " + name + "?").toStdString());
    EXPECT_EQ(box.title, "Remove Font");
    EXPECT_EQ(box.buttons, MsgButtons::YesNo);
    EXPECT_EQ(box.icon, MsgIcon::None);
  }
};

TEST_F(RemoveFontTest, FontInSubFolderLeavesTableByBareNameAndFileByFullPath) {
  select(1);
  form.PushButton4_Click();
  ASSERT_EQ(app.prompts.boxes.size(), 2u);
  expectQuestion(app.prompts.boxes[0], "DejaVu Serif");
  expectOutcome(app.prompts.boxes[1], "Done.");
  EXPECT_EQ(app.fonts.unregisters, QStringList{"DejaVuSerif.ttf"});
  EXPECT_FALSE(exists(serif));
  EXPECT_TRUE(exists(sans));
  EXPECT_EQ(form.PushButton1->Value(), 1);
  EXPECT_EQ(gridNames(), QStringList{"DejaVu Sans"});
  EXPECT_EQ(form.MSFlexGrid1->TextMatrix(0, 0), "1") << "renumbered";
}

TEST_F(RemoveFontTest, ActsOnTheRowTheGridShowsSelected) {
  // Right after a fill, without a click, the selection ends where the fill left it.
  app.prompts.answers = {MsgResult::No, MsgResult::No};
  const QString shown = form.MSFlexGrid1->TextMatrix(form.MSFlexGrid1->RowSel(), 1);
  form.PushButton4_Click();
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  expectQuestion(app.prompts.boxes[0], shown);

  app.prompts.boxes.clear();
  select(0);
  form.PushButton4_Click();
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  expectQuestion(app.prompts.boxes[0], "DejaVu Sans");
}

TEST_F(RemoveFontTest, AnswerNoAndEmptyGridDoNothing) {
  app.prompts.answers = {MsgResult::No};
  select(0);
  form.PushButton4_Click();
  EXPECT_EQ(app.prompts.boxes.size(), 1u);
  EXPECT_TRUE(app.fonts.unregisters.isEmpty());
  EXPECT_TRUE(exists(sans));
  EXPECT_EQ(form.PushButton1->Value(), 0);

  app.fs.removeFile(sans);
  app.fs.removeFile(serif);
  refill();
  ASSERT_EQ(form.MSFlexGrid1->Rows(), 0);
  form.PushButton4_Click();
  EXPECT_TRUE(app.prompts.boxes.empty()) << "not even the question";
  EXPECT_TRUE(app.fonts.unregisters.isEmpty());
}

TEST_F(RemoveFontTest, FontTableRefusalKeepsTheFileAndTheGrid) {
  app.fonts.unregisterResult = false;
  select(0);
  form.PushButton4_Click();
  ASSERT_EQ(app.prompts.boxes.size(), 2u);
  expectOutcome(app.prompts.boxes[1], "Removing font failed.");
  EXPECT_TRUE(exists(sans));
  EXPECT_EQ(form.PushButton1->Value(), 0) << "no reload";
}

TEST_F(RemoveFontTest, UndeletableFileSaysRemovingFontFailedAndStillReloads) {
  app.fs.refuseRemoval = true;
  select(0);
  form.PushButton4_Click();
  ASSERT_EQ(app.prompts.boxes.size(), 2u);
  expectOutcome(app.prompts.boxes[1], "Removing font failed.");
  EXPECT_EQ(app.fonts.unregisters, QStringList{"DejaVuSans.ttf"});
  EXPECT_TRUE(exists(sans));
  EXPECT_EQ(form.PushButton1->Value(), 1);
  EXPECT_EQ(gridNames(), (QStringList{"DejaVu Sans", "DejaVu Serif"})) << "listed again: its file is still there";
}

TEST_F(RemoveFontTest, NameHoldingTheSeparatorCannotRedirectTheRemoval) {
  const QString victim = writeText("thesis.ttf", "not a font, somebody's work");
  const QString forgedName = "Nice Font" + kEntrySeparator + victim;
  const QString forged = path("fonts/nice.ttf");
  writeAt(forged, FontBuilder().name(3, 0x409, 4, forgedName).build());
  refill();
  const int row = gridNames().indexOf(forgedName);
  ASSERT_GE(row, 0) << "the whole name is shown";
  select(row);
  form.PushButton4_Click();
  ASSERT_EQ(app.prompts.boxes.size(), 2u);
  expectQuestion(app.prompts.boxes[0], forgedName);
  EXPECT_EQ(app.fonts.unregisters, QStringList{"nice.ttf"});
  EXPECT_TRUE(exists(victim));
  EXPECT_FALSE(exists(forged));
}

TEST_F(RemoveFontTest, SelectionOutsideTheListIsReportedAndAsksNothing) {
  form.List1.Clear();
  form.PushButton4_Click();
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  expectTrap(app.prompts.boxes[0], "PushButton4_Click", 102, "Invalid property array index");
  EXPECT_TRUE(app.fonts.unregisters.isEmpty());
}

}  // namespace
