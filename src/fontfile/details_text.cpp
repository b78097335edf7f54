#include "fontfile/details_text.h"

#include "core/list_escape.h"
#include "fontfile/truetype_tables.h"
#include "platform/path_codec.h"

#include <QStringList>
#include <cstdio>

using truetype::FaceDetails;

namespace {

// What a field gives, told to a writer: text, a number, a date, a yes or no, a list, the axes.
// A field that gives nothing (the face lacks it) is left out by both writers.
class FieldWriter {
 public:
  virtual ~FieldWriter() = default;
  virtual void text(const QString& value) = 0;
  virtual void integer(int64_t value) = 0;
  virtual void fixed(int32_t value) = 0;  // 16.16, rounded to 3 decimals
  virtual void date(int64_t secondsSince1904) = 0;
  virtual void boolean(bool value) = 0;
  virtual void list(const QStringList& values) = 0;
  virtual void axes(const QList<truetype::VariationAxis>& axes) = 0;
};

struct Subject {
  const FaceDetails& d;
  const QString& path;
  uint32_t face;
};

QStringList latin1List(const QList<QByteArray>& tags) {
  QStringList out;
  for (const QByteArray& t : tags) out << QString::fromLatin1(t);
  return out;
}



using Get = void (*)(const Subject&, FieldWriter&);
struct Field {
  const char* key;
  const char* label;
  Get get;  // none: the place of the names
};

// The one table of every field, in the order both writers give them.
const Field kFields[] = {
    {"path", "Path", [](const Subject& s, FieldWriter& w) { w.text(s.path); }},
    {"face", "Face", [](const Subject& s, FieldWriter& w) { w.integer(s.face); }},
    {"format", "Outline format",
     [](const Subject& s, FieldWriter& w) {
       if (s.d.outline != truetype::Outline::None) w.text(QString::fromLatin1(truetype::outlineName(s.d.outline)));
     }},
    {"", "", nullptr},  // the names, as kDetailNames gives them
    {"revision", "Font revision",
     [](const Subject& s, FieldWriter& w) {
       if (s.d.hasHead) w.fixed(s.d.revision);
     }},
    {"italicAngle", "Italic angle",
     [](const Subject& s, FieldWriter& w) {
       if (s.d.hasPost) w.fixed(s.d.italicAngle);
     }},
    {"unitsPerEm", "Units per em",
     [](const Subject& s, FieldWriter& w) {
       if (s.d.hasHead) w.integer(s.d.unitsPerEm);
     }},
    {"created", "Created",
     [](const Subject& s, FieldWriter& w) {
       if (s.d.hasHead) w.date(s.d.created);
     }},
    {"modified", "Modified",
     [](const Subject& s, FieldWriter& w) {
       if (s.d.hasHead) w.date(s.d.modified);
     }},
    {"vendor", "Vendor",
     [](const Subject& s, FieldWriter& w) {
       if (s.d.hasOs2) w.text(QString::fromLatin1(s.d.vendor));
     }},
    {"weight", "Weight class",
     [](const Subject& s, FieldWriter& w) {
       if (s.d.hasOs2) w.integer(s.d.weight);
     }},
    {"width", "Width class",
     [](const Subject& s, FieldWriter& w) {
       if (s.d.hasOs2) w.integer(s.d.width);
     }},
    {"bold", "Bold",
     [](const Subject& s, FieldWriter& w) {
       if (s.d.hasOs2) w.boolean(s.d.fsSelection & (1u << truetype::kBoldBit));
     }},
    {"italic", "Italic",
     [](const Subject& s, FieldWriter& w) {
       if (s.d.hasOs2) w.boolean(s.d.fsSelection & (1u << truetype::kItalicBit));
     }},
    {"embedding", "Embedding",
     [](const Subject& s, FieldWriter& w) {
       if (s.d.hasOs2) w.text(QString::fromLatin1(truetype::embeddingName(s.d.fsType)));
     }},
    {"noSubsetting", "No subsetting",
     [](const Subject& s, FieldWriter& w) {
       if (s.d.hasOs2) w.boolean(s.d.fsType & 0x100);
     }},
    {"bitmapOnly", "Bitmap embedding only",
     [](const Subject& s, FieldWriter& w) {
       if (s.d.hasOs2) w.boolean(s.d.fsType & 0x200);
     }},
    {"glyphs", "Glyphs",
     [](const Subject& s, FieldWriter& w) {
       if (s.d.hasMaxp) w.integer(s.d.glyphs);
     }},
    {"axes", "Variation axes",
     [](const Subject& s, FieldWriter& w) {
       w.axes(s.d.axes);
     }},
    {"instances", "Named instances", [](const Subject& s, FieldWriter& w) { w.list(s.d.instances); }},
    {"scripts", "Scripts", [](const Subject& s, FieldWriter& w) { w.list(latin1List(s.d.scripts)); }},
    {"features", "Features", [](const Subject& s, FieldWriter& w) { w.list(latin1List(s.d.features)); }},
    {"languages", "Languages", [](const Subject& s, FieldWriter& w) { w.list(latin1List(s.d.languages)); }},
    {"spacing", "Spacing", [](const Subject& s, FieldWriter& w) { w.text(QString::fromLatin1(truetype::spacingName(s.d.spacing))); }},
    {"fileSize", "File size", [](const Subject& s, FieldWriter& w) { w.integer(static_cast<int64_t>(s.d.fileSize)); }},
};

// Calls visit(key, label, write) for every field in order, the names where the table puts them.
template <class Visit>
void forEachField(const Subject& s, Visit visit) {
  for (const Field& f : kFields) {
    if (f.get) {
      visit(f.key, f.label, [&](FieldWriter& w) { f.get(s, w); });
      continue;
    }
    for (const truetype::DetailName& name : truetype::kDetailNames)
      visit(name.key, name.label, [&](FieldWriter& w) {
        if (const QString& text = s.d.names[name.id]; !text.isEmpty()) w.text(text);
      });
  }
}

// A 16.16 value rounded to 3 decimals without trailing zeros; a value halfway (2.0625) goes to the
// even neighbour, as decimal rounding of the exact value does elsewhere (Python's round, say).
std::string fixedText(int32_t value) {
  const int64_t scaled = int64_t{value} * 1000;
  const int64_t exact = scaled < 0 ? -scaled : scaled;
  int64_t magnitude = exact / 65536;  // thousandths
  const int64_t rest = exact % 65536;
  if (rest > 32768 || (rest == 32768 && magnitude % 2 == 1)) ++magnitude;
  char out[32];
  int n = std::snprintf(out, sizeof out, "%s%lld.%03lld", scaled < 0 && magnitude ? "-" : "",
                        static_cast<long long>(magnitude / 1000), static_cast<long long>(magnitude % 1000));
  while (out[n - 1] == '0') --n;
  if (out[n - 1] == '.') --n;
  return std::string(out, static_cast<size_t>(n));
}

// "YYYY-MM-DDTHH:MM:SSZ" of a head date, nothing outside the years 1904 to 9999.
std::optional<std::string> dateText(int64_t secondsSince1904) {
  if (secondsSince1904 < 0) return std::nullopt;
  // Days since 1970-01-01, then the civil date (H. Hinnant's days-to-civil algorithm).
  const int64_t z = secondsSince1904 / 86400 - 24107 + 719468;
  const int64_t secs = secondsSince1904 % 86400;
  const int64_t era = z / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = yoe + era * 400 + (month <= 2);
  if (year > 9999) return std::nullopt;
  char out[128];
  std::snprintf(out, sizeof out, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ", static_cast<long long>(year),
                static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(secs / 3600),
                static_cast<long long>(secs / 60 % 60), static_cast<long long>(secs % 60));
  return std::string(out);
}

QString axisText(const truetype::VariationAxis& a) {
  return QStringLiteral("%1 %2..%3 default %4")
      .arg(QString::fromLatin1(a.tag), QString::fromStdString(fixedText(a.min)), QString::fromStdString(fixedText(a.max)),
           QString::fromStdString(fixedText(a.def)));
}

// The value as a person reads it.
class TextWriter final : public FieldWriter {
 public:
  std::optional<QString> value;
  void text(const QString& v) override { value = v; }
  void integer(int64_t v) override { value = QString::number(v); }
  void fixed(int32_t v) override { value = QString::fromStdString(fixedText(v)); }
  void date(int64_t v) override {
    if (const auto t = dateText(v)) value = QString::fromStdString(*t);
  }
  void boolean(bool v) override { value = v ? QStringLiteral("yes") : QStringLiteral("no"); }
  void list(const QStringList& v) override {
    if (!v.isEmpty()) value = v.join(QStringLiteral(", "));  // an empty list is no line to read
  }
  void axes(const QList<truetype::VariationAxis>& v) override {
    QStringList parts;
    for (const auto& a : v) parts << axisText(a);
    list(parts);
  }
};

// JSON strings: quotes, backslash and control characters escaped, lone surrogates (the bytes of
// a path that are not UTF-8) written as \udcXX so that they come back as those bytes.
void appendJsonString(std::string& out, QStringView s) {
  out += '"';
  char esc[8];
  for (qsizetype i = 0; i < s.size(); ++i) {
    const char16_t c = s[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < s.size() && QChar::isLowSurrogate(s[i + 1].unicode())) {
      out += QStringView(s.data() + i, 2).toUtf8().toStdString();
      ++i;
    } else if (QChar::isSurrogate(c) || c < 0x20) {
      std::snprintf(esc, sizeof esc, "\\u%04x", unsigned{c});
      out += esc;
    } else if (c == u'"' || c == u'\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += QStringView(s.data() + i, 1).toUtf8().toStdString();
    }
  }
  out += '"';
}

class JsonWriter final : public FieldWriter {
 public:
  explicit JsonWriter(std::string& out) : out_(out) {}
  void key(const char* k) { key_ = k; }
  void text(const QString& v) override {
    start();
    appendJsonString(out_, v);
  }
  void integer(int64_t v) override { start() += std::to_string(v); }
  void fixed(int32_t v) override { start() += fixedText(v); }
  void date(int64_t v) override {
    if (const auto t = dateText(v)) start() += '"' + *t + '"';
  }
  void boolean(bool v) override { start() += v ? "true" : "false"; }
  void list(const QStringList& v) override {
    start() += '[';
    for (qsizetype i = 0; i < v.size(); ++i) {
      if (i) out_ += ',';
      appendJsonString(out_, v[i]);
    }
    out_ += ']';
  }
  void axes(const QList<truetype::VariationAxis>& v) override {
    start() += '[';
    for (qsizetype i = 0; i < v.size(); ++i) {
      out_ += i ? ",{\"tag\":" : "{\"tag\":";
      appendJsonString(out_, QString::fromLatin1(v[i].tag));
      out_ += ",\"min\":" + fixedText(v[i].min) + ",\"default\":" + fixedText(v[i].def) +
              ",\"max\":" + fixedText(v[i].max) + '}';
    }
    out_ += ']';
  }

