#include "platform/path_codec.h"

#include <cstring>

namespace {
// Length of the valid UTF-8 sequence at s[i], or 0 when the bytes there are not one.
int utf8SequenceLength(std::string_view s, size_t i, char32_t& cp) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  int len;
  if (c < 0x80) { cp = c; return 1; }
  if (c >= 0xC2 && c <= 0xDF) { len = 2; cp = c & 0x1F; }
  else if (c >= 0xE0 && c <= 0xEF) { len = 3; cp = c & 0x0F; }
  else if (c >= 0xF0 && c <= 0xF4) { len = 4; cp = c & 0x07; }
  else return 0;
  if (i + len > s.size()) return 0;
  for (int k = 1; k < len; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not valid UTF-8.
  if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return len;
}
}  // namespace

QString pathFromBytes(std::string_view bytes) {
  // Plain ASCII (most names) is the same text in any of the encodings: one bulk conversion.
  size_t ascii = 0;
  while (ascii < bytes.size() && static_cast<unsigned char>(bytes[ascii]) < 0x80) ++ascii;
  if (ascii == bytes.size()) return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QString out;
  out.reserve(static_cast<qsizetype>(bytes.size()));
  for (size_t i = 0; i < bytes.size();) {
    char32_t cp = 0;
    const int len = utf8SequenceLength(bytes, i, cp);
    if (len == 0) {
      out.append(QChar(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[i]))));
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      out.append(QChar(QChar::highSurrogate(cp)));
      out.append(QChar(QChar::lowSurrogate(cp)));
    } else {
      out.append(QChar(static_cast<char16_t>(cp)));
    }
    i += static_cast<size_t>(len);
  }
  return out;
}

std::string pathToBytes(const QString& path) {
  std::string out;
  // Most paths are plain ASCII, which maps unit for unit: a tight loop with no per-unit
  // append. The first other unit hands the rest to the general encoder below.
  const qsizetype n = path.size();
  const auto* units = reinterpret_cast<const char16_t*>(path.utf16());
  out.resize(static_cast<size_t>(n));
  char* dst = out.data();
  qsizetype ascii = 0;
  // Eight units at a time while all eight are ASCII, then one at a time.
  for (uint64_t a, b; ascii + 8 <= n; ascii += 8) {
    std::memcpy(&a, units + ascii, sizeof a);
    std::memcpy(&b, units + ascii + 4, sizeof b);
    if ((a | b) & 0xFF80FF80FF80FF80u) break;
    for (int k = 0; k < 8; ++k) dst[ascii + k] = static_cast<char>(units[ascii + k]);
  }
  for (; ascii < n && units[ascii] < 0x80; ++ascii) dst[ascii] = static_cast<char>(units[ascii]);
  out.resize(static_cast<size_t>(ascii));
  if (ascii == n) return out;
  out.reserve(static_cast<size_t>(n) + 3);
  const auto put = [&](char32_t cp) {
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  };
  for (qsizetype i = ascii; i < n; ++i) {
    const char16_t u = path.at(i).unicode();
    if (QChar::isHighSurrogate(u) && i + 1 < path.size() && QChar::isLowSurrogate(path.at(i + 1).unicode())) {
      put(QChar::surrogateToUcs4(u, path.at(i + 1).unicode()));
      ++i;
    } else if (u >= 0xDC80 && u <= 0xDCFF) {
      out.push_back(static_cast<char>(u - 0xDC00));  // an escaped raw byte
    } else {
      put(u);
    }
  }
  return out;
}
