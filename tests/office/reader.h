#pragma once
// Runs an independent reader (a Python library of the distribution) over a written file
// and hands back what it printed as JSON.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace office_test {

// Debian's own interpreter, where python3-xlrd, -openpyxl and -docx are installed.
inline const char* kPython = "/usr/bin/python3";

inline QJsonDocument runReader(const char* script, const QStringList& args) {
  QProcess p;
  p.setProgram(QString::fromLatin1(kPython));
  p.setArguments(QStringList{QStringLiteral("-c"), QString::fromUtf8(script)} + args);
  p.start();
  const bool finished = p.waitForFinished(120000);
  const QByteArray out = p.readAllStandardOutput();
  const QByteArray err = p.readAllStandardError();
  EXPECT_TRUE(finished);
  EXPECT_EQ(p.exitCode(), 0) << err.constData();
  QJsonParseError parseError{};
  QJsonDocument doc = QJsonDocument::fromJson(out, &parseError);
  EXPECT_EQ(parseError.error, QJsonParseError::NoError) << out.left(2000).constData() << err.constData();
  return doc;
}

// The first sheet of a workbook, row by row: each cell's type (1 text, 2 number), value and
// font ("Name [b] [i]"); "log" holds what the reader warned about. From an .xls (xlrd) also
// "rowfonts": the font of each row's own format, keyed by row number from 1.
inline const char* kReadXls = R"PY(
import io, json, sys, xlrd
log = io.StringIO()
book = xlrd.open_workbook(sys.argv[1], formatting_info=True, logfile=log)
sh = book.sheet_by_index(0)
def font(xf):
    f = book.font_list[book.xf_list[xf].font_index]
    return f.name + (" [b]" if f.bold else "") + (" [i]" if f.italic else "")
rows = [[{"type": sh.cell(r, c).ctype, "value": sh.cell(r, c).value, "font": font(sh.cell(r, c).xf_index)}
         for c in range(sh.ncols)] for r in range(sh.nrows)]
rowfonts = {str(r + 1): font(info.xf_index) for r, info in sh.rowinfo_map.items() if info.has_default_xf_index}
print(json.dumps({"log": log.getvalue(), "sheets": book.nsheets, "name": sh.name, "rows": rows,
                  "rowfonts": rowfonts}))
)PY";

inline const char* kReadXlsx = R"PY(
import json, sys, warnings, openpyxl
with warnings.catch_warnings(record=True) as caught:
    warnings.simplefilter("always")
    wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.worksheets[0]
font = lambda f: f.name + (" [b]" if f.b else "") + (" [i]" if f.i else "")
rows = [[{"type": c.data_type, "value": c.value, "font": font(c.font)} for c in row] for row in ws.iter_rows()]
print(json.dumps({"log": "".join(str(w.message) for w in caught), "sheets": len(wb.worksheets),
                  "name": ws.title, "rows": rows if ws.max_column > 1 or ws["A1"].value is not None else []}))
)PY";

// Reads an .xlsx with openpyxl and anything else with xlrd.
inline QJsonObject readWorkbook(const QString& path) {
  if (!path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)) return runReader(kReadXls, {path}).object();
  // openpyxl gives cell types as letters: n number, s text.
  QJsonObject o = runReader(kReadXlsx, {path}).object();
  QJsonArray rows;
  for (const auto& row : o["rows"].toArray()) {
    QJsonArray cells;
    for (const auto& cell : row.toArray()) {
      QJsonObject c = cell.toObject();
      c["type"] = c["type"].toString() == QLatin1String("n") ? 2 : c["type"].toString() == QLatin1String("s") ? 1 : 0;
      cells.append(c);
    }
    rows.append(cells);
  }
  o["rows"] = rows;
  return o;
}

// The paragraphs of a .docx (python-docx), each with its text and runs (text, font as above).
inline const char* kReadDocx = R"PY(
import json, sys, docx
d = docx.Document(sys.argv[1])
style = lambda f: f.name + (" [b]" if f.bold else "") + (" [i]" if f.italic else "")
print(json.dumps([{"text": p.text, "runs": [{"text": r.text, "font": style(r.font)} for r in p.runs]}
                  for p in d.paragraphs]))
)PY";

inline QByteArray readAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

inline bool writeAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Names in a folder, to see that no temporary file stayed behind.
inline QStringList entries(const QString& dir) {
  QStringList names;
  QDir d(dir);
  for (const QString& n : d.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
    names << n;
  names.sort();
  return names;
}

// Makes writes past `bytes` fail with EFBIG, as a full disk would fail them, for one scope.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim = old_;
    lim.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lim);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*oldHandler_)(int) = nullptr;
};

}  // namespace office_test
