#pragma once
// The font system on Linux: the user fonts folder, fontconfig's font folders, Qt application
// fonts in place of the font table for this process, and fc-cache for other programs.
#include "platform/font_system.h"

#include <QHash>
#include <QObject>
#include <QProcess>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <mutex>
#include <future>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

class LinuxFontSystem : public FontSystem {
 public:
  LinuxFontSystem();
  ~LinuxFontSystem() override;

  QString specialFolder(int csidl) override;
  QStringList otherFontFolders() override;
  bool registerFontResource(const QString& path) override;
  bool unregisterFontResource(const QString& pathOrName) override;
  int32_t localeId() override;
  bool faceExists(const QString& face) override;
  bool loadPreviewFont(const QString& path, const QString& family) override;
  bool unloadPreviewFont(const QString& path) override;
  std::optional<QFont> resolveFace(const QString& name) override;
  QString drawnFamily(const QString& family) override;
  void prepareDrawnFamilies(const QStringList& families) override;
  std::optional<FaceTraits> faceTraits(const QString& path, uint32_t face) override;

  // The locale id of a POSIX locale name such as "de_DE.UTF-8"; 0x0409 when unknown.
  static int32_t localeIdFromName(const QString& locale);
  // fc-cache runs in the background (it pauses a couple of seconds after writing a changed
  // folder's cache); a failure is logged. This starts the refreshes still waiting for a
  // removal to happen, then waits for all of them.
  void waitForCacheRefresh();

 private:
  std::string localeSource_;  // the locale variable localeIdOfSource_ was worked out from
  int32_t localeIdOfSource_ = 0;
  struct FaceStyle {
    QString family;
    int weight = 400;     // OpenType weight class
    int slant = 0;        // fontconfig: 0 roman, 100 italic, 110 oblique
    int stretch = 100;    // fontconfig width, the same scale as QFont::Stretch
    QString path;         // the app font it came from; empty for system fonts
  };
  struct AppFont {
    int id = -1;  // Qt's, once registered: only when something is drawn by one of its names
    int refs = 0;
    QStringList families;
    QList<std::pair<QString, FaceStyle>> fullNames;
    std::shared_ptr<const char> map;  // the file's bytes, for a font handed over as data
    ino_t inode = 0;               // the file when it was loaded
    struct timespec changed = {};
  };

  void loadSystemFamilies();
  void startCacheRefresh(const QString& folder);
  void flushPendingCacheRefresh();
  void indexSystemFullNames();
  static bool readAppFont(const std::string& bytes, const QString& path, const QString& family, AppFont& font);
  void registerWithQt();
  QFont makeFont(const FaceStyle& style) const;

  void releaseUnloaded();

  QHash<QString, AppFont> appFonts_;  // by path
  // Preview fonts unloaded, still registered with Qt until none has been unloaded for a few
  // seconds: a refill that loads the same file again takes it back. Each registration and each
  // removal has Qt rebuild its font database (every installed face) when it is next used, and
  // Filter refills one after another would do so each time.
  QHash<QString, AppFont> unloaded_;
  QTimer releaseTimer_;
  QSet<QString> registered_;          // paths added by registerFontResource
  // Families known when this object first looked, and those its app fonts add (counted, as two
  // files may share a family). A probe is two hash lookups; loading a file never rescans.
  QSet<QString> systemFamilies_;
  bool systemFamiliesLoaded_ = false;
  QHash<QString, int> appFamilies_;
  // Full names (all languages) of the fonts fontconfig knows and of the app fonts loaded here.
  QHash<QString, FaceStyle> systemFullNames_;
  bool systemFullNamesValid_ = false;
  QHash<QString, FaceStyle> appFullNames_;
  bool unregisteredAppFonts_ = false;
  QHash<QString, QString> drawnFamilies_;  // asked for, drawn in
  struct Prepared {
    QSet<QString> systemFamilies;
    QHash<QString, QString> bestFamilies;  // fontconfig's best match, for families without faces
  };
  std::future<Prepared> prepared_;
  QHash<QString, QString> bestFamilies_;
  QStringList pendingRefresh_;
  std::vector<std::unique_ptr<QProcess>> refreshers_;  // fc-cache runs, waited for at the latest when this goes
  QObject timerContext_;  // cancels a scheduled refresh when this object goes
  // fontconfig's faces by file and index, for faceTraits: made at its second call (one face is
  // looked up faster by a walk over the set), for the configuration it holds a reference to.
  struct FaceIndex;
  std::shared_ptr<FaceIndex> faceIndex_;
  int faceTraitsCalls_ = 0;
  std::mutex faceIndexMutex_;
};
