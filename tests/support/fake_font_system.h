#pragma once
// A font system for tests: it records every call and answers from fields the test sets.
#include "platform/font_system.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

class FakeFontSystem : public FontSystem {
 public:
  QString fontsFolder;               // specialFolder(20); "" when unset
  QStringList otherFolders;
  int32_t locale = 0x0409;
  QSet<QString> families;            // faces the system knows
  QHash<QString, QString> familyOnLoad;  // path -> family that a preview load makes known
  QHash<QString, QFont> fullNames;   // full name -> face, for resolveFace
  bool acceptLoads = true;
  bool registerResult = true;
  bool unregisterResult = true;
  // Decides isUsableFontFile when set; else the real test (fontconfig on the path) does.
  std::function<bool(const QString& path)> usableFontFile;

  QStringList probes;                // faceExists arguments, in order
  QStringList loads, unloads;        // loadPreviewFont / unloadPreviewFont arguments
  QStringList registers, unregisters;
  QHash<QString, int> loadCounts;    // outstanding loads per path
  QHash<QString, QString> loadFamilies;  // path -> the family its load named

  QString specialFolder(int csidl) override { return csidl == 20 ? fontsFolder : QString(); }
  QStringList otherFontFolders() override { return otherFolders; }
  bool registerFontResource(const QString& path) override {
    registers << path;
    return registerResult;
  }
  bool unregisterFontResource(const QString& pathOrName) override {
    unregisters << pathOrName;
    return unregisterResult;
  }
  int32_t localeId() override { return locale; }
  bool isUsableFontFile(const QString& path) override {
    return usableFontFile ? usableFontFile(path) : FontSystem::isUsableFontFile(path);
  }
  bool faceExists(const QString& face) override {
    probes << face;
    return families.contains(face);
  }
  bool loadPreviewFont(const QString& path, const QString& family) override {
    loads << path;
    if (!acceptLoads) return false;
    ++loadCounts[path];
    if (familyOnLoad.contains(path)) families.insert(familyOnLoad.value(path));
    if (!family.isEmpty()) loadFamilies.insert(path, family);
    return true;
  }
  bool unloadPreviewFont(const QString& path) override {
    unloads << path;
    auto it = loadCounts.find(path);
    if (it == loadCounts.end()) return false;
    if (--*it == 0) {
      loadCounts.erase(it);
      if (familyOnLoad.contains(path)) families.remove(familyOnLoad.value(path));
    }
    return true;
  }
  std::optional<QFont> resolveFace(const QString& name) override {
    if (families.contains(name)) return QFont(name);
    if (fullNames.contains(name)) return fullNames.value(name);
    return std::nullopt;
  }
  QHash<QString, QString> drawnFamilies;  // asked -> drawn; unlisted families are drawn in themselves
  QString drawnFamily(const QString& family) override { return drawnFamilies.value(family, family); }
  // Loads that were never unloaded.
  int outstandingLoads() const {
    int n = 0;
    for (int c : loadCounts) n += c;
    return n;
  }
};
