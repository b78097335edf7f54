// What a user sees: each export of a catalogue of real faces (several per family) opened by
// LibreOffice and printed to PDF. Every row must have been drawn from its own file, that is
// its PostScript name is among the fonts the PDF embeds (pdffonts lists them).
#include "support/private_fonts.h"
#include "support/real_fonts.h"

#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

// The fonts a PDF embeds, without the subset tag ("ABCDEF+DejaVuSans-Bold").
QSet<QString> embeddedFonts(const PrivateFonts& setup, const QString& pdf) {
  const ProgramOutcome o = setup.run(QStringLiteral("pdffonts"), {pdf});
  EXPECT_EQ(o.status, 0) << o.err.toStdString();
  QSet<QString> names;
  for (const QString& line : o.out.split('\n').mid(2)) {
    const QString name = line.section(' ', 0, 0);
    if (!name.isEmpty()) names.insert(name.section('+', -1));
  }
  return names;
}

struct OfficeRendering : ::testing::Test {
  void SetUp() override {
    office = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    if (office.isEmpty()) {
      // scripts/deps.sh installs it for the tests, so a run in CI never skips.
      if (qEnvironmentVariableIsSet("CI")) FAIL() << "LibreOffice is not installed";
      GTEST_SKIP() << "LibreOffice is not installed (scripts/deps.sh test installs it)";
    }
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("pdffonts")).isEmpty()) << "poppler-utils is missing";
    if (!QFile::exists(typoramaProgram())) GTEST_SKIP() << "the program is not built";
    ASSERT_TRUE(tree.folder("sys") && tree.folder("out") && tree.folder("home"));
  }

  // Exports the catalogue of sys/ to each format (with `options`), prints the files to PDF
  // with LibreOffice and expects every PostScript name among the fonts each PDF embeds.
  void expectOwnFaces(const QStringList& options, const QStringList& postscriptNames) {
    // LibreOffice sees the same fonts as the program, and a profile of this test's own, so a
    // second run elsewhere never shares it.
    PrivateFonts setup(tree, "sys");
    ASSERT_TRUE(setup.ok());
    setup.env.insert("HOME", tree.q("home"));
    const QStringList formats{"xls", "xlsx", "doc", "docx"};
    QStringList files;
    for (const QString& ext : formats) {
      files << tree.q("out/") + ext + "." + ext;
      const ProgramOutcome o = setup.typorama(QStringList{"--export", files.last(), "--force"} + options);
      ASSERT_EQ(o.status, 0) << o.err.toStdString();
    }
    QProcess convert;
    convert.setProcessEnvironment(setup.env);
    convert.start(office, QStringList{"-env:UserInstallation=file://" + tree.q("lo"), "--headless", "--convert-to",
                                      "pdf", "--outdir", tree.q("out")} + files);
    ASSERT_TRUE(convert.waitForFinished(600000)) << "LibreOffice did not finish";
    ASSERT_EQ(convert.exitCode(), 0) << convert.readAllStandardError().toStdString();

    for (const QString& ext : formats) {
      SCOPED_TRACE(ext.toStdString());
      const QSet<QString> used = embeddedFonts(setup, tree.q("out/") + ext + ".pdf");
      int own = 0;
      for (const QString& postscript : postscriptNames) {
        EXPECT_TRUE(used.contains(postscript)) << postscript.toStdString() << " is drawn in another face";
        own += used.contains(postscript);
      }
      std::printf("%s: %d of %lld rows in their own face\n", qPrintable(ext), own, postscriptNames.size());
    }
  }

  QString office;
  TempTree tree;
};

TEST_F(OfficeRendering, EveryExportedRowIsDrawnFromItsOwnFile) {
  const std::vector<RealFace> faces = realFaces();
  if (faces.empty()) GTEST_SKIP() << "fonts-dejavu-core and fonts-liberation are not installed";
  QStringList postscriptNames;
  for (const RealFace& f : faces) {
    ASSERT_TRUE(QFile::copy(f.file, tree.q("sys/") + QFileInfo(f.file).fileName()));
    postscriptNames << f.postscript;
  }
  expectOwnFaces({}, postscriptNames);
}

// OpenType files with PostScript outlines and the faces of collections, made with fontTools:
// two faces of one family in each collection, told apart by bold or italic alone.
TEST_F(OfficeRendering, EveryOpenTypeAndCollectionRowIsDrawnFromItsOwnFace) {
  const QString d = QStringLiteral("/usr/share/fonts/truetype/dejavu/");
  const QString l = QStringLiteral("/usr/share/fonts/truetype/liberation/");
  if (!QFile::exists(d + "DejaVuSans-Bold.ttf") || !QFile::exists(l + "LiberationMono-Italic.ttf"))
    GTEST_SKIP() << "fonts-dejavu-core and fonts-liberation are not installed";
  const auto make = [&](const QString& kind, const std::string& out, const QStringList& faces) {
    const ProgramOutcome o = PrivateFonts(tree, "sys").run(
        "/usr/bin/python3", QStringList{TYPORAMA_SOURCE_DIR "/tests/support/opentype_fonts.py", kind,
                                        tree.q("sys/" + out)} + faces);
    ASSERT_EQ(o.status, 0) << o.err.toStdString();
  };
  make("font", "a.otf", {"cff:" + d + "DejaVuSans-Bold.ttf", "Quillon Otf", "Bold", "Quillon Otf Bold"});
  make("collection", "pair.ttc", {l + "LiberationSerif-Regular.ttf", "Quillon Pair", "Regular", "Quillon Pair",
                                  l + "LiberationSerif-Bold.ttf", "Quillon Pair", "Bold", "Quillon Pair Bold"});
  make("collection", "pair.otc", {"cff:" + l + "LiberationMono-Regular.ttf", "Quillon Otc", "Regular", "Quillon Otc",
                                  "cff:" + l + "LiberationMono-Italic.ttf", "Quillon Otc", "Italic",
                                  "Quillon Otc Italic"});
  // LibreOffice embeds a TrueType face under its PostScript name, a CFF face as Type 1 under its
  // full name without blanks.
  expectOwnFaces({"--all-formats"}, {"QuillonOtfBold", "Quillon-Pair", "Quillon-Pair-Bold", "QuillonOtc",
                                     "QuillonOtcItalic"});
}

}  // namespace
