// The Linux font system against the real fontconfig and Qt font database (offscreen).
#include "platform/linux/font_system_linux.h"
#include "platform/path_codec.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Sets or unsets an environment variable for one scope.
class EnvGuard {
 public:
  EnvGuard(const char* name, std::optional<QByteArray> value) : name_(name) {
    if (qEnvironmentVariableIsSet(name)) old_ = qgetenv(name);
    if (value) qputenv(name, *value);
    else qunsetenv(name);
  }
  ~EnvGuard() {
    if (old_) qputenv(name_, *old_);
    else qunsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<QByteArray> old_;
};

const QString kDejaVuBold = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf");

// A copy of a DejaVu file whose names say "Typora" instead, so it is a face nobody knows.
QString writeRenamedFont(const QString& folder, const QString& fileName) {
  QFile in(kDejaVuBold);
  if (!in.open(QIODevice::ReadOnly)) return {};
  QByteArray bytes = in.readAll();
  bytes.replace(QByteArray("\0D\0e\0j\0a\0V\0u", 12), QByteArray("\0T\0y\0p\0o\0r\0a", 12));
  bytes.replace("DejaVu", "Typora");
  const QString path = folder + QLatin1Char('/') + fileName;
  QFile out(path);
  if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) return {};
  return path;
}

TEST(LinuxFontSystem, FontsFolderFollowsXdgDataHomeThenHome) {
  LinuxFontSystem fs;
  {
    EnvGuard xdg("XDG_DATA_HOME", QByteArray("/data/me/"));
    EXPECT_EQ(fs.specialFolder(20), "/data/me/fonts/");
    EXPECT_EQ(fs.specialFolder(5), "");
  }
  {
    EnvGuard xdg("XDG_DATA_HOME", QByteArray("//"));
    EXPECT_EQ(fs.specialFolder(20), "/fonts/");
  }
  EnvGuard home("HOME", QByteArray("/home/u"));
  {
    EnvGuard xdg("XDG_DATA_HOME", QByteArray("relative/path"));  // not absolute: ignored
    EXPECT_EQ(fs.specialFolder(20), "/home/u/.local/share/fonts/");
  }
  EnvGuard xdg("XDG_DATA_HOME", std::nullopt);
  EXPECT_EQ(fs.specialFolder(20), "/home/u/.local/share/fonts/");
  EnvGuard root("HOME", QByteArray("/"));
  EXPECT_EQ(fs.specialFolder(20), "/.local/share/fonts/");
}

TEST(LinuxFontSystem, OtherFoldersComeFromTheFontconfigFile) {
  QTemporaryDir tmp;
  const QString a = tmp.filePath("a"), b = tmp.filePath("b"), fontsHome = tmp.filePath("data/fonts");
  for (const QString& d : {a, a + "/nested", b, fontsHome}) ASSERT_TRUE(QDir().mkpath(d));
  ASSERT_TRUE(QFile::link(a, tmp.filePath("link-to-a")));
  QFile conf(tmp.filePath("fonts.conf"));
  ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
  conf.write(QStringLiteral("<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
                            "<fontconfig><dir>%1</dir><dir>%1/</dir><dir>%2</dir><dir>%3</dir>"
                            "<dir>%1/nested</dir><dir>%4</dir><dir>%5</dir></fontconfig>\n")
                 .arg(a, tmp.filePath("missing"), fontsHome, tmp.filePath("link-to-a"), b)
                 .toUtf8());
  conf.close();
  EnvGuard file("FONTCONFIG_FILE", conf.fileName().toUtf8());
  EnvGuard xdg("XDG_DATA_HOME", tmp.filePath("data").toUtf8());
  LinuxFontSystem fs;
  EXPECT_EQ(fs.otherFontFolders(), (QStringList{a + "/", b + "/"}));
}

