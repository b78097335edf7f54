// Help: one message naming the contact page, with the application title.
#include "core/vendor.h"
#include "support/app_harness.h"

#include <gtest/gtest.h>

namespace {

TEST(Help, NamesTheContactPageAndNothingElse) {
  BasicAppHarness<FakeFileSystem> app;
  app.form->PushButton5_Click();
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  const RecordedBox& box = app.prompts.boxes[0];
  EXPECT_EQ(box.text, "Questions? Please contact Team Brindlewick at " + vendor::kContactPage);
  EXPECT_EQ(vendor::kContactPage, "https://www.example.com/contact");
  EXPECT_EQ(box.title, "Typorama");  // the application title
  EXPECT_EQ(box.buttons, MsgButtons::Ok);
  EXPECT_EQ(box.icon, MsgIcon::None);
}

}  // namespace
