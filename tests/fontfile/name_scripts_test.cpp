// Full names in Cyrillic, CJK and Arabic, in fonts made by fontTools: read by CFontPreview and
// by `typorama --list` in two locales, and held against fontconfig's reading of the same files.
#include "fontfile/cfont_preview.h"
#include "platform/linux/file_system_linux.h"
#include "support/fake_font_system.h"
#include "support/private_fonts.h"

#include <QMap>
#include <QSet>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

LinuxFileSystem disk;  // the fonts of the system, read from the disk

// File -> (language id, full name) records of platform 3; nothing else names the full name.
const char* const kMakeFonts = R"(
import sys
sys.path.insert(0, sys.argv[2])
from list_reference import make_font
fonts = {
    "cyrillic.ttf": [(0x0419, "Жирный Тест")],
    "cjk.ttf": [(0x0411, "字体 Regular")],
    "arabic.ttf": [(0x0401, "خط تجريبي عادي")],
    "bilingual.ttf": [(0x0409, "Ziti Regular"), (0x0411, "字体 Bold")],
}
for file, names in fonts.items():
    make_font(sys.argv[1] + "/" + file, [(3, 1, lang, 4, text) for lang, text in names],
              family="Scripts " + file[:-4])
)";

// What each file's full name must read as, in the default locale and in Japanese.
const QMap<QString, QString> kEnglish{{"cyrillic.ttf", "Жирный Тест"},
                                      {"cjk.ttf", "字体 Regular"},
                                      {"arabic.ttf", "خط تجريبي عادي"},
                                      {"bilingual.ttf", "Ziti Regular"}};
QMap<QString, QString> japanese() {
  QMap<QString, QString> names = kEnglish;
  names["bilingual.ttf"] = "字体 Bold";
  return names;
}

class NameScripts : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tree.valid() && tree.folder("data") && tree.folder("data/fonts"));
    fontsDir = tree.q("data/fonts/");
    QProcess make;
    make.start("/usr/bin/python3", {"-c", kMakeFonts, fontsDir, TYPORAMA_SOURCE_DIR "/tests/reference"});
    ASSERT_TRUE(make.waitForFinished(60000));
    ASSERT_EQ(make.exitCode(), 0) << "fontTools (python3-fonttools) is needed: "
                                  << make.readAllStandardError().toStdString();
  }
  TempTree tree;
  QString fontsDir;
};

TEST_F(NameScripts, FullNamesReadRightInBothLocales) {
  for (const auto& [locale, expected] : {std::pair{0x0409, kEnglish}, {0x0411, japanese()}}) {
    FakeFontSystem fonts;
    fonts.locale = locale;
    for (auto it = expected.begin(); it != expected.end(); ++it) {
      CFontPreview reader(disk, fonts);
      reader.setFontFile(fontsDir + it.key());
      EXPECT_EQ(reader.FullName(), it.value()) << it.key().toStdString() << " in locale " << locale;
    }
  }
  // fontconfig reads the same names from the files (its list holds every language's name).
  if (QStandardPaths::findExecutable("fc-scan").isEmpty()) return;
  for (auto it = kEnglish.begin(); it != kEnglish.end(); ++it) {
    QProcess scan;
    scan.start("fc-scan", {"--format", "%{fullname}", fontsDir + it.key()});
    ASSERT_TRUE(scan.waitForFinished(60000));
    const QStringList names = QString::fromUtf8(scan.readAllStandardOutput()).split(',');
    EXPECT_TRUE(names.contains(it.value()) && names.contains(japanese()[it.key()])) << names.join('|').toStdString();
  }
}

TEST_F(NameScripts, ListPrintsThemAsUtf8InBothLocales) {
  PrivateFonts setup(tree, "data/fonts");
  ASSERT_TRUE(setup.ok());
  setup.env.remove("LC_ALL");
  setup.env.remove("LC_MESSAGES");
  for (const auto& [lang, expected] : {std::pair{"C.UTF-8", kEnglish}, {"ja_JP.UTF-8", japanese()}}) {
    setup.env.insert("LANG", lang);
    const ProgramOutcome r = setup.typorama({"--list"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QMap<QString, QString> listed;  // file name -> full name
    for (const QString& line : r.out.split('\n', Qt::SkipEmptyParts)) {
      const QStringList fields = line.split('\t');
      ASSERT_EQ(fields.size(), 7) << line.toStdString();
      listed[fields[6].section('/', -1)] = fields[1];
    }
    EXPECT_EQ(listed, expected) << lang;
  }
}

}  // namespace
