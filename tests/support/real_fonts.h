#pragma once
// The faces of fonts-dejavu-core and fonts-liberation, with what their files say (as fc-scan
// reads them): several faces per family, so a face chosen by family name plus bold and italic
// shows whether an office program finds each row's own file.
#include <QFile>
#include <QString>
#include <vector>

struct RealFace {
  QString file;
  QString fullName;    // name ID 4
  QString family;      // name ID 1
  QString postscript;  // name ID 6
  bool bold = false;
  bool italic = false;
  // How the readers below report a font: the name, then " [b]" and " [i]" when set.
  QString styled() const { return family + (bold ? " [b]" : "") + (italic ? " [i]" : ""); }
};

// The faces whose files are installed.
inline std::vector<RealFace> realFaces() {
  std::vector<RealFace> all;
  const QString dejavu = QStringLiteral("/usr/share/fonts/truetype/dejavu/");
  for (const char* family : {"Sans", "Sans Mono", "Serif"}) {
    const QString f = QStringLiteral("DejaVu ") + family, ps = QString(f).remove(' ');
    all.push_back({dejavu + ps + ".ttf", f, f, ps});
    all.push_back({dejavu + ps + "-Bold.ttf", f + " Bold", f, ps + "-Bold", true});
  }
  const QString liberation = QStringLiteral("/usr/share/fonts/truetype/liberation/");
  for (const char* family : {"Mono", "Sans", "Sans Narrow", "Serif"}) {
    const QString f = QStringLiteral("Liberation ") + family, ps = QString(f).remove(' ');
    all.push_back({liberation + ps + "-Regular.ttf", f, f, ps});
    all.push_back({liberation + ps + "-Bold.ttf", f + " Bold", f, ps + "-Bold", true});
    all.push_back({liberation + ps + "-Italic.ttf", f + " Italic", f, ps + "-Italic", false, true});
    all.push_back({liberation + ps + "-BoldItalic.ttf", f + " Bold Italic", f, ps + "-BoldItalic", true, true});
  }
  std::vector<RealFace> installed;
  for (const RealFace& face : all)
    if (QFile::exists(face.file)) installed.push_back(face);
  return installed;
}