TEST(LinuxFontSystem, LocaleIds) {
  EXPECT_EQ(LinuxFontSystem::localeIdFromName("en_US.UTF-8"), 0x0409);
  EXPECT_EQ(LinuxFontSystem::localeIdFromName("de_DE@euro"), 0x0407);
  EXPECT_EQ(LinuxFontSystem::localeIdFromName("de_CH.UTF-8"), 0x0807);
  EXPECT_EQ(LinuxFontSystem::localeIdFromName("de"), 0x0407);
  EXPECT_EQ(LinuxFontSystem::localeIdFromName("ru_RU.KOI8-R"), 0x0419);
  EXPECT_EQ(LinuxFontSystem::localeIdFromName("pt_BR"), 0x0416);
  EXPECT_EQ(LinuxFontSystem::localeIdFromName("C.UTF-8"), 0x0409);
  EXPECT_EQ(LinuxFontSystem::localeIdFromName("POSIX"), 0x0409);
  EXPECT_EQ(LinuxFontSystem::localeIdFromName("xx_YY"), 0x0409);

  LinuxFontSystem fs;
  EnvGuard all("LC_ALL", std::nullopt), messages("LC_MESSAGES", std::nullopt);
  EnvGuard lang("LANG", QByteArray("fr_CA.UTF-8"));
  EXPECT_EQ(fs.localeId(), 0x0C0C);
  EnvGuard msg2("LC_MESSAGES", QByteArray("ja_JP.UTF-8"));
  EXPECT_EQ(fs.localeId(), 0x0411);
  EnvGuard all2("LC_ALL", QByteArray("de_DE.UTF-8"));
  EXPECT_EQ(fs.localeId(), 0x0407);
}

TEST(LinuxFontSystem, LocaleIdsAreWindowsOnes) {
  // Values from Windows' own list of locale ids.
  EXPECT_EQ(LinuxFontSystem::localeIdFromName("de_DE.UTF-8"), 0x0407);
  EXPECT_EQ(LinuxFontSystem::localeIdFromName("ja_JP.eucJP"), 0x0411);
  EXPECT_EQ(LinuxFontSystem::localeIdFromName("zh_TW.UTF-8"), 0x0404);
  EXPECT_EQ(LinuxFontSystem::localeIdFromName("zh"), 0x0804);
  EXPECT_EQ(LinuxFontSystem::localeIdFromName("sr_Latn_RS"), 0x241A);
  EXPECT_EQ(LinuxFontSystem::localeIdFromName("es"), 0x0C0A);
  EXPECT_EQ(LinuxFontSystem::localeIdFromName("de_ch"), 0x0807);
  EXPECT_EQ(LinuxFontSystem::localeIdFromName("de_XX"), 0x0407);
  EXPECT_EQ(LinuxFontSystem::localeIdFromName("_DE"), 0x0409);
}

TEST(LinuxFontSystem, LocaleIdFollowsAChangedVariable) {
  // The id is remembered between readers; a new value of the same variable must still count.
  LinuxFontSystem fs;
  EnvGuard all("LC_ALL", std::nullopt), messages("LC_MESSAGES", std::nullopt);
  EnvGuard lang("LANG", QByteArray("fr_CA.UTF-8"));
  EXPECT_EQ(fs.localeId(), 0x0C0C);
  EXPECT_EQ(fs.localeId(), 0x0C0C);
  qputenv("LANG", "de_AT.ISO-8859-1@euro");
  EXPECT_EQ(fs.localeId(), 0x0C07);
  qputenv("LANG", "fr_CA.UTF-8");
  EXPECT_EQ(fs.localeId(), 0x0C0C);
  qunsetenv("LANG");
  EXPECT_EQ(fs.localeId(), 0x0409);
  EXPECT_EQ(LinuxFontSystem::localeIdFromName("sr_RS@latin"), 0x281A);
  EXPECT_EQ(LinuxFontSystem::localeIdFromName(".UTF-8"), 0x0409);
  EXPECT_EQ(LinuxFontSystem::localeIdFromName("nl-BE"), 0x0813);
}

TEST(LinuxFontSystem, FamilyProbeIsExact) {
  LinuxFontSystem fs;
  EXPECT_TRUE(fs.faceExists("DejaVu Sans"));
  EXPECT_FALSE(fs.faceExists("dejavu sans"));
  EXPECT_FALSE(fs.faceExists("DejaVu Sans Bold"));
  EXPECT_FALSE(fs.faceExists(""));
}

