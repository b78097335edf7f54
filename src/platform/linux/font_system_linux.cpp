#include "platform/linux/font_system_linux.h"

#include "platform/linux/fc_ptr.h"
#include "platform/path_codec.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QProcess>
#include <QTimer>
#include <unicode/uloc.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <vector>

namespace {

// The program's own notes, told apart from Qt's (the command line passes only these on).
Q_LOGGING_CATEGORY(lcFontCache, "typorama.fontcache")

constexpr int kCsidlFonts = 20;
constexpr int kCsidlLocalAppData = 0x1C;
constexpr int32_t kDefaultLocaleId = 0x0409;
constexpr int kExitWaitMs = 3000;
// How long unloaded preview fonts stay registered with Qt for a refill to take back.
constexpr int kReleaseDelayMs = 10000;
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

// A locale id from ICU: the name's own, else that of the language and country it most likely
// means ("de" is German in Germany, "sr_RS" Serbian in Cyrillic); 0 when ICU knows neither.
// Ids of a language alone (0x0007 "de", 0x7C1A "sr": sublanguage 0 or 0x19 and up) name no
// locale that a font's names are tagged with.
int32_t icuLocaleId(const std::string& name) {
  const auto namesACountry = [](uint32_t id) {
    const uint32_t sublanguage = (id >> 10) & 0x3F;
    return sublanguage >= 1 && sublanguage <= 0x18;
  };
  const auto likely = [](const std::string& id) {
    char out[ULOC_FULLNAME_CAPACITY] = {};
    char language[ULOC_LANG_CAPACITY] = {};
    char country[ULOC_COUNTRY_CAPACITY] = {};
    UErrorCode status = U_ZERO_ERROR;
    uloc_addLikelySubtags(id.c_str(), out, sizeof out - 1, &status);
    uloc_getLanguage(out, language, sizeof language - 1, &status);
    uloc_getCountry(out, country, sizeof country - 1, &status);
    if (U_FAILURE(status)) return std::pair<std::string, std::string>{};
    return std::pair<std::string, std::string>{out, *country ? std::string(language) + "_" + country : ""};
  };
  const std::string language = name.substr(0, name.find('_'));
  const auto [maximal, plain] = likely(name);
  for (const std::string& candidate : {name, maximal, plain, likely(language).second}) {
    if (candidate.empty()) continue;
    const uint32_t id = uloc_getLCID(candidate.c_str());
    if (namesACountry(id)) return static_cast<int32_t>(id & 0xFFFF);
  }
  return 0;
}

// The family names of the faces fontconfig has loaded from the configured folders. Asked of
// fontconfig directly: building Qt's whole font database costs far more than the names, and a
// listing without a window never needs that database. The font set is walked as it is: a
// listing query (FcFontList) would compare every face with every distinct one found so far.
QSet<QString> readSystemFamilies(FcConfig* config) {
  FcFontSet* set = FcConfigGetFonts(config, FcSetSystem);
  if (!set) return {};
  // Most faces share their family with several others: the names are compared as bytes (in
  // fontconfig's memory) before any is turned into a QString.
  std::unordered_set<std::string_view> seen;
  QSet<QString> families;
  for (int i = 0; i < set->nfont; ++i) {
    FcChar8* value = nullptr;
    for (int k = 0; FcPatternGetString(set->fonts[i], FC_FAMILY, k, &value) == FcResultMatch; ++k) {
      if (!value || !*value) break;
      const std::string_view name(reinterpret_cast<const char*>(value));
      if (!seen.insert(name).second) continue;
      families.insert(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    }
  }
  return families;
}

// Every full name a face gives (one per language).
QStringList fullNamesOf(FcPattern* p) {
  QStringList names;
  for (int k = 0;; ++k) {
    QString full = fcString(p, FC_FULLNAME, k);
    if (full.isEmpty()) return names;
    names << std::move(full);
  }
}

// The family of fontconfig's best match for upright text in `family`, the default language.
QString bestFamily(FcConfig* config, const QString& family) {
  const fc::Pattern pattern(FcPatternCreate());
  const fc::Pattern defaults(FcPatternCreate());
  if (!pattern || !defaults) return {};
  FcChar8* language = nullptr;
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.toUtf8().constData()));
  FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ROMAN);
  FcDefaultSubstitute(defaults.get());
  if (FcPatternGetString(defaults.get(), FC_LANG, 0, &language) == FcResultMatch)
    FcPatternAddString(pattern.get(), FC_LANG, language);
  FcConfigSubstitute(config, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  const fc::Pattern match(FcFontMatch(config, pattern.get(), &result));
  return match ? fcString(match.get(), FC_FAMILY) : QString();
}
}  // namespace

