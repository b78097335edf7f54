// The two export commands driven through their buttons, with scripted answers and clicks
// that arrive while the export yields.
#include "export_support.h"
#include "office/reader.h"
#include "support/font_builder.h"

#include <QDir>
#include <QFile>

using namespace export_test;

namespace {

class ExportCommand : public ::testing::TestWithParam<const Export*> {
 protected:
  const Export& e = *GetParam();
  App app;
  QString target() { return app.tree.q(e.fileName.toStdString()); }
};

TEST_P(ExportCommand, EmptyListSavesAnEmptyFileAndSaysDone) {
  app.prompts.saveResults.push_back(target());
  app.click(e);

  ASSERT_EQ(app.prompts.saveRequests.size(), 1u);
  const FileDialogRequest& dialog = app.prompts.saveRequests[0];
  EXPECT_EQ(dialog.fileName, e.fileName);
  EXPECT_EQ(dialog.filter, e.filter);
  EXPECT_EQ(dialog.flags, 2621953);
  EXPECT_EQ(dialog.title, QString());

  EXPECT_TRUE(QFile::exists(target()));
  EXPECT_EQ(written(e, app.factory.record), 0);
  EXPECT_TRUE(app.factory.record.quit);
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  EXPECT_EQ(app.prompts.boxes[0].text, QStringLiteral("Done."));
  EXPECT_EQ(app.prompts.boxes[0].title, "Typorama");
  EXPECT_EQ(app.prompts.boxes[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(app.prompts.boxes[0].icon, MsgIcon::None);
  EXPECT_FALSE(app.form->Busy);
  app.expectIdle(e);
}

TEST_P(ExportCommand, ShowsProgressAndTheCancelCaptionWhileItRuns) {
  app.fill({"Alpha", "Beta", "Gamma"});
  app.prompts.saveResults.push_back(target());
  QStringList seen;
  app.yielder.onYield = [&](int n) {
    if (n <= e.yieldsBeforeFirstFont) return;
    Form1& f = *app.form;
    seen << QStringLiteral("%1 %2 %3 %4 %5")
                .arg(f.ProgressBar1->Text())
                .arg(f.ProgressBar1->Value())
                .arg(app.button(e).Caption())
                .arg(f.MousePointer())
                .arg(f.Busy);
  };
  app.click(e);
  // Each yield comes before its font's step, so it shows the previous font's progress.
  EXPECT_EQ(seen, QStringList({"Progress Bar 0 Cancel Export 11 1", "Exporting font 1 from 3 0 Cancel Export 11 1",
                               "Exporting font 2 from 3 50 Cancel Export 11 1"}));
  EXPECT_EQ(written(e, app.factory.record), 3);
  EXPECT_TRUE(app.saidDone());
  EXPECT_TRUE(app.errorBoxes().empty());
  EXPECT_FALSE(app.form->Busy);
  app.expectIdle(e);
}

TEST_P(ExportCommand, OneFontFillsTheBarWithoutAnError) {
  app.fill({"Solo"});
  app.prompts.saveResults.push_back(target());
  QString bar;
  app.factory.record.atQuit = [&] {
    bar = app.form->ProgressBar1->Text() + " " + QString::number(app.form->ProgressBar1->Value());
  };
  app.click(e);
  EXPECT_EQ(bar, QStringLiteral("Exporting font 1 from 1 100"));
  EXPECT_TRUE(app.errorBoxes().empty());
  EXPECT_TRUE(app.saidDone());
  EXPECT_EQ(written(e, app.factory.record), 1);
}

TEST_P(ExportCommand, CancelAfterSomeFontsKeepsThemAndSaysNothing) {
  for (int k : {0, 2}) {
    App run;
    run.fill({"A", "B", "C", "D", "E"});
    const QString path = run.tree.q(e.fileName.toStdString());
    run.prompts.saveResults.push_back(path);
    bool busyAfterCancel = false;
    run.yielder.onYield = [&](int n) {
      // Yield number yieldsBeforeFirstFont + k + 1 comes just before font k + 1.
      if (n == e.yieldsBeforeFirstFont + k + 1) {
        run.click(e);
        busyAfterCancel = run.form->Busy;
        run.expectIdle(e);  // the cancel click puts the button and the bar back at once
      }
    };
    run.click(e);
    EXPECT_TRUE(busyAfterCancel) << k;
    EXPECT_EQ(written(e, run.factory.record), k);
    EXPECT_TRUE(run.factory.record.quit);
    EXPECT_TRUE(QFile::exists(path)) << "the fonts exported before the cancel are saved";
    EXPECT_TRUE(run.prompts.boxes.empty()) << k;
    EXPECT_FALSE(run.form->Busy);
    EXPECT_TRUE(run.form->CancelRequested);
    run.expectIdle(e);
  }
}

TEST_P(ExportCommand, NoToTheOverwriteQuestionOrACancelledDialogWritesNothing) {
  app.fill({"A"});
  ASSERT_TRUE(office_test::writeAll(target(), "old"));
  app.prompts.saveResults.push_back(target());
  app.prompts.answers.push_back(MsgResult::No);
  app.click(e);
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  EXPECT_EQ(app.prompts.boxes[0].text, QStringLiteral("Are you sure you wish to overwrite ") + target() + " ?");
  EXPECT_EQ(app.prompts.boxes[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(app.prompts.boxes[0].icon, MsgIcon::None);
  EXPECT_EQ(app.prompts.boxes[0].title, "Typorama");
  EXPECT_EQ(office_test::readAll(target()), QByteArray("old"));
  EXPECT_EQ(app.factory.record.created, 0);
  EXPECT_FALSE(app.form->Busy);
  app.expectIdle(e);

  app.prompts.boxes.clear();
  app.click(e);  // the dialog is cancelled: no path
  EXPECT_TRUE(app.prompts.boxes.empty());
  EXPECT_EQ(app.factory.record.created, 0);
  EXPECT_EQ(office_test::readAll(target()), QByteArray("old"));
  EXPECT_FALSE(app.form->Busy);

  app.prompts.saveResults.push_back(target());  // and Yes replaces the file
  app.click(e);
  EXPECT_NE(office_test::readAll(target()), QByteArray("old"));
  EXPECT_TRUE(app.saidDone());
}

TEST_P(ExportCommand, AClickWhileTheOtherExportRunsOnlyResetsButtonAndBar) {
  const Export& other = &e == &kExcel ? kWord : kExcel;
  app.fill({"A", "B", "C"});
  app.prompts.saveResults.push_back(app.tree.q(other.fileName.toStdString()));
  int dialogsBefore = -1;
  app.yielder.onYield = [&](int n) {
    if (n != other.yieldsBeforeFirstFont + 2) return;
    dialogsBefore = int(app.prompts.saveRequests.size());
    app.click(e);  // this command finds Busy set
    EXPECT_TRUE(app.form->Busy);
    EXPECT_EQ(app.form->MousePointer(), pointer::Default);
    EXPECT_EQ(app.form->ProgressBar1->Text(), QStringLiteral("Progress Bar"));
    EXPECT_EQ(app.button(other).Caption(), QStringLiteral("Cancel Export"));
  };
  app.click(other);
  EXPECT_EQ(int(app.prompts.saveRequests.size()), dialogsBefore) << "the second export opened no dialog";
  EXPECT_EQ(written(other, app.factory.record), 3) << "the running export went on";
  EXPECT_TRUE(app.saidDone());
  EXPECT_FALSE(app.form->Busy);
  app.expectIdle(e);
  app.expectIdle(other);
}

TEST_P(ExportCommand, AnOfficeApplicationThatCannotStartOrWriteReportsOnceAndEndsInOrder) {
  app.fill({"A", "B", "C"});
  app.factory.cannotStart = true;
  app.prompts.saveResults.push_back(target());
  app.click(e);
  ASSERT_EQ(app.errorBoxes().size(), 1u);
  EXPECT_TRUE(app.errorBoxes()[0].contains("ActiveX component can't create object"));
  EXPECT_TRUE(app.errorBoxes()[0].contains(&e == &kExcel ? "Form1.PushButton8_Click" : "Form1.PushButton6_Click"));
  EXPECT_FALSE(app.saidDone());
  EXPECT_FALSE(QFile::exists(target()));
  EXPECT_FALSE(app.form->Busy);
  app.expectIdle(e);

  app.prompts.boxes.clear();
  app.form->services().office = nullptr;  // no office at all
  app.prompts.saveResults.push_back(target());
  app.click(e);
  EXPECT_EQ(app.errorBoxes().size(), 1u);
  EXPECT_FALSE(app.form->Busy);

  // A folder that does not exist: the save fails once, nothing says "Done."
  app.prompts.boxes.clear();
  app.form->services().office = &app.factory;
  app.factory.cannotStart = false;
  app.prompts.saveResults.push_back(app.tree.q("missing/") + e.fileName);
  app.click(e);
  ASSERT_EQ(app.errorBoxes().size(), 1u);
  EXPECT_TRUE(app.errorBoxes()[0].contains("Path not found")) << app.errorBoxes()[0].toStdString();
  EXPECT_FALSE(app.saidDone());
  EXPECT_TRUE(app.factory.record.quit);
  EXPECT_FALSE(app.form->Busy);
  app.expectIdle(e);
}

INSTANTIATE_TEST_SUITE_P(Both, ExportCommand, ::testing::Values(&kExcel, &kWord),
                         [](const auto& info) { return std::string(info.param->name); });

TEST(ExcelExport, EachRowHoldsNumberNameSampleAndItsFont) {
  App app;
  // The list keeps its entries sorted, so the names are chosen in that order.
  const QString tooLong = QStringLiteral("Zz A Font Name Longer Than Thirty-One");
  app.form->List1.AddItem("DejaVu Sans", "/f/a.ttf");
  app.form->List1.AddItem("Liberation Serif", "/f/b.ttf");
  app.form->List1.AddItem(tooLong, "/f/c.ttf");
  app.prompts.saveResults.push_back(app.tree.q("Fonts.xls"));
  app.click(kExcel);
  const auto& rows = app.factory.record.rows;
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], std::make_pair(QVariant("1|DejaVu Sans|AaBbCc123"), office::TextFont{"DejaVu Sans"}));
  EXPECT_EQ(rows[1], std::make_pair(QVariant("2|Liberation Serif|AaBbCc123"), office::TextFont{"Liberation Serif"}));
  // The spreadsheet refuses the name (1004): the row is written and keeps the default font.
  EXPECT_EQ(rows[2], std::make_pair(QVariant("3|" + tooLong + "|AaBbCc123"), office::TextFont()));
  EXPECT_TRUE(app.errorBoxes().empty());
  EXPECT_TRUE(app.saidDone());
}

TEST(ExcelExport, ARowFontFailureOtherThanRefusalEndsTheExportInOrder) {
  App app;
  app.fill({"A", "B", "C"});
  const QString path = app.tree.q("Fonts.xls");
  ASSERT_TRUE(office_test::writeAll(path, "old"));
  app.prompts.saveResults.push_back(path);
  app.factory.rowFontError = 462;
  int yields = 0;
  app.yielder.onYield = [&](int) { ++yields; };
  app.click(kExcel);
  EXPECT_EQ(yields, 2) << "stopped at the first font";
  ASSERT_EQ(app.errorBoxes().size(), 1u);
  EXPECT_TRUE(app.errorBoxes()[0].contains("at line 144"));
  EXPECT_FALSE(app.saidDone());
  EXPECT_EQ(office_test::readAll(path), QByteArray("old")) << "nothing is saved over the old file";
  EXPECT_TRUE(app.factory.record.quit);
  EXPECT_FALSE(app.form->Busy);
  app.expectIdle(kExcel);
}

TEST(ExcelExport, AFailureOnEveryFontIsReportedOnce) {
  App app;
  app.fill({"A", "B", "C", "D"});
  app.prompts.saveResults.push_back(app.tree.q("Fonts.xls"));
  app.factory.cellError = 1004;
  app.click(kExcel);
  ASSERT_EQ(app.errorBoxes().size(), 1u);
  EXPECT_TRUE(app.errorBoxes()[0].contains("at line 142"));
  EXPECT_EQ(app.factory.record.rows.size(), 4u) << "each row still gets its font";
  EXPECT_FALSE(app.form->Busy);
}

TEST(WordExport, EachParagraphIsOneLineInItsOwnFontThenAnEmptyOne) {
  App app;
  app.form->List1.AddItem("Arial", "/f/arial.ttf");
  app.form->List1.AddItem("DejaVu Sans", "/f/dejavu.ttf");
  app.prompts.saveResults.push_back(app.tree.q("Fonts.doc"));
  app.click(kWord);
  const auto& paragraphs = app.factory.record.paragraphs;
  ASSERT_EQ(paragraphs.size(), 3u);
  EXPECT_EQ(paragraphs[0].text(), QStringLiteral("1    Arial     AaBbCc123"));
  ASSERT_EQ(paragraphs[0].runs.size(), 1u) << "the number and the sample take the font too";
  EXPECT_EQ(paragraphs[0].runs[0].font.name, QStringLiteral("Arial"));
  EXPECT_EQ(paragraphs[1].text(), QStringLiteral("2    DejaVu Sans     AaBbCc123"));
  ASSERT_EQ(paragraphs[1].runs.size(), 1u);
  EXPECT_EQ(paragraphs[1].runs[0].font.name, QStringLiteral("DejaVu Sans"));
  EXPECT_EQ(paragraphs[2].text(), QString());
  EXPECT_TRUE(QFile::exists(app.tree.q("Fonts.doc")));
}

// The user's sample reaches both exports as the grid shows it.
TEST(BothExports, WriteTheUsersSample) {
  App app;
  app.form->List1.AddItem("Arial", "/f/arial.ttf");
  SampleSettings sample;
  sample.text = QString::fromUtf8("Ζωή שלום");
  app.form->setSample(sample);
  app.prompts.saveResults = {app.tree.q("Fonts.doc"), app.tree.q("Fonts.xls")};
  app.click(kWord);
  app.click(kExcel);
  ASSERT_EQ(app.factory.record.paragraphs.size(), 2u);
  EXPECT_EQ(app.factory.record.paragraphs[0].text(), "1    Arial     " + sample.text);
  ASSERT_EQ(app.factory.record.rows.size(), 1u);
  EXPECT_EQ(app.factory.record.rows[0].first, QVariant("1|Arial|" + sample.text));
  app.form->setSample(SampleSettings());
}

// Rows are set in their file's family with its bold and italic, as the fill read them: the
// export opens no file again (they are gone by then). A file without a family name keeps its
// full name.
TEST(Exports, RowsTakeTheFamilyAndStyleTheFillRead) {
  App app;
  ASSERT_TRUE(app.tree.folder("fonts"));
  app.fonts.fontsFolder = app.tree.q("fonts/");
  const struct { const char* full; uint16_t fsSelection; } faces[] = {
      {"Gamma Bold", 0x20}, {"Gamma Bold Italic", 0x21}, {"Gamma Italic", 0x01}};
  for (const auto& f : faces)
    ASSERT_TRUE(FontBuilder().name(3, 0x409, 1, QStringLiteral("Gamma")).name(3, 0x409, 4, QString(f.full))
                    .fsSelection(f.fsSelection).writeTo(app.tree.q("fonts/") + f.full + ".ttf"));
  ASSERT_TRUE(FontBuilder().name(3, 0x409, 4, QStringLiteral("Lone")).writeTo(app.tree.q("fonts/lone.ttf")));
  app.form->PushButton1_Click();
  ASSERT_EQ(app.form->List1.ListCount(), 4);
  ASSERT_TRUE(QDir(app.tree.q("fonts")).removeRecursively());

  app.prompts.saveResults = {app.tree.q("Fonts.xls"), app.tree.q("Fonts.doc")};
  app.click(kExcel);
  app.click(kWord);
  const std::vector<office::TextFont> expected{  // "Gamma Bold Italic" sorts before "Gamma Bold"
      {"Gamma", true, true}, {"Gamma", true, false}, {"Gamma", false, true}, {"Lone"}};
  const Record& r = app.factory.record;
  ASSERT_EQ(r.rows.size(), expected.size());
  ASSERT_EQ(r.paragraphs.size(), expected.size() + 1);
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(r.rows[i].second, expected[i]) << i;
    EXPECT_EQ(r.paragraphs[i].runs.at(0).font, expected[i]) << i;
  }
}

}  // namespace