// A family this system may lack is drawn in the face the font database itself falls back to.
TEST(LinuxFontSystem, DrawnFamilyIsTheFontDatabasesOwnFallback) {
  LinuxFontSystem fs;
  for (const char* asked : {"Arial", "MS Sans Serif", "Sans Serif", "No Such Family Anywhere", "DejaVu Serif"}) {
    QFont wanted(QString::fromLatin1(asked)), drawn(fs.drawnFamily(QString::fromLatin1(asked)));
    wanted.setBold(true);
    drawn.setBold(true);
    EXPECT_EQ(QFontInfo(drawn).family(), QFontInfo(wanted).family()) << asked;
    EXPECT_EQ(QFontInfo(drawn).styleName(), QFontInfo(wanted).styleName()) << asked;
  }
  EXPECT_EQ(fs.drawnFamily(""), "");
}

// The program's own best match against fontconfig's, for patterns as Qt makes them when it sets up
// a face: a family, often a file and its face, a size; files fontconfig does not know; and
// patterns without a file (families, styles, languages), as the program asks for faces.
TEST(FontMatch, GivesFontconfigsOwnAnswer) {
  using Match = FcPattern* (*)(FcConfig*, FcPattern*, FcResult*);
  const auto own = reinterpret_cast<Match>(dlsym(RTLD_NEXT, "FcFontMatch"));
  ASSERT_TRUE(own);
  ASSERT_NE(own, &FcFontMatch);  // else this compares fontconfig with itself
  QTemporaryDir tmp;
  const QString unknown = writeRenamedFont(tmp.path(), "typora.ttf");
  ASSERT_TRUE(FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(unknown.toUtf8().constData())));
  FcFontSet* system = FcConfigGetFonts(nullptr, FcSetSystem);
  ASSERT_TRUE(system && system->nfont > 0);
  const auto unparse = [](FcPattern* p) {
    FcChar8* text = p ? FcNameUnparse(p) : nullptr;
    const QByteArray out = text ? QByteArray(reinterpret_cast<const char*>(text)) : "none";
    free(text);
    if (p) FcPatternDestroy(p);
    return out;
  };
  const auto compare = [&](FcPattern* p, int k) {
    FcConfigSubstitute(nullptr, p, FcMatchPattern);
    FcDefaultSubstitute(p);
    FcResult ours = FcResultMatch, theirs = FcResultMatch;
    EXPECT_EQ(unparse(FcFontMatch(nullptr, p, &ours)), unparse(own(nullptr, p, &theirs))) << k;
    EXPECT_EQ(ours, theirs) << k;
    FcPatternDestroy(p);
  };
  const QByteArray files[] = {"", "/no/such/font.ttf", unknown.toUtf8()};
  for (int k = -3; k < system->nfont; k += k < 0 ? 1 : std::max(1, system->nfont / 60)) {
    FcPattern* p = FcPatternCreate();
    FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(k == -1 ? "Typora Sans" : "DejaVu Sans"));
    FcChar8* file = nullptr;
    if (k >= 0) FcPatternGetString(system->fonts[k], FC_FILE, 0, &file);
    if (k >= 0 || !files[k + 3].isEmpty())
      FcPatternAddString(p, FC_FILE, file ? file : reinterpret_cast<const FcChar8*>(files[k + 3].constData()));
    FcPatternAddInteger(p, FC_INDEX, 0);
    FcPatternAddDouble(p, FC_PIXEL_SIZE, 12 + k % 9);
    compare(p, k);
    // Without a file, from the face's family and style, or a family nobody has.
    if (k < 0) continue;
    FcPattern* bare = FcPatternCreate();
    FcChar8* text = nullptr;
    if (k % 5 == 0) FcPatternAddString(bare, FC_FAMILY, reinterpret_cast<const FcChar8*>("No Such Family"));
    else if (FcPatternGetString(system->fonts[k], FC_FAMILY, 0, &text) == FcResultMatch)
      FcPatternAddString(bare, FC_FAMILY, text);
    if (FcPatternGetString(system->fonts[k], FC_STYLE, 0, &text) == FcResultMatch) FcPatternAddString(bare, FC_STYLE, text);
    if (k % 3 == 0) FcPatternAddString(bare, FC_LANG, reinterpret_cast<const FcChar8*>(k % 2 ? "ja" : "ar"));
    compare(bare, k);
  }
  compare(FcPatternCreate(), -4);  // nothing asked at all
}