LinuxFontSystem::LinuxFontSystem() {
  releaseTimer_.setSingleShot(true);
  releaseTimer_.setInterval(kReleaseDelayMs);
  QObject::connect(&releaseTimer_, &QTimer::timeout, &timerContext_, [this] { releaseUnloaded(); });
}

LinuxFontSystem::~LinuxFontSystem() {
  // fc-cache writes the cache first and then pauses two seconds (so that later changes get
  // later time stamps); a refresh still running after the wait is stopped, which at worst
  // leaves other programs to rescan the folder themselves.
  flushPendingCacheRefresh();
  const QDeadlineTimer deadline(kExitWaitMs);
  for (const auto& p : refreshers_) p->waitForFinished(int(std::max<qint64>(deadline.remainingTime(), 1)));
  refreshers_.clear();
  if (QGuiApplication::instance()) {
    for (const AppFont& f : std::as_const(appFonts_))
      if (f.id >= 0) QFontDatabase::removeApplicationFont(f.id);
    releaseUnloaded();
  }
}

void LinuxFontSystem::releaseUnloaded() {
  for (const AppFont& f : std::as_const(unloaded_))
    if (f.id >= 0) QFontDatabase::removeApplicationFont(f.id);
  unloaded_.clear();
}

QString LinuxFontSystem::specialFolder(int csidl) {
  // The user's fonts, below the data folder; the user's caches, the folder Windows calls local
  // application data.
  const bool fonts = csidl == kCsidlFonts;
  if (!fonts && csidl != kCsidlLocalAppData) return {};
  const QByteArray xdg = qgetenv(fonts ? "XDG_DATA_HOME" : "XDG_CACHE_HOME");
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
  if (!fonts) return base + (fromXdg ? QStringLiteral("/") : QStringLiteral("/.cache/"));
  return base + (fromXdg ? QStringLiteral("/fonts/") : QStringLiteral("/.local/share/fonts/"));
}

QStringList LinuxFontSystem::otherFontFolders() {
  // A fresh configuration each time, so a changed FONTCONFIG_FILE is honoured. Only the
  // configured roots are taken: the folder scan walks below them itself. The configuration
  // file alone names them: fontconfig's own loader also reads each of its 40-odd sample files
  // for their descriptions (a third of a warm listing's time), and is needed only for its
  // fallback when the file cannot be read.
  fc::Config config(FcConfigCreate());
  if (config && !FcConfigParseAndLoad(config.get(), nullptr, FcTrue)) config.reset(FcInitLoadConfig());
  if (!config) return {};
  QStringList configured;
  if (const fc::StrList dirs{FcConfigGetFontDirs(config.get())}) {
    while (FcChar8* d = FcStrListNext(dirs.get())) configured << pathFromBytes(reinterpret_cast<const char*>(d));
  }

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
  // A POSIX name: the codeset and the modifier ("de_AT.ISO-8859-1@euro") say nothing of the
  // language.
  QString name = locale;
  for (qsizetype i = 0; i < name.size(); ++i) {
    if (name.at(i) == QLatin1Char('.') || name.at(i) == QLatin1Char('@')) {
      name.truncate(i);
      break;
    }
  }
  name.replace(QLatin1Char('-'), QLatin1Char('_'));
  if (name.isEmpty() || name.startsWith(QLatin1Char('_'))) return kDefaultLocaleId;
  const int32_t id = icuLocaleId(name.toStdString());
  return id != 0 ? id : kDefaultLocaleId;
}

