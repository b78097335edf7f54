#include "office/document_writers.h"

#include "office/save_file.h"
#include "platform/atomic_file.h"
#include "platform/path_codec.h"

#include <QHash>
#include <cerrno>
#include <zip.h>

namespace office {

namespace {

// ---- Rich Text Format ----

// `s` as RTF text: the three special characters escaped, controls dropped, tabs as \tab,
// everything past ASCII as \uN? (N a signed 16-bit number, "?" for readers without Unicode).
// In the font table ';' ends a name and no escape keeps readers from taking it so: it is
// left out there.
void appendRtfText(QByteArray& out, const QString& s, bool inFontTable) {
  for (const QChar qc : s) {
    const char16_t c = qc.unicode();
    if (c == u'\t' && !inFontTable) {
      out += "\\tab ";
    } else if (c < 0x20 || (inFontTable && c == u';')) {
      continue;
    } else if (c >= 0x80) {
      out += "\\u" + QByteArray::number(int(int16_t(c))) + '?';
    } else if (c == u'\\' || c == u'{' || c == u'}') {
      out += '\\';
      out += char(c);
    } else {
      out += char(c);
    }
  }
}

// ---- Office Open XML ----

bool validXmlChar(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// `s` escaped for XML text and attribute values; characters XML cannot carry are dropped.
QString xmlEscaped(const QString& s) {
  QString out;
  out.reserve(s.size());
  const QList<uint> cps = s.toUcs4();  // lone surrogates come out as U+FFFD
  for (const uint cp : cps) {
    if (!validXmlChar(cp)) continue;
    switch (cp) {
      case '&': out += QLatin1String("&amp;"); break;
      case '<': out += QLatin1String("&lt;"); break;
      case '>': out += QLatin1String("&gt;"); break;
      case '"': out += QLatin1String("&quot;"); break;
      default:
        if (cp >= 0x10000) {
          out += QChar(QChar::highSurrogate(cp));
          out += QChar(QChar::lowSurrogate(cp));
        } else {
          out += QChar(char16_t(cp));
        }
    }
  }
  return out;
}

QString runProperties(const TextFont& font) {
  const QString f = xmlEscaped(font.name);
  return QStringLiteral("<w:rPr><w:rFonts w:ascii=\"%1\" w:hAnsi=\"%1\" w:eastAsia=\"%1\" w:cs=\"%1\"/>%2%3</w:rPr>")
      .arg(f, font.bold ? QStringLiteral("<w:b/><w:bCs/>") : QString(),
           font.italic ? QStringLiteral("<w:i/><w:iCs/>") : QString());
}

const char kContentTypes[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/word/document.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
    "</Types>";

const char kPackageRels[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"word/document.xml\"/>"
    "</Relationships>";

}  // namespace

QByteArray buildRtf(const std::vector<Paragraph>& paragraphs) {
  QStringList fonts{Document::defaultFont()};
  QHash<QString, int> index{{Document::defaultFont(), 0}};
  // The font table names each family once; bold and italic go with each run.
  auto fontSwitches = [&](const TextFont& font) {
    auto it = index.constFind(font.name);
    if (it == index.constEnd()) {
      it = index.insert(font.name, int(fonts.size()));
      fonts.append(font.name);
    }
    return "\\f" + QByteArray::number(*it) + (font.bold ? "\\b" : "\\b0") + (font.italic ? "\\i" : "\\i0");
  };

  QByteArray body;
  for (size_t i = 0; i < paragraphs.size(); ++i) {
    const Paragraph& p = paragraphs[i];
    body += "\\pard\\plain";
    for (const TextRun& r : p.runs) {
      body += fontSwitches(r.font) + ' ';
      appendRtfText(body, r.text, false);
    }
    // Text after the last \par is the last paragraph; it ends with the document.
    if (i + 1 < paragraphs.size()) body += fontSwitches(p.markFont) + "\\par\n";
  }

  QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
  for (int i = 0; i < fonts.size(); ++i) {
    out += "{\\f" + QByteArray::number(i) + "\\fnil ";
    appendRtfText(out, fonts[i], true);
    out += ";}";
  }
  out += "}\n";
  out += body;
  out += "\n}\n";
  return out;
}

QByteArray buildDocxDocumentXml(const std::vector<Paragraph>& paragraphs) {
  QString xml = QStringLiteral(
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>");
  for (const Paragraph& p : paragraphs) {
    xml += QStringLiteral("<w:p><w:pPr>") + runProperties(p.markFont) + QStringLiteral("</w:pPr>");
    for (const TextRun& r : p.runs) {
      xml += QStringLiteral("<w:r>") + runProperties(r.font);
      // Tabs are elements of their own in a run.
      const QStringList pieces = r.text.split(QLatin1Char('\t'));
      for (qsizetype k = 0; k < pieces.size(); ++k) {
        if (k > 0) xml += QStringLiteral("<w:tab/>");
        if (!pieces[k].isEmpty())
          xml += QStringLiteral("<w:t xml:space=\"preserve\">") + xmlEscaped(pieces[k]) + QStringLiteral("</w:t>");
      }
      xml += QStringLiteral("</w:r>");
    }
    xml += QStringLiteral("</w:p>");
  }
  xml += QStringLiteral("<w:sectPr/></w:body></w:document>");
  return xml.toUtf8();
}

void writeDocxFile(const std::vector<Paragraph>& paragraphs, const QString& path) {
  AtomicFile file(path);
  FileStatus status = file.open();
  if (!status.ok()) throw saveError(path, status);

  const std::string temp = pathToBytes(file.tempPath());
  int openError = 0;
  zip_t* zip = zip_open(temp.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &openError);
  if (!zip) {
    zip_error_t ze;
    zip_error_init_with_code(&ze, openError);
    const int sys = zip_error_system_type(&ze) == ZIP_ET_SYS ? zip_error_code_system(&ze) : 0;
    const FileStatus reason{sys ? sys : EIO, QString::fromUtf8(zip_error_strerror(&ze))};
    zip_error_fini(&ze);
    throw saveError(path, reason);
  }

  // libzip reads the buffers when the archive is closed: they must live until then.
  const std::vector<std::pair<const char*, QByteArray>> parts = {
      {"[Content_Types].xml", QByteArray(kContentTypes)},
      {"_rels/.rels", QByteArray(kPackageRels)},
      {"word/document.xml", buildDocxDocumentXml(paragraphs)},
  };
  auto zipFailure = [&]() {
    zip_error_t* ze = zip_get_error(zip);
    const int sys = zip_error_system_type(ze) == ZIP_ET_SYS ? zip_error_code_system(ze) : 0;
    return FileStatus{sys ? sys : EIO, QString::fromUtf8(zip_error_strerror(ze))};
  };
  for (const auto& [name, data] : parts) {
    zip_source_t* src = zip_source_buffer(zip, data.constData(), zip_uint64_t(data.size()), 0);
    if (!src || zip_file_add(zip, name, src, ZIP_FL_ENC_UTF_8) < 0) {
      const FileStatus reason = zipFailure();
      if (src) zip_source_free(src);
      zip_discard(zip);
      throw saveError(path, reason);
    }
  }
  if (zip_close(zip) != 0) {
    const FileStatus reason = zipFailure();
    zip_discard(zip);
    throw saveError(path, reason);
  }
  status = file.commit();
  if (!status.ok()) throw saveError(path, status);
}

}  // namespace office
