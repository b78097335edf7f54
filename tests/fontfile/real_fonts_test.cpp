// Real fonts from the system's font packages, held against fontconfig's own reading of them.
#include "fontfile/cfont_preview.h"
#include "platform/linux/file_system_linux.h"
#include "platform/linux/font_system_linux.h"
#include "support/fake_font_system.h"

#include <QDirIterator>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

LinuxFileSystem disk;  // the fonts of the system, read from the disk

struct FcFace {
  QString fullName;  // the English full name
  QString style;
  int weight = -1;
  int slant = -1;
};

QHash<QString, FcFace> scanWithFontconfig(const QStringList& files) {
  QHash<QString, FcFace> out;
  QProcess scan;
  scan.start(QStringLiteral("fc-scan"),
             QStringList{QStringLiteral("--format"),
                         QStringLiteral("%{file}\t%{index}\t%{fullname}\t%{fullnamelang}\t%{weight}\t%{slant}\t%{style}\n")} +
                 files);
  if (!scan.waitForFinished(120000)) return out;
  for (const QString& line : QString::fromUtf8(scan.readAllStandardOutput()).split('\n')) {
    const QStringList f = line.split('\t');
    if (f.size() != 7 || f[1] != QLatin1String("0")) continue;
    const QStringList names = f[2].split(','), langs = f[3].split(',');
    FcFace face;
    if (names.size() == langs.size()) {
      const qsizetype en = langs.indexOf(QStringLiteral("en"));
      if (en >= 0) face.fullName = names[en];
    }
    face.weight = f[4].toInt();
    face.slant = f[5].toInt();
    face.style = f[6];
    out.insert(f[0], face);
  }
  return out;
}

TEST(RealFonts, FullNamesAndStylesAgreeWithFontconfig) {
  if (QStandardPaths::findExecutable(QStringLiteral("fc-scan")).isEmpty()) GTEST_SKIP() << "no fc-scan";
  QStringList files;
  QDirIterator it(QStringLiteral("/usr/share/fonts/truetype"), QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString f = it.next();
    if (f.endsWith(QLatin1String(".ttf"), Qt::CaseInsensitive)) files << f;
  }
  if (files.isEmpty()) GTEST_SKIP() << "no TrueType fonts installed";
  const auto fc = scanWithFontconfig(files);
  ASSERT_EQ(fc.size(), files.size());

  FakeFontSystem fonts;  // locale en-US, nothing known: every file goes through the preview path
  int names = 0, styles = 0;
  for (const QString& file : files) {
    SCOPED_TRACE(file.toStdString());
    CFontPreview p(disk, fonts);
    p.setFontFile(file);
    EXPECT_TRUE(p.ValidTrueTypeFile());
    const FcFace& face = fc[file];
    if (!face.fullName.isEmpty()) {
      // fontconfig drops trailing blanks that some files carry and may take the letter case
      // of another record; the reader keeps the bytes of the record it picks.
      if (file.contains(QLatin1String("/dejavu/")) || file.contains(QLatin1String("/liberation/"))) {
        EXPECT_EQ(p.FullName().toStdString(), face.fullName.toStdString());
      } else {
        EXPECT_EQ(p.FullName().trimmed().toLower().toStdString(), face.fullName.toLower().toStdString());
      }
      ++names;
    }
    // fontconfig takes weight and slant from other fields than fsSelection; where its weight
    // and its style name agree on a plain regular or bold face, the bold bit must agree too.
    const bool styleSaysBold = face.style.contains(QLatin1String("Bold"));
    if ((face.weight == 80 && !styleSaysBold) || (face.weight == 200 && styleSaysBold)) {
      EXPECT_EQ(p.Bold(), face.weight == 200);
      ++styles;
    }
    if (face.slant == 0 || face.slant == 100 || face.slant == 110) {
      EXPECT_EQ(p.Italic(), face.slant != 0);
    }
    EXPECT_FALSE(p.Underlined());
    EXPECT_FALSE(p.StrikeOut());
  }
  EXPECT_GT(names, 0);
  EXPECT_GT(styles, 0);
  EXPECT_EQ(fonts.outstandingLoads(), 0);
}

TEST(RealFonts, KnownAndUnknownFacesWithTheLinuxFontSystem) {
  const QString dejavu = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf");
  if (!QFile::exists(dejavu)) GTEST_SKIP() << "fonts-dejavu-core is not installed";
  LinuxFontSystem fonts;
  {
    CFontPreview known(disk, fonts);
    known.setFontFile(dejavu);
    EXPECT_TRUE(known.Installed());
    EXPECT_EQ(known.FaceName(), "DejaVu Sans");
  }
  // The same file under a family nobody knows: previewed while the object lives.
  QFile in(dejavu);
  ASSERT_TRUE(in.open(QIODevice::ReadOnly));
  QByteArray bytes = in.readAll();
  bytes.replace(QByteArray("\0D\0e\0j\0a\0V\0u", 12), QByteArray("\0Q\0u\0i\0l\0l\0o", 12));
  QTemporaryDir tmp;
  QFile out(tmp.filePath("quillo.ttf"));
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(bytes);
  out.close();
  ASSERT_FALSE(fonts.faceExists("Quillo Sans"));
  {
    CFontPreview unknown(disk, fonts);
    unknown.setFontFile(out.fileName());
    EXPECT_EQ(unknown.FullName(), "Quillo Sans Bold");
    EXPECT_FALSE(unknown.Installed());
    EXPECT_EQ(unknown.FaceName(), "Quillo Sans");
    EXPECT_TRUE(fonts.faceExists("Quillo Sans"));
  }
  EXPECT_FALSE(fonts.faceExists("Quillo Sans"));
}

}  // namespace