int32_t LinuxFontSystem::localeId() {
  // Every font reader asks for this, so the answer is kept for as long as the variable's
  // value stays the same (and the value is only compared, never copied, to find that out).
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(var);
    if (!v || !*v) continue;
    if (localeSource_ != v) {
      localeSource_ = v;
      localeIdOfSource_ = localeIdFromName(QString::fromLocal8Bit(v));
    }
    return localeIdOfSource_;
  }
  return kDefaultLocaleId;
}

void LinuxFontSystem::loadSystemFamilies() {
  if (systemFamiliesLoaded_) return;
  if (prepared_.valid()) {
    Prepared prepared = prepared_.get();
    systemFamilies_ = std::move(prepared.systemFamilies);
    bestFamilies_ = std::move(prepared.bestFamilies);
  } else {
    systemFamilies_ = readSystemFamilies(nullptr);
  }
  systemFamiliesLoaded_ = true;
}

void LinuxFontSystem::prepareDrawnFamilies(const QStringList& families) {
  if (systemFamiliesLoaded_ || prepared_.valid()) return;
  // The thread keeps the configuration current now: loading a sample face makes an empty one
  // current for a moment.
  FcConfig* config = FcConfigReference(nullptr);
  if (!config) return;
  try {
    prepared_ = std::async(std::launch::async, [config, families] {
      Prepared prepared;
      prepared.systemFamilies = readSystemFamilies(config);
      for (const QString& f : families) {
        if (!f.isEmpty() && !prepared.systemFamilies.contains(f))
          prepared.bestFamilies.insert(f, bestFamily(config, f));
      }
      FcConfigDestroy(config);
      return prepared;
    });
  } catch (const std::system_error&) {
    FcConfigDestroy(config);  // no thread: looked up when asked
  }
}

bool LinuxFontSystem::faceExists(const QString& face) {
  loadSystemFamilies();
  return systemFamilies_.contains(face) || appFamilies_.contains(face);
}

bool LinuxFontSystem::readAppFont(const std::string& bytes, const QString& path, const QString& family,
                                  AppFont& font) {
  // The faces as fontconfig reads them, which is what Qt would register.
  const fc::FontSet set(FcFontSetCreate());
  if (!set) return false;
  FcFreeTypeQueryAll(reinterpret_cast<const FcChar8*>(bytes.c_str()), static_cast<unsigned>(-1), nullptr, nullptr,
                     set.get());
  for (int i = 0; i < set->nfont; ++i) {
    FcPattern* p = set->fonts[i];
    const FaceStyle style{fcString(p, FC_FAMILY), fcInt(p, FC_WEIGHT, FC_WEIGHT_REGULAR),
                          fcInt(p, FC_SLANT, FC_SLANT_ROMAN), fcInt(p, FC_WIDTH, FC_WIDTH_NORMAL), path};
    if (!style.family.isEmpty() && !font.families.contains(style.family)) font.families << style.family;
    for (const QString& full : fullNamesOf(p)) font.fullNames.append({full, style});
  }
  if (font.families.isEmpty()) return false;
  if (!family.isEmpty() && !font.families.contains(family)) font.families << family;
  return true;
}

