#pragma once
// A font setup of a test's own inside a temporary tree: a fonts.conf naming one folder of the
// tree, the caches (fontconfig's and the program's) in the tree, the tree's "data" folder as
// XDG_DATA_HOME, no display; and runs
// of the program (or of fontconfig's tools) in that setup.
#include "support/temp_tree.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

struct ProgramOutcome {
  int status = -1;  // -1 when the process crashed or did not finish
  QString out, err;
};

// Makes a font or collection with tests/support/opentype_fonts.py (fontTools); "" when it did.
inline QString makeOpenTypeFonts(const QStringList& args) {
  QProcess p;
  p.start("/usr/bin/python3", QStringList{TYPORAMA_SOURCE_DIR "/tests/support/opentype_fonts.py"} + args);
  return p.waitForFinished(120000) && p.exitCode() == 0 ? QString() : args.join(' ') + ": " + p.readAllStandardError();
}

inline QString typoramaProgram() {
  return qEnvironmentVariable("TYPORAMA_BIN", QStringLiteral(TYPORAMA_BINARY_DIR "/typorama"));
}

class PrivateFonts {
 public:
  // `fontsDir` is the folder (relative to the tree) that fontconfig is told about.
  PrivateFonts(const TempTree& tree, const std::string& fontsDir) {
    ok_ = tree.valid() && (tree.folder("data") || QFile::exists(tree.q("data"))) &&
          (tree.folder("cache") || QFile::exists(tree.q("cache")));
    QFile conf(tree.q("fonts.conf"));
    ok_ = ok_ && conf.open(QIODevice::WriteOnly) &&
          conf.write(QStringLiteral("<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
                                    "<fontconfig><dir>%1</dir><cachedir>%2</cachedir></fontconfig>\n")
                         .arg(tree.q(fontsDir), tree.q("cache"))
                         .toUtf8()) > 0;
    env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", tree.q("data"));
    env.insert("XDG_CACHE_HOME", tree.q("cache"));
    env.insert("FONTCONFIG_FILE", tree.q("fonts.conf"));
    env.insert("XDG_RUNTIME_DIR", tree.q(""));
    // The program must find its way without a display of its own.
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
  }
  bool ok() const { return ok_; }

  ProgramOutcome run(const QString& exe, const QStringList& args) const {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(exe, args);
    const bool finished = p.waitForFinished(60000);
    ProgramOutcome r;
    r.status = finished && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
  }
  ProgramOutcome typorama(const QStringList& args) const { return run(typoramaProgram(), args); }

  QProcessEnvironment env;

 private:
  bool ok_ = false;
};
