#include "core/list_escape.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

namespace {
// The escaping rules one byte at a time, as plainly as they can be put.
std::string escapedByteByByte(std::string_view in) {
  std::string out;
  char hex[16];
  for (size_t i = 0; i < in.size(); ++i) {
    const auto c = static_cast<unsigned char>(in[i]);
    const auto next = i + 1 < in.size() ? static_cast<unsigned char>(in[i + 1]) : 0;
    if (c == '\\') out += "\\\\";
    else if (c == '\t') out += "\\t";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c < 0x20 || c == 0x7F) std::snprintf(hex, sizeof hex, "\\x%02x", c), out += hex;
    else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) std::snprintf(hex, sizeof hex, "\\xc2\\x%02x", next), out += hex, ++i;
    else out += static_cast<char>(c);
  }
  return out;
}
}  // namespace

TEST(ListEscape, MatchesTheByteRulesAndRoundTrips) {
  // Mostly plain text with the bytes that matter sprinkled at every offset of an eight-byte run.
  const std::string alphabet = std::string("abcdefgh/.-~ \xC3\xA9\xC2\xA9\xC2", 17) + std::string("\\\t\n\r\x01\x1f\x7f\x85\x9f\x80", 10);
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    std::string in(random() % 40, ' ');
    for (char& c : in) c = alphabet[random() % (random() % 4 == 0 ? alphabet.size() : 17)];
    const std::string out = escapeListField(in);
    ASSERT_EQ(out, escapedByteByByte(in)) << round;
    ASSERT_EQ(unescapeListField(out), in) << round;
  }
  EXPECT_EQ(escapeListField("/fonts/Noto Sans Bold.ttf"), "/fonts/Noto Sans Bold.ttf");
  EXPECT_EQ(escapeListField("12345678\x1b[2J"), "12345678\\x1b[2J");
}