TEST(LinuxFontSystem, ResolvesFamiliesAndFullNames) {
  LinuxFontSystem fs;
  const auto family = fs.resolveFace("DejaVu Sans");
  ASSERT_TRUE(family);
  EXPECT_EQ(family->styleStrategy() & QFont::NoFontMerging, QFont::NoFontMerging);
  EXPECT_EQ(QFontInfo(*family).family(), "DejaVu Sans");

  const auto bold = fs.resolveFace("DejaVu Sans Bold");
  ASSERT_TRUE(bold);
  EXPECT_EQ(QFontInfo(*bold).family(), "DejaVu Sans");
  EXPECT_TRUE(QFontInfo(*bold).bold());
  // Liberation, unlike DejaVu's core set, comes with italic faces.
  const auto oblique = fs.resolveFace("Liberation Serif Bold Italic");
  ASSERT_TRUE(oblique);
  EXPECT_TRUE(QFontInfo(*oblique).italic());
  EXPECT_TRUE(QFontInfo(*oblique).bold());

  EXPECT_FALSE(fs.resolveFace("No Such Face Anywhere"));
  EXPECT_FALSE(fs.resolveFace(""));
}

TEST(LinuxFontSystem, PreviewLoadsAreCountedPerFile) {
  QTemporaryDir tmp;
  const QString path = writeRenamedFont(tmp.path(), "typora-preview.ttf");
  ASSERT_FALSE(path.isEmpty());
  LinuxFontSystem fs;
  ASSERT_FALSE(fs.faceExists("Typora Sans"));
  EXPECT_FALSE(fs.resolveFace("Typora Sans Bold"));

  // The family the file's own name table gives is known too, as long as the file is loaded
  // (fontconfig may spell a family otherwise than the name table).
  ASSERT_FALSE(fs.faceExists("Typora SansOdd"));
  EXPECT_NE(fs.drawnFamily("Typora Sans"), "Typora Sans");
  EXPECT_TRUE(fs.loadPreviewFont(path, "Typora SansOdd"));
  // Qt hears of the file only once something is drawn by its names (each registration empties
  // Qt's cache of loaded faces).
  EXPECT_FALSE(QFontDatabase::hasFamily("Typora Sans"));
  EXPECT_EQ(fs.drawnFamily("Typora Sans"), "Typora Sans");  // a loaded family is drawn in itself
  EXPECT_TRUE(fs.faceExists("Typora Sans"));
  EXPECT_TRUE(fs.faceExists("Typora SansOdd"));
  EXPECT_TRUE(fs.loadPreviewFont(path, {}));
  const auto face = fs.resolveFace("Typora Sans Bold");
  ASSERT_TRUE(face);
  EXPECT_EQ(QFontInfo(*face).family(), "Typora Sans");
  EXPECT_TRUE(QFontInfo(*face).bold());

  EXPECT_TRUE(fs.unloadPreviewFont(path));
  EXPECT_TRUE(fs.faceExists("Typora Sans"));  // one load still holds it
  EXPECT_TRUE(fs.unloadPreviewFont(path));
  EXPECT_FALSE(fs.faceExists("Typora Sans"));
  EXPECT_FALSE(fs.faceExists("Typora SansOdd"));
  EXPECT_FALSE(fs.resolveFace("Typora Sans Bold"));
  EXPECT_FALSE(fs.unloadPreviewFont(path));

  QFile junk(tmp.filePath("junk.ttf"));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write("not a font at all");
  junk.close();
  EXPECT_FALSE(fs.loadPreviewFont(junk.fileName(), {}));
  EXPECT_FALSE(fs.loadPreviewFont(tmp.filePath("missing.ttf"), {}));
  EXPECT_FALSE(fs.loadPreviewFont(tmp.path(), {}));
}

// The resident memory of this process, in bytes.
qint64 residentBytes() {
  QFile status("/proc/self/status");
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
  return -1;
}

