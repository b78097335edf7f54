// File names as bytes and back: every byte string must survive the round trip unchanged, and
// valid UTF-8 must read as the text it spells.
#include "platform/path_codec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

TEST(PathCodecTest, AsciiAndUtf8ReadAsText) {
  EXPECT_EQ(pathFromBytes("/usr/share/fonts/a.ttf"), QStringLiteral("/usr/share/fonts/a.ttf"));
  EXPECT_EQ(pathFromBytes(""), QString());
  EXPECT_EQ(pathFromBytes("/f/\xC3\xA4.ttf"), QStringLiteral("/f/\u00E4.ttf"));
  EXPECT_EQ(pathFromBytes("\xF0\x90\x90\x80"), QString::fromUcs4(U"\U00010400"));
  EXPECT_EQ(pathToBytes(QStringLiteral("/f/\u00E4.ttf")), "/f/\xC3\xA4.ttf");
  EXPECT_EQ(pathToBytes(QString::fromUcs4(U"a\U00010400b")), "a\xF0\x90\x90\x80" "b");
  EXPECT_EQ(pathToBytes(QString()), "");
}

TEST(PathCodecTest, InvalidBytesAreKeptAsEscapes) {
  const QString text = pathFromBytes("/f/\xE4\x80.ttf");
  EXPECT_EQ(text.at(3).unicode(), 0xDCE4);
  EXPECT_EQ(text.at(4).unicode(), 0xDC80);
  EXPECT_EQ(pathToBytes(text), "/f/\xE4\x80.ttf");
  // An escape after a long ASCII run, and ASCII after an escape.
  const std::string mixed = std::string(300, 'a') + "\xFF" + std::string(5, 'b');
  EXPECT_EQ(pathToBytes(pathFromBytes(mixed)), mixed);
}

TEST(PathCodecTest, RandomBytesRoundTrip) {
  std::mt19937 rng(7);
  // Mostly ASCII, as real names are, with every other byte value mixed in.
  std::uniform_int_distribution<int> kind(0, 9), any(1, 255), ascii(1, 127), len(0, 40);
  for (int round = 0; round < 5000; ++round) {
    std::string bytes;
    for (int k = len(rng); k > 0; --k) bytes.push_back(static_cast<char>(kind(rng) < 7 ? ascii(rng) : any(rng)));
    ASSERT_EQ(pathToBytes(pathFromBytes(bytes)), bytes) << round;
  }
}

}  // namespace
