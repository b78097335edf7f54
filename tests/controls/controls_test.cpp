#include "core/runtime_error.h"
#include "controls/common_dialog.h"
#include "controls/progress_bar.h"
#include "controls/push_button.h"
#include "support/fake_prompts.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(ProgressBar, TakesValuesFromZeroToHundredOnly) {
  ProgressBar bar;
  EXPECT_EQ(bar.Text(), "Progress Bar");
  bar.setValue(0);
  bar.setValue(100);
  bar.setValue(37.5);
  for (double bad : {-0.001, 100.001, std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()}) {
    try {
      bar.setValue(bad);
      ADD_FAILURE() << "accepted " << bad;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number, 380);
      EXPECT_EQ(e.description, "Invalid property value");
    }
  }
  EXPECT_DOUBLE_EQ(bar.Value(), 37.5);  // a refused value leaves the bar as it was

  // The text is drawn inside the bar: a grab with text differs from one without.
  bar.resize(200, 20);
  bar.setText("Loading font 3 from 8");
  const QImage withText = bar.grab().toImage();
  bar.setText("");
  EXPECT_NE(withText, bar.grab().toImage());
}

TEST(CommonDialog, PassesItsSettingsAndKeepsThem) {
  FakePrompts prompts;
  CommonDialog dialog(prompts);
  dialog.setDialogTitle("Select Font To Add");
  dialog.Filter = "TrueType Fonts (*.ttf)|*.ttf";
  dialog.Flags = ofn::Explorer | ofn::LongNames;
  prompts.openResults.push_back("/home/u/a.ttf");
  dialog.ShowOpen();
  ASSERT_EQ(prompts.openRequests.size(), 1u);
  EXPECT_EQ(prompts.openRequests[0].title, "Select Font To Add");
  EXPECT_EQ(prompts.openRequests[0].filter, "TrueType Fonts (*.ttf)|*.ttf");
  EXPECT_EQ(prompts.openRequests[0].flags, ofn::Explorer | ofn::LongNames);
  EXPECT_EQ(dialog.FileName, "/home/u/a.ttf");

  // The next command sees what the last one left, but not a title it did not set; a cancel empties the name.
  dialog.Filter = "Excel files (*.xls)|*.xls|";
  dialog.ShowSave();
  ASSERT_EQ(prompts.saveRequests.size(), 1u);
  EXPECT_EQ(prompts.saveRequests[0].fileName, "/home/u/a.ttf");
  EXPECT_EQ(prompts.saveRequests[0].title, "");
  EXPECT_EQ(dialog.DialogTitle(), "Select Font To Add");
  EXPECT_EQ(dialog.FileName, "");
}

TEST(PushButton, ReportsMovesAndClicks) {
  PushButton button("Filter");
  EXPECT_EQ(button.Caption(), "Filter");
  EXPECT_TRUE(button.hasMouseTracking());
  QSignalSpy moves(&button, &PushButton::MouseMove);
  QSignalSpy clicks(&button, &QPushButton::clicked);
  button.resize(100, 27);
  button.show();
  QTest::mouseMove(&button, QPoint(10, 10));
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_GE(moves.count(), 1);
  EXPECT_EQ(clicks.count(), 1);
}
