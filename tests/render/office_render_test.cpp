// What a user sees: each export of a catalogue of real faces (several per family) opened by
// LibreOffice and printed to PDF. Every row must have been drawn from its own file, that is
// its PostScript name is among the fonts the PDF embeds (pdffonts lists them). With every
// format, the same for OpenType faces and the faces of collections made with fontTools.
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

TEST(OfficeRendering, EveryExportedRowIsDrawnFromItsOwnFile) {
  const QString office = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
  if (office.isEmpty()) {
    // scripts/deps.sh installs it for the tests, so a run in CI never skips.
    if (qEnvironmentVariableIsSet("CI")) FAIL() << "LibreOffice is not installed";
    GTEST_SKIP() << "LibreOffice is not installed (scripts/deps.sh test installs it)";
  }
  ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("pdffonts")).isEmpty()) << "poppler-utils is missing";
  if (!QFile::exists(typoramaProgram())) GTEST_SKIP() << "the program is not built";
  const std::vector<RealFace> faces = realFaces();
  if (faces.empty()) GTEST_SKIP() << "fonts-dejavu-core and fonts-liberation are not installed";

  TempTree tree;
  ASSERT_TRUE(tree.folder("sys") && tree.folder("out") && tree.folder("home"));
  for (const RealFace& f : faces) ASSERT_TRUE(QFile::copy(f.file, tree.q("sys/") + QFileInfo(f.file).fileName()));
  // LibreOffice sees the same fonts as the program, and a profile of this test's own, so a
  // second run elsewhere never shares it.
  PrivateFonts setup(tree, "sys");
  ASSERT_TRUE(setup.ok());
  setup.env.insert("HOME", tree.q("home"));
  // Faces of one family in each collection, told apart by bold or italic alone; LibreOffice
  // embeds a CFF face as Type 1 under its full name without blanks.
  const QString l = QStringLiteral("/usr/share/fonts/truetype/liberation/Liberation");
  ASSERT_EQ(makeOpenTypeFonts({"font", tree.q("sys/a.otf"), "cff:" + faces[1].file, "Q Otf", "Bold", "Q Otf Bold"}),
            "");
  ASSERT_EQ(makeOpenTypeFonts({"collection", tree.q("sys/b.ttc"), l + "Serif-Regular.ttf", "Q Ttc", "Regular", "Q Ttc",
                               l + "Serif-Bold.ttf", "Q Ttc", "Bold", "Q Ttc Bold"}), "");
  ASSERT_EQ(makeOpenTypeFonts({"collection", tree.q("sys/c.otc"), "cff:" + l + "Mono-Regular.ttf", "Q Otc", "Regular",
                               "Q Otc", "cff:" + l + "Mono-Italic.ttf", "Q Otc", "Italic", "Q Otc Italic"}), "");
  const QStringList opentype{"QOtfBold", "Q-Ttc", "Q-Ttc-Bold", "QOtc", "QOtcItalic"};

  // Each format as it is and, as "all-" files, with every format.
  const QStringList formats{"xls", "xlsx", "doc", "docx", "all-xls", "all-xlsx", "all-doc", "all-docx"};
  QStringList files;
  for (const QString& name : formats) {
    files << tree.q("out/") + name + "." + name.section('-', -1);
    const ProgramOutcome o = setup.typorama(QStringList{"--export", files.last()} +
                                            (name.startsWith("all") ? QStringList{"--all-formats"} : QStringList{}));
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
    for (const RealFace& f : faces) {
      EXPECT_TRUE(used.contains(f.postscript)) << f.fullName.toStdString() << " is drawn in another face";
      own += used.contains(f.postscript);
    }
    for (const QString& name : opentype) {
      EXPECT_EQ(used.contains(name), ext.startsWith("all")) << name.toStdString();
      own += used.contains(name);
    }
    std::printf("%s: %d of %lld rows in their own face\n", qPrintable(ext), own,
                static_cast<long long>(faces.size()) + (ext.startsWith("all") ? opentype.size() : 0));
  }
}

}  // namespace
