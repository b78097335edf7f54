#pragma once
// A main window wired to fakes, for driving commands through their handlers.
#include "app/form1.h"
#include "support/fake_desktop.h"
#include "support/fake_file_system.h"
#include "support/fake_font_system.h"
#include "support/fake_prompts.h"

#include <memory>

template <typename Fs>
struct BasicAppHarness {
  FakePrompts prompts;
  FakeYielder yielder;
  FakeRandom random;
  Fs fs;
  FakeFontSystem fonts;
  FakeDesktop desktop;
  AppServices services{prompts, yielder, random, fs, fonts, desktop};
  std::unique_ptr<Form1> form = std::make_unique<Form1>(services);
};