TEST(LinuxFontSystem, PreviewOfANonUtf8NameMapsTheFileAndRefusesHugeOnes) {
  // Names Qt cannot open itself; a real font padded out with a hole stays a font.
  QTemporaryDir tmp;
  const auto paddedFont = [&](const char* name, off_t size) {
    const QString made = writeRenamedFont(tmp.path(), "made.ttf");
    const QString path = pathFromBytes(pathToBytes(tmp.path()) + "/" + name);
    const bool ok = !made.isEmpty() && ::rename(pathToBytes(made).c_str(), pathToBytes(path).c_str()) == 0 &&
                    ::truncate(pathToBytes(path).c_str(), size) == 0;
    return ok ? path : QString();
  };
  const QString padded = paddedFont("pad\xff.ttf", off_t{200} << 20);
  const QString huge = paddedFont("x\xff.ttf", off_t{3} << 30);
  ASSERT_FALSE(padded.isEmpty() || huge.isEmpty());

  LinuxFontSystem fs;
  const qint64 before = residentBytes();
  ASSERT_TRUE(fs.loadPreviewFont(padded, {}));
  EXPECT_TRUE(fs.resolveFace("Typora Sans Bold"));
  EXPECT_LT(residentBytes() - before, 64 << 20) << "the file was read whole";
  EXPECT_TRUE(fs.unloadPreviewFont(padded));
  EXPECT_FALSE(fs.faceExists("Typora Sans"));
  EXPECT_FALSE(fs.loadPreviewFont(huge, {})) << "far larger than any font";
  EXPECT_FALSE(fs.faceExists("Typora Sans"));
  // Qt's own removal cannot spell these names.
  ::unlink(pathToBytes(padded).c_str());
  ::unlink(pathToBytes(huge).c_str());
}

// fc-list under the test's own configuration: the file names it lists.
QString fcList(const QString& conf) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("FONTCONFIG_FILE", conf);
  p.setProcessEnvironment(env);
  p.start("fc-list", {"--format", "%{file}\n"});
  p.waitForFinished(60000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

TEST(LinuxFontSystem, RegisterAndUnregisterKeepFontconfigInStep) {
  // Qt reads the font configuration once; let it read the real one before the test's own.
  LinuxFontSystem fs;
  ASSERT_FALSE(fs.faceExists("Typora Sans"));
  QTemporaryDir tmp;
  const QString fonts = tmp.filePath("fonts");
  ASSERT_TRUE(QDir().mkpath(fonts));
  QFile conf(tmp.filePath("fonts.conf"));
  ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
  conf.write(QStringLiteral("<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
                            "<fontconfig><dir>%1</dir><dir>/usr/share/fonts/truetype/dejavu</dir>"
                            "<cachedir>%2</cachedir></fontconfig>\n")
                 .arg(fonts, tmp.filePath("cache"))
                 .toUtf8());
  conf.close();
  EnvGuard file("FONTCONFIG_FILE", conf.fileName().toUtf8());

  const QString path = writeRenamedFont(fonts, "typora-installed.ttf");
  ASSERT_FALSE(path.isEmpty());
  EXPECT_TRUE(fs.registerFontResource(path));
  fs.waitForCacheRefresh();
  EXPECT_TRUE(fcList(conf.fileName()).contains(path));
  EXPECT_TRUE(fs.faceExists("Typora Sans"));
  EXPECT_TRUE(QDir(tmp.filePath("cache")).entryList(QDir::Files).size() > 0);  // fc-cache ran

  QFile junk(fonts + "/junk.ttf");
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write(QByteArray(4096, 'x'));
  junk.close();
  EXPECT_FALSE(fs.registerFontResource(junk.fileName()));
  EXPECT_FALSE(fs.registerFontResource(fonts + "/missing.ttf"));
  EXPECT_FALSE(fs.registerFontResource(fonts));

  EXPECT_FALSE(fs.unregisterFontResource("never-seen.ttf"));
  EXPECT_FALSE(fs.unregisterFontResource(""));
  EXPECT_TRUE(fs.unregisterFontResource("DejaVuSans.ttf"));  // known to fontconfig only
  EXPECT_TRUE(fs.unregisterFontResource("typora-installed.ttf"));
  EXPECT_FALSE(fs.faceExists("Typora Sans"));
  ASSERT_TRUE(QFile::remove(path));  // what Remove Font does next
  fs.waitForCacheRefresh();
  EXPECT_FALSE(fcList(conf.fileName()).contains(path));
  EXPECT_FALSE(fs.unregisterFontResource(path));
}

// The fc-cache processes this process started that have not been reaped.
int fcCacheChildren() {
  int count = 0;
  for (const QString& task : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    QFile children("/proc/self/task/" + task + "/children");
    if (!children.open(QIODevice::ReadOnly)) continue;
    for (const QByteArray& pid : children.readAll().simplified().split(' ')) {
      QFile comm("/proc/" + pid + "/comm");
      if (!pid.isEmpty() && comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "fc-cache") ++count;
    }
  }
  return count;
}

TEST(LinuxFontSystem, CacheRefreshOfANonUtf8FolderEndsBeforeTheFontSystemGoes) {
  QTemporaryDir tmp;
  const std::string folder = pathToBytes(tmp.path()) + "/f\xff";
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  const QString made = writeRenamedFont(tmp.path(), "made.ttf");
  const std::string font = folder + "/typora.ttf";
  ASSERT_FALSE(made.isEmpty());
  ASSERT_EQ(::rename(pathToBytes(made).c_str(), font.c_str()), 0);
  QFile conf(tmp.filePath("fonts.conf"));
  ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
  // The folder is left out of the configuration, so only fc-cache can have cached it.
  conf.write("<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig><cachedir>" +
             tmp.filePath("cache").toUtf8() + "</cachedir></fontconfig>\n");
  conf.close();
  EnvGuard file("FONTCONFIG_FILE", conf.fileName().toUtf8());
  {
    LinuxFontSystem fs;
    EXPECT_TRUE(fs.registerFontResource(pathFromBytes(font)));
    EXPECT_EQ(fcCacheChildren(), 1);
  }
  EXPECT_EQ(fcCacheChildren(), 0);
  EXPECT_EQ(QDir(tmp.filePath("cache")).entryList({"*.cache-*"}, QDir::Files).size(), 1);  // the folder's cache
  ::unlink(font.c_str());
  ::rmdir(folder.c_str());
}

}  // namespace