bool LinuxFontSystem::loadPreviewFont(const QString& path, const QString& family) {
  auto it = appFonts_.find(path);
  if (it != appFonts_.end()) {
    ++it->refs;
    return true;
  }
  const std::string bytes = pathToBytes(path);
  struct stat st {};
  if (::stat(bytes.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxPreviewFontBytes) return false;
  AppFont font;
  if (const auto old = unloaded_.find(path); old != unloaded_.end()) {
    // Unloaded a moment ago: taken back as it is, unless the file has changed since.
    if (old->inode == st.st_ino && old->changed.tv_sec == st.st_ctim.tv_sec &&
        old->changed.tv_nsec == st.st_ctim.tv_nsec) {
      font = std::move(*old);
      if (!family.isEmpty() && !font.families.contains(family)) font.families << family;
    } else if (old->id >= 0) {
      QFontDatabase::removeApplicationFont(old->id);
    }
    unloaded_.erase(old);
  }
  // Qt hears of the file only when something is drawn by one of its names (the grid draws
  // each sample from its file): each registration empties Qt's cache of loaded faces, and the
  // window's own faces would then be looked up again among every installed face.
  if (font.families.isEmpty() && !readAppFont(bytes, path, family, font)) return false;
  font.refs = 1;
  font.inode = st.st_ino;
  font.changed = st.st_ctim;
  for (const QString& f : std::as_const(font.families)) {
    ++appFamilies_[f];
    drawnFamilies_.remove(f);  // now drawn in its own face
  }
  for (const auto& [full, style] : std::as_const(font.fullNames)) appFullNames_.insert(full, style);
  unregisteredAppFonts_ = unregisteredAppFonts_ || font.id < 0;
  appFonts_.insert(path, std::move(font));
  return true;
}

void LinuxFontSystem::registerWithQt() {
  if (!unregisteredAppFonts_) return;
  unregisteredAppFonts_ = false;
  for (auto it = appFonts_.begin(); it != appFonts_.end(); ++it) {
    if (it->id >= 0) continue;
    const std::string bytes = pathToBytes(it.key());
    if (QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())) == it.key()) {
      it->id = QFontDatabase::addApplicationFont(it.key());
    } else {
      // Qt would spell a name that is not UTF-8 differently; hand it the file's bytes instead,
      // mapped so that only what the font engine reads is loaded. The map lives as long as the
      // font is registered.
      qsizetype size = 0;
      it->map = mapFontFile(bytes, &size);
      if (it->map) it->id = QFontDatabase::addApplicationFontFromData(QByteArray::fromRawData(it->map.get(), size));
    }
  }
}

bool LinuxFontSystem::unloadPreviewFont(const QString& path) {
  auto it = appFonts_.find(path);
  if (it == appFonts_.end()) return false;
  if (--it->refs > 0) return true;
  unloaded_.insert(path, *it);
  releaseTimer_.start();
  for (const QString& f : std::as_const(it->families)) {
    auto n = appFamilies_.find(f);
    if (n != appFamilies_.end() && --*n <= 0) {
      appFamilies_.erase(n);
      drawnFamilies_.remove(f);
    }
  }
  appFonts_.erase(it);
  for (auto n = appFullNames_.begin(); n != appFullNames_.end();) {
    if (n->path == path) n = appFullNames_.erase(n);
    else ++n;
  }
  return true;
}

void LinuxFontSystem::indexSystemFullNames() {
  systemFullNames_.clear();
  const fc::Pattern pattern(FcPatternCreate());
  const fc::ObjectSet objects(FcObjectSetBuild(FC_FULLNAME, FC_FAMILY, FC_WEIGHT, FC_SLANT, FC_WIDTH, nullptr));
  const fc::FontSet set(pattern && objects ? FcFontList(nullptr, pattern.get(), objects.get()) : nullptr);
  for (int i = 0; set && i < set->nfont; ++i) {
    FcPattern* p = set->fonts[i];
    const FaceStyle style{fcString(p, FC_FAMILY), fcInt(p, FC_WEIGHT, FC_WEIGHT_REGULAR),
                          fcInt(p, FC_SLANT, FC_SLANT_ROMAN), fcInt(p, FC_WIDTH, FC_WIDTH_NORMAL), {}};
    if (style.family.isEmpty()) continue;
    for (const QString& full : fullNamesOf(p)) systemFullNames_.insert(full, style);
  }
  systemFullNamesValid_ = true;
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
    if (!systemFamilies_.contains(name)) registerWithQt();
    QFont font(name);
    font.setStyleStrategy(QFont::NoFontMerging);
    return font;
  }
  auto app = appFullNames_.constFind(name);
  if (app != appFullNames_.cend() && faceExists(app->family)) {
    registerWithQt();
    return makeFont(*app);
  }
  if (!systemFullNamesValid_) indexSystemFullNames();
  auto sys = systemFullNames_.constFind(name);
  if (sys != systemFullNames_.cend() && faceExists(sys->family)) return makeFont(*sys);
  return std::nullopt;
}

