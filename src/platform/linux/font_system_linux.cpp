#include "platform/linux/font_system_linux.h"

#include "platform/path_codec.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QTimer>
#include <fontconfig/fontconfig.h>

#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kCsidlFonts = 20;
constexpr int32_t kDefaultLocaleId = 0x0409;
// Far above any real font file: fonts covering all of Unicode's ideographs run to 30-60 MB,
// the largest collections of them to about 120 MB. Larger files are refused for preview.
constexpr off_t kMaxPreviewFontBytes = off_t{256} << 20;

QString withoutTrailingSlashes(QString s) {
  while (s.size() > 1 && s.endsWith(QLatin1Char('/'))) s.chop(1);
  return s;
}

bool isDirectory(const std::string& bytes) {
  struct stat st {};
  return ::stat(bytes.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isRegularFile(const std::string& bytes) {
  struct stat st {};
  return ::stat(bytes.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The whole regular file mapped read-only, unmapped when the last owner lets go; null when it
// cannot be mapped or is larger than any font.
std::shared_ptr<const char> mapFontFile(const std::string& bytes, qsizetype* size) {
  const int fd = ::open(bytes.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat st {};
  void* at = MAP_FAILED;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 && st.st_size <= kMaxPreviewFontBytes)
    at = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  ::close(fd);
  if (at == MAP_FAILED) return nullptr;
  *size = static_cast<qsizetype>(st.st_size);
  const auto length = static_cast<size_t>(st.st_size);
  return std::shared_ptr<const char>(static_cast<const char*>(at),
                                     [length](const char* p) { ::munmap(const_cast<char*>(p), length); });
}

// The real path of a folder (symbolic links and ".." resolved), or the path itself.
QString canonical(const QString& path) {
  char* real = ::realpath(pathToBytes(path).c_str(), nullptr);
  if (!real) return withoutTrailingSlashes(path);
  QString out = pathFromBytes(real);
  ::free(real);
  return out;
}

bool isSameOrInside(const QString& path, const QString& folder) {
  if (path == folder) return true;
  const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
  return path.startsWith(prefix);
}

QString folderOf(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

QString baseName(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

QString fcString(FcPattern* p, const char* object, int index = 0) {
  FcChar8* s = nullptr;
  if (FcPatternGetString(p, object, index, &s) != FcResultMatch || !s) return {};
  return QString::fromUtf8(reinterpret_cast<const char*>(s));
}

int fcInt(FcPattern* p, const char* object, int fallback) {
  int v = 0;
  return FcPatternGetInteger(p, object, 0, &v) == FcResultMatch ? v : fallback;
}

// LCIDs of the locales people commonly run; the first entry of each language is its default.
struct LocaleEntry {
  const char* name;
  int32_t lcid;
};
constexpr LocaleEntry kLocales[] = {
    {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009},
    {"en_NZ", 0x1409}, {"en_IE", 0x1809}, {"en_ZA", 0x1C09}, {"en_IN", 0x4009},
    {"en_SG", 0x4809}, {"de_DE", 0x0407}, {"de_CH", 0x0807}, {"de_AT", 0x0C07},
    {"de_LU", 0x1007}, {"fr_FR", 0x040C}, {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C},
    {"fr_CH", 0x100C}, {"fr_LU", 0x140C}, {"es_ES", 0x0C0A}, {"es_MX", 0x080A},
    {"es_AR", 0x2C0A}, {"es_CO", 0x240A}, {"es_CL", 0x340A}, {"es_US", 0x540A},
    {"it_IT", 0x0410}, {"it_CH", 0x0810}, {"pt_BR", 0x0416}, {"pt_PT", 0x0816},
    {"nl_NL", 0x0413}, {"nl_BE", 0x0813}, {"sv_SE", 0x041D}, {"sv_FI", 0x081D},
    {"da_DK", 0x0406}, {"nb_NO", 0x0414}, {"nn_NO", 0x0814}, {"no_NO", 0x0414},
    {"fi_FI", 0x040B}, {"is_IS", 0x040F}, {"pl_PL", 0x0415}, {"cs_CZ", 0x0405},
    {"sk_SK", 0x041B}, {"hu_HU", 0x040E}, {"ro_RO", 0x0418}, {"bg_BG", 0x0402},
    {"hr_HR", 0x041A}, {"sr_RS", 0x281A}, {"sl_SI", 0x0424}, {"et_EE", 0x0425},
    {"lv_LV", 0x0426}, {"lt_LT", 0x0427}, {"ru_RU", 0x0419}, {"uk_UA", 0x0422},
    {"be_BY", 0x0423}, {"el_GR", 0x0408}, {"tr_TR", 0x041F}, {"he_IL", 0x040D},
    {"ar_SA", 0x0401}, {"ar_EG", 0x0C01}, {"fa_IR", 0x0429}, {"hi_IN", 0x0439},
    {"bn_IN", 0x0445}, {"ta_IN", 0x0449}, {"th_TH", 0x041E}, {"vi_VN", 0x042A},
    {"id_ID", 0x0421}, {"ms_MY", 0x043E}, {"ja_JP", 0x0411}, {"ko_KR", 0x0412},
    {"zh_CN", 0x0804}, {"zh_TW", 0x0404}, {"zh_HK", 0x0C04}, {"zh_SG", 0x1004},
    {"ca_ES", 0x0403}, {"eu_ES", 0x042D}, {"gl_ES", 0x0456}, {"ga_IE", 0x083C},
    {"cy_GB", 0x0452}, {"sq_AL", 0x041C}, {"mk_MK", 0x042F}, {"ka_GE", 0x0437},
    {"hy_AM", 0x042B}, {"kk_KZ", 0x043F}, {"af_ZA", 0x0436}, {"sw_KE", 0x0441},
};

}  // namespace

LinuxFontSystem::LinuxFontSystem() = default;

LinuxFontSystem::~LinuxFontSystem() {
  flushPendingCacheRefresh();
  // The children finish on their own; nobody needs their status once this object is gone.
  for (std::thread& t : refreshers_) t.detach();
  if (QGuiApplication::instance()) {
    for (const AppFont& f : std::as_const(appFonts_)) QFontDatabase::removeApplicationFont(f.id);
  }
}

QString LinuxFontSystem::specialFolder(int csidl) {
  if (csidl != kCsidlFonts) return {};
  const QByteArray xdg = qgetenv("XDG_DATA_HOME");
  // Relative values are invalid by the XDG rules and are ignored.
  const bool fromXdg = xdg.startsWith('/');
  std::string home = fromXdg ? xdg.toStdString() : qgetenv("HOME").toStdString();
  if (home.empty()) {
    std::vector<char> buf(16384);
    struct passwd pw {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && pw.pw_dir)
      home = pw.pw_dir;
  }
  if (home.empty()) return {};
  // The root folder gives "/fonts/", not "//fonts/": exactly one separator before the name.
  QString base = withoutTrailingSlashes(pathFromBytes(home));
  if (base == QLatin1String("/")) base.clear();
  return base + (fromXdg ? QStringLiteral("/fonts/") : QStringLiteral("/.local/share/fonts/"));
}

QStringList LinuxFontSystem::otherFontFolders() {
  // A fresh configuration each time, so a changed FONTCONFIG_FILE is honoured. Only the
  // configured roots are taken: the folder scan walks below them itself.
  FcConfig* config = FcInitLoadConfig();
  if (!config) return {};
  QStringList configured;
  if (FcStrList* dirs = FcConfigGetFontDirs(config)) {
    while (FcChar8* d = FcStrListNext(dirs)) configured << pathFromBytes(reinterpret_cast<const char*>(d));
    FcStrListDone(dirs);
  }
  FcConfigDestroy(config);

  const QString fontsFolder = specialFolder(kCsidlFonts);
  QStringList taken;  // canonical forms, the fonts folder first
  if (!fontsFolder.isEmpty()) taken << canonical(fontsFolder);
  struct Candidate {
    QString path, real;
  };
  std::vector<Candidate> candidates;
  for (const QString& dir : configured) {
    if (!isDirectory(pathToBytes(dir))) continue;
    candidates.push_back({withoutTrailingSlashes(dir), canonical(dir)});
  }
  // A folder that lies inside another one is covered by that one's scan; listing it again
  // would show its fonts twice.
  QStringList out;
  for (size_t i = 0; i < candidates.size(); ++i) {
    const QString& real = candidates[i].real;
    bool covered = false;
    for (const QString& t : taken) covered = covered || isSameOrInside(real, t);
    for (size_t k = 0; k < candidates.size() && !covered; ++k)
      if (k != i && candidates[k].real != real && isSameOrInside(real, candidates[k].real)) covered = true;
    if (covered) continue;
    taken << real;
    const QString& p = candidates[i].path;
    out << (p.endsWith(QLatin1Char('/')) ? p : p + QLatin1Char('/'));
  }
  return out;
}

int32_t LinuxFontSystem::localeIdFromName(const QString& locale) {
  QString name = locale;
  for (qsizetype i = 0; i < name.size(); ++i) {
    if (name.at(i) == QLatin1Char('.') || name.at(i) == QLatin1Char('@')) {
      name.truncate(i);
      break;
    }
  }
  name.replace(QLatin1Char('-'), QLatin1Char('_'));
  const QStringList parts = name.split(QLatin1Char('_'));
  const QString language = parts.value(0).toLower();
  const QString territory = parts.value(1).toUpper();
  if (language.isEmpty()) return kDefaultLocaleId;
  const QString full = language + QLatin1Char('_') + territory;
  for (const auto& e : kLocales)
    if (full == QLatin1String(e.name)) return e.lcid;
  for (const auto& e : kLocales)
    if (QLatin1String(e.name).startsWith(language + QLatin1Char('_'))) return e.lcid;
  return kDefaultLocaleId;
}

int32_t LinuxFontSystem::localeId() {
  // Every font reader asks for this, so the answer is kept for as long as the variable's
  // value stays the same.
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const QByteArray v = qgetenv(var);
    if (v.isEmpty()) continue;
    if (v != localeSource_) {
      localeSource_ = v;
      localeIdOfSource_ = localeIdFromName(QString::fromLocal8Bit(v));
    }
    return localeIdOfSource_;
  }
  return kDefaultLocaleId;
}

void LinuxFontSystem::loadSystemFamilies() {
  if (systemFamiliesLoaded_) return;
  // Asked of fontconfig directly: building Qt's whole font database costs far more than the
  // family names, and a listing without a window never needs that database. The loaded font
  // sets are walked as they are: a listing query (FcFontList) would compare every face with
  // every distinct one found so far, which costs more than the names themselves.
  // The names are compared as bytes before any is turned into a QString: most faces share
  // their family with several others.
  QSet<QByteArray> seen;
  for (const FcSetName which : {FcSetSystem, FcSetApplication}) {
    FcFontSet* set = FcConfigGetFonts(nullptr, which);
    if (!set) continue;
    for (int i = 0; i < set->nfont; ++i) {
      FcChar8* value = nullptr;
      for (int k = 0; FcPatternGetString(set->fonts[i], FC_FAMILY, k, &value) == FcResultMatch; ++k) {
        if (!value || !*value) break;
        const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(value),
                                                         static_cast<qsizetype>(std::strlen(reinterpret_cast<const char*>(value))));
        if (seen.contains(bytes)) continue;
        seen.insert(QByteArray(bytes.constData(), bytes.size()));
        systemFamilies_.insert(QString::fromUtf8(bytes));
      }
    }
  }
  systemFamiliesLoaded_ = true;
}

bool LinuxFontSystem::faceExists(const QString& face) {
  loadSystemFamilies();
  return systemFamilies_.contains(face) || appFamilies_.contains(face);
}

bool LinuxFontSystem::loadPreviewFont(const QString& path) {
  auto it = appFonts_.find(path);
  if (it != appFonts_.end()) {
    ++it->refs;
    return true;
  }
  const std::string bytes = pathToBytes(path);
  struct stat st {};
  if (::stat(bytes.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxPreviewFontBytes) return false;
  loadSystemFamilies();  // taken before the first app font joins the database
  int id = -1;
  std::shared_ptr<const char> map;
  if (QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())) == path) {
    id = QFontDatabase::addApplicationFont(path);
  } else {
    // Qt would spell a name that is not UTF-8 differently; hand it the file's bytes instead,
    // mapped so that only what the font engine reads is loaded. The map lives as long as the
    // font is registered.
    qsizetype size = 0;
    map = mapFontFile(bytes, &size);
    if (map) id = QFontDatabase::addApplicationFontFromData(QByteArray::fromRawData(map.get(), size));
  }
  if (id < 0) return false;
  const QStringList families = QFontDatabase::applicationFontFamilies(id);
  for (const QString& f : families) ++appFamilies_[f];
  appFonts_.insert(path, AppFont{id, 1, families, std::move(map)});
  appFontsToIndex_.insert(path);
  return true;
}

bool LinuxFontSystem::unloadPreviewFont(const QString& path) {
  auto it = appFonts_.find(path);
  if (it == appFonts_.end()) return false;
  if (--it->refs > 0) return true;
  QFontDatabase::removeApplicationFont(it->id);  // before its map goes with the entry
  for (const QString& f : std::as_const(it->families)) {
    auto n = appFamilies_.find(f);
    if (n != appFamilies_.end() && --*n <= 0) appFamilies_.erase(n);
  }
  appFonts_.erase(it);
  appFontsToIndex_.remove(path);
  for (auto n = appFullNames_.begin(); n != appFullNames_.end();) {
    if (n->path == path) n = appFullNames_.erase(n);
    else ++n;
  }
  return true;
}

void LinuxFontSystem::indexSystemFullNames() {
  systemFullNames_.clear();
  FcPattern* pattern = FcPatternCreate();
  FcObjectSet* objects = FcObjectSetBuild(FC_FULLNAME, FC_FAMILY, FC_WEIGHT, FC_SLANT, FC_WIDTH, nullptr);
  if (FcFontSet* set = FcFontList(nullptr, pattern, objects)) {
    for (int i = 0; i < set->nfont; ++i) {
      FcPattern* p = set->fonts[i];
      const FaceStyle style{fcString(p, FC_FAMILY), fcInt(p, FC_WEIGHT, FC_WEIGHT_REGULAR),
                            fcInt(p, FC_SLANT, FC_SLANT_ROMAN), fcInt(p, FC_WIDTH, FC_WIDTH_NORMAL), {}};
      if (style.family.isEmpty()) continue;
      for (int k = 0;; ++k) {
        const QString full = fcString(p, FC_FULLNAME, k);
        if (full.isEmpty()) break;
        systemFullNames_.insert(full, style);
      }
    }
    FcFontSetDestroy(set);
  }
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  systemFullNamesValid_ = true;
}

void LinuxFontSystem::indexAppFont(const QString& path) {
  FcFontSet* set = FcFontSetCreate();
  FcFreeTypeQueryAll(reinterpret_cast<const FcChar8*>(pathToBytes(path).c_str()),
                     static_cast<unsigned>(-1), nullptr, nullptr, set);
  for (int i = 0; i < set->nfont; ++i) {
    FcPattern* p = set->fonts[i];
    const FaceStyle style{fcString(p, FC_FAMILY), fcInt(p, FC_WEIGHT, FC_WEIGHT_REGULAR),
                          fcInt(p, FC_SLANT, FC_SLANT_ROMAN), fcInt(p, FC_WIDTH, FC_WIDTH_NORMAL), path};
    for (int k = 0;; ++k) {
      const QString full = fcString(p, FC_FULLNAME, k);
      if (full.isEmpty()) break;
      appFullNames_.insert(full, style);
    }
  }
  FcFontSetDestroy(set);
}

QFont LinuxFontSystem::makeFont(const FaceStyle& style) const {
  QFont font(style.family);
  font.setWeight(static_cast<QFont::Weight>(std::clamp(FcWeightToOpenType(style.weight), 1, 1000)));
  font.setStyle(style.slant >= FC_SLANT_OBLIQUE  ? QFont::StyleOblique
                : style.slant >= FC_SLANT_ITALIC ? QFont::StyleItalic
                                                 : QFont::StyleNormal);
  font.setStretch(std::clamp(style.stretch, 1, 4000));
  // Searching other faces for missing glyphs costs far more than drawing; a sample stays in
  // its own face.
  font.setStyleStrategy(QFont::NoFontMerging);
  return font;
}

std::optional<QFont> LinuxFontSystem::resolveFace(const QString& name) {
  if (name.isEmpty()) return std::nullopt;
  if (faceExists(name)) {
    QFont font(name);
    font.setStyleStrategy(QFont::NoFontMerging);
    return font;
  }
  if (!appFontsToIndex_.isEmpty()) {
    for (const QString& path : std::as_const(appFontsToIndex_)) indexAppFont(path);
    appFontsToIndex_.clear();
  }
  auto app = appFullNames_.constFind(name);
  if (app != appFullNames_.cend() && faceExists(app->family)) return makeFont(*app);
  if (!systemFullNamesValid_) indexSystemFullNames();
  auto sys = systemFullNames_.constFind(name);
  if (sys != systemFullNames_.cend() && faceExists(sys->family)) return makeFont(*sys);
  return std::nullopt;
}

void LinuxFontSystem::startCacheRefresh(const QString& folder) {
  const std::string dir = pathToBytes(folder);
  std::string program = "fc-cache", force = "-f";
  char* argv[] = {program.data(), force.data(), const_cast<char*>(dir.c_str()), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, "fc-cache", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    qWarning("fc-cache could not be started");
    return;
  }
  refreshers_.emplace_back([pid] {
    int status = 0;
    pid_t got;
    while ((got = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    if (got < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
      qWarning("fc-cache failed to refresh a font folder");
  });
}

void LinuxFontSystem::flushPendingCacheRefresh() {
  const QStringList folders = pendingRefresh_;
  pendingRefresh_.clear();
  for (const QString& f : folders) startCacheRefresh(f);
}

void LinuxFontSystem::waitForCacheRefresh() {
  flushPendingCacheRefresh();
  for (std::thread& t : refreshers_) t.join();
  refreshers_.clear();
}

bool LinuxFontSystem::registerFontResource(const QString& path) {
  flushPendingCacheRefresh();
  const std::string bytes = pathToBytes(path);
  if (!isRegularFile(bytes)) return false;
  FcFontSet* set = FcFontSetCreate();
  const unsigned faces = FcFreeTypeQueryAll(reinterpret_cast<const FcChar8*>(bytes.c_str()),
                                            static_cast<unsigned>(-1), nullptr, nullptr, set);
  FcFontSetDestroy(set);
  if (faces == 0) return false;
  // Other programs: fontconfig also notices a changed folder by its time stamp, so a failing
  // fc-cache costs them a rescan, not the font.
  startCacheRefresh(folderOf(path));
  if (!registered_.contains(path) && loadPreviewFont(path)) registered_.insert(path);
  return true;
}

bool LinuxFontSystem::unregisterFontResource(const QString& pathOrName) {
  flushPendingCacheRefresh();
  const bool isPath = pathOrName.contains(QLatin1Char('/'));
  const QString name = baseName(pathOrName);
  if (name.isEmpty()) return false;
  const auto matches = [&](const QString& file) {
    return isPath ? file == pathOrName : baseName(file) == name;
  };
  bool known = false;
  QStringList folders;
  const QSet<QString> registered = registered_;
  for (const QString& p : registered) {
    if (!matches(p)) continue;
    unloadPreviewFont(p);
    registered_.remove(p);
    known = true;
    folders << folderOf(p);
  }
  // Preview loads belong to whoever made them (the catalogue releases its own); they only
  // tell that the file is known here.
  for (auto it = appFonts_.cbegin(); it != appFonts_.cend(); ++it) {
    if (matches(it.key())) {
      known = true;
      folders << folderOf(it.key());
    }
  }
  // What fontconfig knows now, read from its caches rather than the state of this process.
  if (FcConfig* config = FcInitLoadConfigAndFonts()) {
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, nullptr);
    if (FcFontSet* set = FcFontList(config, pattern, objects)) {
      for (int i = 0; i < set->nfont; ++i) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch || !file) continue;
        const QString f = pathFromBytes(reinterpret_cast<const char*>(file));
        if (!matches(f)) continue;
        known = true;
        folders << folderOf(f);
      }
      FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
  }
  if (!known) return false;
  // The caller deletes the file after this returns, so the folder's cache is refreshed a
  // moment later (or at the next register/unregister, or when this object goes).
  folders.removeDuplicates();
  for (const QString& f : folders)
    if (!pendingRefresh_.contains(f)) pendingRefresh_ << f;
  if (QCoreApplication::instance())
    QTimer::singleShot(1000, &timerContext_, [this] { flushPendingCacheRefresh(); });
  return true;
}