 private:
  std::string& start() {
    out_ += out_.size() > 1 ? ",\"" : "\"";
    out_ += key_;
    out_ += "\":";
    return out_;
  }
  std::string& out_;
  const char* key_ = "";
};

}  // namespace

QList<DetailField> detailFields(const FaceDetails& details, const QString& path, uint32_t face) {
  const Subject subject{details, path, face};
  QList<DetailField> fields;
  forEachField(subject, [&](const char* key, const char* label, auto write) {
    TextWriter w;
    write(w);
    if (w.value) fields.append({QLatin1String(key), QLatin1String(label), std::move(*w.value)});
  });
  return fields;
}

QString detailsText(const QList<DetailField>& fields) {
  QString text;
  for (const DetailField& f : fields) {
    // One line a field whatever a value holds: control characters escaped as --list escapes them.
    text += f.label + QStringLiteral(": ") + pathFromBytes(escapeListField(pathToBytes(f.value))) + QLatin1Char('\n');
  }
  return text;
}

std::string detailsJson(const FaceDetails& details, const QString& path, uint32_t face, std::optional<int> number,
                        const QString* sample) {
  std::string out = "{";
  JsonWriter w(out);
  if (number) {
    w.key("number");
    w.integer(*number);
  }
  const Subject subject{details, path, face};
  forEachField(subject, [&](const char* key, const char*, auto write) {
    w.key(key);
    write(w);
  });
  if (sample) {
    w.key("sample");
    w.text(*sample);
  }
  out += '}';
  return out;
}
