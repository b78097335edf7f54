#include "platform/path_codec.h"

#include <bit>
#include <cstdint>
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

std::string pathToBytes(QStringView path) {
  std::string out;
  appendPathBytes(out, path);
  return out;
}

void appendPathBytes(std::string& out, QStringView path) {
  // Most paths are plain ASCII, which maps unit for unit: four units at a time, narrowed in a
  // register. The first other unit hands the rest to the general encoder below.
  const qsizetype n = path.size();
  const auto* units = path.utf16();
  const size_t start = out.size();
  out.resize(start + static_cast<size_t>(n));
  char* dst = out.data() + start;
  qsizetype ascii = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (uint64_t a; ascii + 4 <= n; ascii += 4) {
      std::memcpy(&a, units + ascii, sizeof a);
      if (a & 0xFF80FF80FF80FF80u) break;
      const auto packed = static_cast<uint32_t>((a & 0xFF) | ((a >> 8) & 0xFF00) | ((a >> 16) & 0xFF0000) |
                                                ((a >> 24) & 0xFF000000));
      std::memcpy(dst + ascii, &packed, sizeof packed);
    }
  }
  for (; ascii < n && units[ascii] < 0x80; ++ascii) dst[ascii] = static_cast<char>(units[ascii]);
  out.resize(start + static_cast<size_t>(ascii));
  if (ascii == n) return;
  out.reserve(out.size() + static_cast<size_t>(n - ascii) + 3);
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
    const char16_t u = units[i];
    if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(units[i + 1])) {
      put(QChar::surrogateToUcs4(u, units[i + 1]));
      ++i;
    } else if (u >= 0xDC80 && u <= 0xDCFF) {
      out.push_back(static_cast<char>(u - 0xDC00));  // an escaped raw byte
    } else {
      put(u);
    }
  }
}