QString LinuxFontSystem::drawnFamily(const QString& family) {
  if (const auto known = drawnFamilies_.constFind(family); known != drawnFamilies_.cend()) return *known;
  QString drawn = family;
  if (appFamilies_.contains(family)) registerWithQt();
  // Without a face of its own (the font database also lists "Sans Serif" and the like, which
  // have none), the database falls back to the first family of fontconfig's sort of every face
  // for this pattern: the family, upright, the default language. The best match heads that
  // sort, and finding it costs a fraction of the sort.
  if (!family.isEmpty() && !faceExists(family)) {
    const QString best = bestFamilies_.contains(family) ? bestFamilies_.take(family) : bestFamily(nullptr, family);
    // Anything else (the same family under another case, one the database lacks) is left to
    // the database's own search.
    if (!best.isEmpty() && best.compare(family, Qt::CaseInsensitive) != 0 && QFontDatabase::hasFamily(best))
      drawn = best;
  }
  drawnFamilies_.insert(family, drawn);
  return drawn;
}

void LinuxFontSystem::startCacheRefresh(const QString& folder) {
  std::erase_if(refreshers_, [](const auto& p) { return p->state() == QProcess::NotRunning; });
  auto process = std::make_unique<QProcess>();
  process->setProgram(QStringLiteral("fc-cache"));
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  const std::string dir = pathToBytes(folder);
  if (QString::fromUtf8(dir.data(), qsizetype(dir.size())) == folder) {
    process->setArguments({QStringLiteral("-f"), folder});
  } else {
    // Arguments are passed on as UTF-8, which cannot spell this name; fc-cache is started in
    // the folder instead and makes "." absolute itself.
    process->setChildProcessModifier([dir] {
      if (::chdir(dir.c_str()) != 0) ::_exit(127);
    });
    process->setArguments({QStringLiteral("-f"), QStringLiteral(".")});
  }
  // Reported when it ends: at once with an event loop, else when waited for.
  QObject::connect(process.get(), &QProcess::finished, [](int code, QProcess::ExitStatus status) {
    if (status != QProcess::NormalExit || code != 0) qCWarning(lcFontCache, "fc-cache failed to refresh a font folder");
  });
  process->start();
  if (!process->waitForStarted()) {
    qCWarning(lcFontCache, "fc-cache could not be started");
    return;
  }
  refreshers_.push_back(std::move(process));
}

void LinuxFontSystem::flushPendingCacheRefresh() {
  const QStringList folders = pendingRefresh_;
  pendingRefresh_.clear();
  for (const QString& f : folders) startCacheRefresh(f);
}

void LinuxFontSystem::waitForCacheRefresh() {
  flushPendingCacheRefresh();
  for (const auto& p : refreshers_) p->waitForFinished(-1);
  refreshers_.clear();
}

bool LinuxFontSystem::registerFontResource(const QString& path) {
  flushPendingCacheRefresh();
  if (!fontFileHasFaces(path)) return false;
  // Other programs: fontconfig also notices a changed folder by its time stamp, so a failing
  // fc-cache costs them a rescan, not the font.
  startCacheRefresh(folderOf(path));
  if (!registered_.contains(path) && loadPreviewFont(path, {})) registered_.insert(path);
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
  const fc::Config config(FcInitLoadConfigAndFonts());
  const fc::Pattern pattern(FcPatternCreate());
  const fc::ObjectSet objects(FcObjectSetBuild(FC_FILE, nullptr));
  const fc::FontSet set(config && pattern && objects ? FcFontList(config.get(), pattern.get(), objects.get())
                                                     : nullptr);
  for (int i = 0; set && i < set->nfont; ++i) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch || !file) continue;
    const QString f = pathFromBytes(reinterpret_cast<const char*>(file));
    if (!matches(f)) continue;
    known = true;
    folders << folderOf(f);
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
