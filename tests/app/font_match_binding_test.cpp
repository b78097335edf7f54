// The program's own FcFontMatch is the one Qt calls in the built program, and it hands on to
// fontconfig's: as the dynamic linker itself reports its bindings.
#include "support/private_fonts.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

bool sameFile(const QString& a, const QString& b) {
  const QString canonical = QFileInfo(a).canonicalFilePath();
  return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

// Every FcFontMatch binding the dynamic linker reports in its debug files: file -> target.
QList<std::pair<QString, QString>> fontMatchBindings(const QString& folder) {
  static const QRegularExpression line(
      QStringLiteral("binding file (\\S+) \\[\\d+\\] to (\\S+) \\[\\d+\\]: normal symbol `FcFontMatch'"));
  QList<std::pair<QString, QString>> found;
  for (const QString& name : QDir(folder).entryList({"ld.*"}, QDir::Files)) {
    QFile f(folder + "/" + name);
    if (!f.open(QIODevice::ReadOnly)) continue;
    for (auto it = line.globalMatch(QString::fromUtf8(f.readAll())); it.hasNext();) {
      const auto m = it.next();
      found.append({m.captured(1), m.captured(2)});
    }
  }
  return found;
}

TEST(FontMatchBinding, QtsCallsReachTheProgramsStandInWhichCallsFontconfigs) {
  const QString program = typoramaProgram();
  if (!QFile::exists(program)) GTEST_SKIP() << "the program is not built";
  TempTree tree;
  ASSERT_TRUE(tree.folder("data") && tree.folder("sys") && tree.folder("ld"));
  // A face to draw the window's text in, which Qt then asks fontconfig how to render.
  ASSERT_TRUE(QFile::copy("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", tree.q("sys/sans.ttf")));
  PrivateFonts fonts(tree, "sys");
  ASSERT_TRUE(fonts.ok());
  QProcessEnvironment env = fonts.env;
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("TYPORAMA_QUIT_WHEN_SHOWN", "1");
  env.insert("BROWSER", "true");  // one start in a hundred visits the home page
  // Every reference bound at start, each binding written to a file of its own per process.
  env.insert("LD_BIND_NOW", "1");
  env.insert("LD_DEBUG", "bindings");
  env.insert("LD_DEBUG_OUTPUT", tree.q("ld/ld"));
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(program, {});
  ASSERT_TRUE(p.waitForFinished(120000));
  ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();

  const auto bindings = fontMatchBindings(tree.q("ld"));
  bool fromQt = false, onward = false;
  for (const auto& [file, target] : bindings) {
    const bool ours = sameFile(target, program);
    if (file.contains("libQt6Gui.so")) {
      fromQt = true;
      EXPECT_TRUE(ours) << "Qt's calls go to " << target.toStdString();
    }
    // The stand-in's look-up of fontconfig's function, made when a call first goes on to it.
    if (sameFile(file, program) && target.contains("/libfontconfig.so")) onward = true;
  }
  EXPECT_TRUE(fromQt) << bindings.size() << " FcFontMatch bindings";
  EXPECT_TRUE(onward) << "no call went on from the stand-in to fontconfig's own function";
}

}  // namespace
