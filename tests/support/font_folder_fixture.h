#pragma once
// A main window whose fonts folder is a real temporary folder, and a writer of fonts into it.
#include "platform/linux/file_system_linux.h"
#include "support/app_harness.h"
#include "support/font_builder.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

struct FontFolderTest : ::testing::Test {
  TempTree tree;
  BasicAppHarness<LinuxFileSystem> app;
  Form1& form = *app.form;

  void SetUp() override {
    ASSERT_TRUE(tree.valid());
    ASSERT_TRUE(tree.folder("fonts"));
    app.fonts.fontsFolder = tree.q("fonts/");
  }
  // A font whose full name is `full` (its first word the family), with the given style bits,
  // written at fonts/<relative>.
  void font(const std::string& relative, const QString& full, uint16_t fsSelection = 0x40) {
    ASSERT_TRUE(FontBuilder()
                    .name(3, 0x409, 1, full.section(QLatin1Char(' '), 0, 0))
                    .name(3, 0x409, 4, full)
                    .fsSelection(fsSelection)
                    .writeTo(tree.q("fonts/" + relative)));
  }
};
