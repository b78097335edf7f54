// `typorama --info --json` on fonts made by fontTools (tests/support/opentype_fonts.py): every
// name ID, axes and instances, scripts and features, each embedding permission, dates at the
// edges, CFF and CFF2 outlines, a collection. Held against fontTools' own reading and fc-query's
// judgement of the same files, for faces fontconfig knows (the configured folder) and for copies
// it has never seen.
#include "support/private_fonts.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

TEST(FaceDetailsReference, EveryFaceAgreesWithFontToolsAndFcQuery) {
  if (!QFile::exists(typoramaProgram())) GTEST_SKIP() << "the program is not built";
  TempTree tree;
  ASSERT_TRUE(tree.folder("data") && tree.folder("data/fonts") && tree.folder("elsewhere"));
  PrivateFonts fonts(tree, "data/fonts");
  ASSERT_TRUE(fonts.ok());
  fonts.env.insert("LC_ALL", "C.UTF-8");  // names chosen in US English, as fontTools is asked for them
  const QString made = makeOpenTypeFonts({"details", tree.q("data/fonts")});
  ASSERT_TRUE(made.isEmpty()) << made.toStdString();
  QStringList files;
  for (const QString& name : QDir(tree.q("data/fonts")).entryList(QDir::Files, QDir::Name)) {
    files << tree.q("data/fonts/" + name.toStdString());
    if (name == "variable.ttf" || name == "pair.ttc" || name == "cff2.otf" || name == "mono.ttf") {
      ASSERT_TRUE(QFile::copy(files.back(), tree.q("elsewhere/" + name.toStdString())));
      files << tree.q("elsewhere/" + name.toStdString());
    }
  }
  ASSERT_GE(files.size(), 12);

  const ProgramOutcome expected =
      fonts.run("/usr/bin/python3", QStringList{TYPORAMA_SOURCE_DIR "/tests/support/opentype_fonts.py", "expect"} + files);
  ASSERT_EQ(expected.status, 0) << expected.err.toStdString();
  const QStringList lines = expected.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), files.size() + 2);  // two faces in the collection and in its copy
  for (const QString& line : lines) {
    const QJsonObject want = QJsonDocument::fromJson(line.toUtf8()).object();
    const QString face = QString::number(want["face"].toInt());
    const ProgramOutcome got = fonts.typorama({"--info", want["path"].toString(), "--face", face, "--json"});
    ASSERT_EQ(got.status, 0) << got.err.toStdString();
    ASSERT_TRUE(got.out.endsWith('\n') && got.out.count('\n') == 1);
    QJsonParseError error;
    const QJsonObject have = QJsonDocument::fromJson(got.out.toUtf8(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << got.out.toStdString();
    for (const QString& key : want.keys() + have.keys())
      EXPECT_EQ(have[key], want[key]) << key.toStdString() << " of " << want["path"].toString().toStdString()
                                      << " face " << face.toStdString();
  }
}
