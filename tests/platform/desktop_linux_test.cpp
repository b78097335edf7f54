// A web page opened where the platform has no desktop services of its own (the tests' offscreen
// platform is one): the user's browser is started with the address.
#include "platform/linux/desktop_linux.h"
#include "support/temp_tree.h"

#include <QFile>
#include <gtest/gtest.h>
#include <chrono>
#include <thread>

TEST(LinuxDesktop, OpensAPageWithTheUsersBrowserWhereThePlatformCannot) {
  TempTree tree;
  QFile script(tree.q("browser"));
  ASSERT_TRUE(script.open(QIODevice::WriteOnly) && script.write("#!/bin/sh\necho \"$1\" > \"$0.seen\"\n") > 0);
  script.close();
  ASSERT_TRUE(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  const QByteArray saved = qgetenv("BROWSER");
  qputenv("BROWSER", script.fileName().toLocal8Bit());
  EXPECT_TRUE(LinuxDesktop().openUrl("https://example.invalid/page"));
  qputenv("BROWSER", saved);
  QFile seen(tree.q("browser.seen"));
  for (int k = 0; k < 100 && !(seen.exists() && seen.size() > 0); ++k) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(seen.open(QIODevice::ReadOnly));
  EXPECT_EQ(seen.readAll(), "https://example.invalid/page\n");
}