TEST(LinuxFontSystem, FaceTraitsAreFontconfigsJudgement) {
  // Faces the configuration knows (asked again, the index serves them) and a copy it has never
  // seen, each as fc-query judges its file.
  const QString mono = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf");
  if (!QFile::exists(mono) || !QFile::exists(kDejaVuBold)) GTEST_SKIP() << "fonts-dejavu-core is not installed";
  QTemporaryDir dir;
  const QString copy = dir.path() + "/copy.ttf";
  ASSERT_TRUE(QFile::copy(mono, copy));
  const auto judged = [](const QString& file) {
    QProcess query;
    query.start("fc-query", {"-i", "0", "--format", "%{spacing}\n%{lang}", file});
    EXPECT_TRUE(query.waitForFinished(30000));
    const QList<QByteArray> lines = query.readAllStandardOutput().split('\n');
    QList<QByteArray> languages = lines.value(1).split('|');
    std::sort(languages.begin(), languages.end());
    return FaceTraits{lines.value(0) == "100" ? FaceSpacing::Mono : FaceSpacing::Proportional, languages};
  };
  LinuxFontSystem fonts;
  for (const QString& file : {mono, kDejaVuBold, copy, mono, kDejaVuBold}) {
    const std::optional<FaceTraits> traits = fonts.faceTraits(file, 0);
    ASSERT_TRUE(traits) << file.toStdString();
    EXPECT_EQ(*traits, judged(file)) << file.toStdString();
  }
  EXPECT_EQ(fonts.faceTraits(mono, 0)->spacing, FaceSpacing::Mono);
  EXPECT_FALSE(fonts.faceTraits(mono, 1));
  EXPECT_FALSE(fonts.faceTraits(copy, 1));
  EXPECT_FALSE(fonts.faceTraits(dir.path() + "/none.ttf", 0));
}
