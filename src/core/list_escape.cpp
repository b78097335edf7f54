#include "core/list_escape.h"

#include <cstdint>
#include <cstring>

namespace {
const char kHex[] = "0123456789abcdef";

void appendHexByte(std::string& out, unsigned char c) {
  out += "\\x";
  out += kHex[c >> 4];
  out += kHex[c & 15];
}

// Whether any of the eight bytes of x is below n (n at most 128), or equal to b.
constexpr uint64_t kOnes = 0x0101010101010101u;
bool hasByteBelow(uint64_t x, unsigned n) { return ((x - kOnes * n) & ~x & kOnes * 0x80) != 0; }
bool hasByte(uint64_t x, unsigned char b) { return hasByteBelow(x ^ (kOnes * b), 1); }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

std::string escapeListField(std::string_view bytes) {
  std::string out;
  appendEscapedListField(out, bytes);
  return out;
}

void appendEscapedListField(std::string& out, std::string_view bytes) {
  out.reserve(out.size() + bytes.size());
  // Runs of bytes that need nothing are copied whole: nearly every field is such a run.
  size_t plain = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    // Eight bytes at a time while none of them is a control byte, a backslash, DEL or 0xC2.
    for (uint64_t x; i + 8 <= bytes.size(); i += 8) {
      std::memcpy(&x, bytes.data() + i, sizeof x);
      if (hasByteBelow(x, 0x20) || hasByte(x, '\\') || hasByte(x, 0x7F) || hasByte(x, 0xC2)) break;
    }
    if (i >= bytes.size()) break;
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x20 && c != '\\' && c != 0x7F && c != 0xC2) continue;
    // U+0080..U+009F: terminals act on some of them (NEL, CSI), so they are escaped too.
    const bool c1 = c == 0xC2 && i + 1 < bytes.size() && static_cast<unsigned char>(bytes[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(bytes[i + 1]) <= 0x9F;
    if (c == 0xC2 && !c1) continue;
    out.append(bytes.data() + plain, i - plain);
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default:
        appendHexByte(out, c);
        if (c1) appendHexByte(out, static_cast<unsigned char>(bytes[++i]));
    }
    plain = i + 1;
  }
  out.append(bytes.data() + plain, bytes.size() - plain);
}

std::optional<std::string> unescapeListField(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\': out += '\\'; break;
      case 't': out += '\t'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 'x': {
        if (i + 2 >= text.size()) return std::nullopt;
        const int hi = hexValue(text[i + 1]), lo = hexValue(text[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        break;
      }
      default: return std::nullopt;
    }
  }
  return out;
}
