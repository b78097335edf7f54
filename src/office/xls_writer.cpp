#include "office/xls_writer.h"

#include "core/runtime_error.h"
#include "office/compound_file.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace office {

namespace {

// Record types.
constexpr uint16_t kBof = 0x0809, kEof = 0x000A, kCodepage = 0x0042, kWindow1 = 0x003D,
                   kDatemode = 0x0022, kFont = 0x0031, kXf = 0x00E0, kStyle = 0x0293,
                   kBoundsheet = 0x0085, kSst = 0x00FC, kExtsst = 0x00FF, kContinue = 0x003C,
                   kDimensions = 0x0200, kRow = 0x0208, kNumber = 0x0203, kRk = 0x027E,
                   kLabelSst = 0x00FD, kWindow2 = 0x023E;
constexpr int kMaxRecordData = 8224;
constexpr int kXlsRows = 65536;
constexpr int kXlsColumns = 256;
constexpr int kDefaultFonts = 5;   // font records 0-3 and 5; there is no font 4
constexpr int kStyleXfs = 15;      // XF 0-14 are style XFs
constexpr int kDefaultCellXf = 15;
constexpr int kFirstFontXf = 16;   // then one cell XF per row font

class Bytes {
 public:
  QByteArray data;
  void u8(uint8_t v) { data.append(char(v)); }
  void u16(uint16_t v) { u8(uint8_t(v)); u8(uint8_t(v >> 8)); }
  void u32(uint32_t v) { u16(uint16_t(v)); u16(uint16_t(v >> 16)); }
  void f64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    u32(uint32_t(bits));
    u32(uint32_t(bits >> 32));
  }
  qsizetype size() const { return data.size(); }
};

bool fitsOneByte(const QString& s) {
  return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

// Characters of a BIFF8 string: one byte each when they all fit, else UTF-16LE.
void putChars(Bytes& b, const QString& s, qsizetype from, qsizetype count, bool wide) {
  for (qsizetype i = from; i < from + count; ++i) {
    if (wide) b.u16(s.at(i).unicode());
    else b.u8(uint8_t(s.at(i).unicode()));
  }
}

// A string with a one-byte length (font and sheet names).
void putShortString(Bytes& b, const QString& s) {
  const QString t = s.left(255);
  const bool wide = !fitsOneByte(t);
  b.u8(uint8_t(t.size()));
  b.u8(wide ? 1 : 0);
  putChars(b, t, 0, t.size(), wide);
}

class Stream {
 public:
  Bytes out;
  qsizetype position() const { return out.size(); }

  void record(uint16_t type, const Bytes& body) {
    // Records other than the shared strings stay far below the limit; a longer one goes on
    // in CONTINUE records all the same.
    qsizetype off = 0;
    uint16_t t = type;
    do {
      const qsizetype n = std::min<qsizetype>(body.size() - off, kMaxRecordData);
      out.u16(t);
      out.u16(uint16_t(n));
      out.data.append(body.data.constData() + off, n);
      off += n;
      t = kContinue;
    } while (off < body.size());
  }

  // For records built in place (the shared strings).
  void begin(uint16_t type) {
    recordStart_ = out.size();
    out.u16(type);
    out.u16(0);
  }
  void end() {
    const qsizetype len = out.size() - recordStart_ - 4;
    out.data[recordStart_ + 2] = char(len & 0xFF);
    out.data[recordStart_ + 3] = char(len >> 8);
  }
  int room() const { return kMaxRecordData - int(out.size() - recordStart_ - 4); }
  qsizetype offsetInRecord() const { return out.size() - recordStart_; }

 private:
  qsizetype recordStart_ = 0;
};

void putBof(Stream& s, uint16_t kind) {
  Bytes b;
  b.u16(0x0600);  // BIFF8
  b.u16(kind);    // 0x0005 workbook globals, 0x0010 worksheet
  b.u16(0x0DBB);  // build
  b.u16(0x07CC);  // year
  b.u32(0);       // file history flags
  b.u32(0x06);    // lowest version that can read the file: BIFF8
  s.record(kBof, b);
}

void putEof(Stream& s) { s.record(kEof, Bytes()); }

void putFont(Stream& s, const QString& name, uint8_t charset, bool bold = false, bool italic = false) {
  Bytes b;
  b.u16(200);                // 10 points, in twentieths
  b.u16((bold ? 0x01 : 0) | (italic ? 0x02 : 0));  // bold (as the weight says), italic; not struck out
  b.u16(0x7FFF);             // automatic colour
  b.u16(bold ? 700 : 400);   // weight
  b.u16(0);       // no super- or subscript
  b.u8(0);        // no underline
  b.u8(0);        // family not given
  b.u8(charset);
  b.u8(0);
  putShortString(b, name);
  s.record(kFont, b);
}

void putXf(Stream& s, uint16_t font, bool style, uint8_t usedAttributes) {
  Bytes b;
  b.u16(font);
  b.u16(0);                                  // number format "General"
  b.u16(style ? 0xFFF5 : 0x0001);            // locked; a style XF has no parent, a cell XF has "Normal"
  b.u8(0x20);                                // general alignment, bottom
  b.u8(0);                                   // no rotation
  b.u8(0);                                   // no indent
  b.u8(usedAttributes);
  b.u32(0);                                  // no borders
  b.u32(0);                                  // no border colours, no fill
  b.u16(0x20C0);                             // automatic pattern colours
  s.record(kXf, b);
}

// Font record i (0-based) has index i, except that there is no index 4.
uint16_t fontIndexOfRecord(int record) { return uint16_t(record < 4 ? record : record + 1); }

struct SharedStrings {
  std::vector<QString> strings;
  QHash<QString, uint32_t> index;
  uint32_t references = 0;
  uint32_t add(const QString& s) {
    ++references;
    const auto it = index.constFind(s);
    if (it != index.constEnd()) return *it;
    const uint32_t i = uint32_t(strings.size());
    strings.push_back(s);
    index.insert(s, i);
    return i;
  }
};

// SST with EXTSST. A string's header never splits across records; its characters may,
// and then the CONTINUE record starts with the string's option byte again.
void putSharedStrings(Stream& s, const SharedStrings& sst) {
  const int count = int(sst.strings.size());
  const int perBucket = std::max(8, (count + 127) / 128);
  struct Bucket { uint32_t position; uint16_t offset; };
  std::vector<Bucket> buckets;

  s.begin(kSst);
  s.out.u32(sst.references);
  s.out.u32(uint32_t(count));
  for (int i = 0; i < count; ++i) {
    const QString& str = sst.strings[size_t(i)];
    const bool wide = !fitsOneByte(str);
    const int charSize = wide ? 2 : 1;
    if (s.room() < 3 + (str.isEmpty() ? 0 : charSize)) {
      s.end();
      s.begin(kContinue);
    }
    if (i % perBucket == 0) buckets.push_back({uint32_t(s.position()), uint16_t(s.offsetInRecord())});
    s.out.u16(uint16_t(str.size()));
    s.out.u8(wide ? 1 : 0);
    qsizetype done = 0;
    while (done < str.size()) {
      const qsizetype n = std::min<qsizetype>(str.size() - done, s.room() / charSize);
      if (n == 0) {
        s.end();
        s.begin(kContinue);
        s.out.u8(wide ? 1 : 0);
        continue;
      }
      putChars(s.out, str, done, n, wide);
      done += n;
    }
  }
  s.end();

  Bytes ext;
  ext.u16(uint16_t(perBucket));
  for (const Bucket& b : buckets) {
    ext.u32(b.position);
    ext.u16(b.offset);
    ext.u16(0);
  }
  s.record(kExtsst, ext);
}

// An integer that fits the 30 bits of an RK value.
bool asRk(double d, uint32_t& rk) {
  if (d != std::floor(d) || d < -(1 << 29) || d >= (1 << 29)) return false;
  rk = (uint32_t(int32_t(d)) << 2) | 0x2;
  return true;
}

}  // namespace

