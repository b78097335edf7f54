// Every test program runs with a QApplication on the offscreen platform.
#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  // Tests that run the program itself find it beside the tests' build folder.
  if (qEnvironmentVariableIsEmpty("TYPORAMA_BIN")) qputenv("TYPORAMA_BIN", TYPORAMA_BINARY_DIR "/typorama");
  // The windows keep the user's choices, and the program its cache: never those of the user
  // running the tests.
  const QTemporaryDir settings, cache;
  qputenv("XDG_CONFIG_HOME", settings.path().toUtf8());
  qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