QByteArray buildBiff8Workbook(const SheetModel& sheet) {
  int firstRow = -1, lastRow = -1, firstCol = -1, lastCol = -1;
  for (const auto& [r, row] : sheet.rows) {
    if (row.cells.empty() && !row.font) continue;
    if (firstRow < 0) firstRow = r;
    lastRow = r;
    if (!row.cells.empty()) {
      const int c0 = row.cells.begin()->first, c1 = row.cells.rbegin()->first;
      firstCol = firstCol < 0 ? c0 : std::min(firstCol, c0);
      lastCol = std::max(lastCol, c1);
    }
  }
  if (lastRow > kXlsRows || lastCol > kXlsColumns) {
    throw errors::objectDefined().withDetail(QStringLiteral(": an Excel 97-2003 workbook holds at most 65536 rows "
                                                            "and 256 columns; save the workbook as .xlsx"));
  }

  // Shared strings first: the globals hold them, the sheet refers to them.
  SharedStrings sst;
  std::vector<uint32_t> cellSst;  // in the order the sheet writes text cells
  for (const auto& [r, row] : sheet.rows)
    for (const auto& [c, v] : row.cells)
      if (const QString* t = std::get_if<QString>(&v)) cellSst.push_back(sst.add(*t));

  Stream g;
  putBof(g, 0x0005);
  { Bytes b; b.u16(1200); g.record(kCodepage, b); }  // strings are UTF-16
  {
    Bytes b;
    b.u16(0); b.u16(0);            // window position
    b.u16(0x3A5C); b.u16(0x2380);  // window size, in twips
    b.u16(0x0038);                 // horizontal and vertical scroll bars, sheet tabs
    b.u16(0); b.u16(0);            // active tab, first visible tab
    b.u16(1);                      // one selected tab
    b.u16(600);                    // tab bar width ratio
    g.record(kWindow1, b);
  }
  { Bytes b; b.u16(0); g.record(kDatemode, b); }
  // The format holds 512 fonts of a workbook's own; rows whose font comes later keep the default.
  const FontList fontList(sheet);
  const int fontCount = std::min(int(fontList.fonts.size()), kMaxXlsFonts);
  const auto xfOf = [&](const SheetRow& row) {
    const int font = fontList.of(row);
    return font >= 0 && font < fontCount ? uint16_t(kFirstFontXf + font) : uint16_t(kDefaultCellXf);
  };
  const QString defaultFont = QStringLiteral("Arial");
  for (int i = 0; i < kDefaultFonts; ++i) putFont(g, defaultFont, 0);
  for (int i = 0; i < fontCount; ++i) {
    const TextFont& f = fontList.fonts[size_t(i)];
    putFont(g, f.name.isEmpty() ? defaultFont : f.name, 1, f.bold, f.italic);  // DEFAULT_CHARSET: found by name
  }

  // Style XFs as a new workbook has them: Normal, then the outline-level styles.
  putXf(g, 0, true, 0x00);
  for (int i = 1; i < kStyleXfs; ++i) putXf(g, i <= 2 ? 1 : (i <= 4 ? 2 : 0), true, 0xF4);
  putXf(g, 0, false, 0x00);  // the default cell XF
  for (int i = 0; i < fontCount; ++i)
    putXf(g, fontIndexOfRecord(kDefaultFonts + i), false, 0xFC);  // own font (and all else)
  {
    Bytes b;
    b.u16(0x8000);  // built-in style on XF 0
    b.u8(0);        // "Normal"
    b.u8(0xFF);
    g.record(kStyle, b);
  }
  const qsizetype boundsheetAt = g.position();
  {
    Bytes b;
    b.u32(0);  // position of the sheet's BOF, filled in below
    b.u8(0);   // visible
    b.u8(0);   // worksheet
    putShortString(b, sheet.name);
    g.record(kBoundsheet, b);
  }
  putSharedStrings(g, sst);
  putEof(g);

  Stream w;
  putBof(w, 0x0010);
  {
    Bytes b;
    b.u32(firstRow < 0 ? 0 : uint32_t(firstRow - 1));
    b.u32(lastRow < 0 ? 0 : uint32_t(lastRow));
    b.u16(firstCol < 0 ? 0 : uint16_t(firstCol - 1));
    b.u16(lastCol < 0 ? 0 : uint16_t(lastCol));
    b.u16(0);
    w.record(kDimensions, b);
  }

  // Rows go in blocks of 32: the ROW records, then the cells of those rows.
  size_t nextSst = 0;
  std::vector<const std::pair<const int, SheetRow>*> block;
  auto flush = [&]() {
    for (const auto* entry : block) {
      const SheetRow& row = entry->second;
      Bytes b;
      b.u16(uint16_t(entry->first - 1));
      b.u16(row.cells.empty() ? 0 : uint16_t(row.cells.begin()->first - 1));
      b.u16(row.cells.empty() ? 0 : uint16_t(row.cells.rbegin()->first));
      b.u16(0x00FF);  // default height
      b.u16(0);
      b.u16(0);
      const uint16_t xf = xfOf(row);
      b.u16(xf != kDefaultCellXf ? 0x0180 : 0x0100);  // the row has a format of its own
      b.u16(xf);
      w.record(kRow, b);
    }
    for (const auto* entry : block) {
      const SheetRow& row = entry->second;
      const uint16_t xf = xfOf(row);
      for (const auto& [c, v] : row.cells) {
        Bytes b;
        b.u16(uint16_t(entry->first - 1));
        b.u16(uint16_t(c - 1));
        b.u16(xf);
        uint32_t rk = 0;
        if (const double* d = std::get_if<double>(&v)) {
          if (asRk(*d, rk)) {
            b.u32(rk);
            w.record(kRk, b);
          } else {
            b.f64(*d);
            w.record(kNumber, b);
          }
        } else {
          b.u32(cellSst[nextSst++]);
          w.record(kLabelSst, b);
        }
      }
    }
    block.clear();
  };
  for (const auto& entry : sheet.rows) {
    if (entry.second.cells.empty() && !entry.second.font) continue;
    if (!block.empty() && (entry.first - 1) / 32 != (block.front()->first - 1) / 32) flush();
    block.push_back(&entry);
  }
  flush();
  {
    Bytes b;
    b.u16(0x06B6);  // gridlines, headers, zeros, default grid colour, outline symbols, selected, paged
    b.u16(0);       // top row
    b.u16(0);       // left column
    b.u32(0x40);    // grid colour: automatic
    b.u16(0);       // zoom in page break preview: default
    b.u16(0);       // zoom in normal view: default
    b.u32(0);
    w.record(kWindow2, b);
  }
  putEof(w);

  QByteArray stream = g.out.data;
  const uint32_t sheetAt = uint32_t(stream.size());
  for (int i = 0; i < 4; ++i) stream[boundsheetAt + 4 + i] = char(sheetAt >> (8 * i));
  stream.append(w.out.data);
  return stream;
}

QByteArray buildXlsFile(const SheetModel& sheet) {
  return buildCompoundFile(QStringLiteral("Workbook"), buildBiff8Workbook(sheet));
}

}  // namespace office
