// The byte-level reader on in-memory files: layout rules, unsigned fields, and hostile input.
#include "fontfile/truetype_tables.h"
#include "fontfile/windows_1252.h"
#include "support/font_builder.h"

#include <fstream>
#include "support/memory_limit.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace truetype;

namespace {
struct Parsed {
  bool complete;
  FontTablesState state;
};
Parsed parse(const QByteArray& bytes, int32_t locale = 0x0409) {
  MemoryByteSource src(bytes.constData(), static_cast<size_t>(bytes.size()));
  Parsed p{false, {}};
  p.complete = readFontTables(src, p.state, locale);
  // Keeping only the records of the names decoded changes no name and no outcome.
  FontTablesState kept;
  EXPECT_EQ(readFontTables(src, kept, locale, kAllNameIds, 0, NameRecordsKept::Decoded), p.complete);
  EXPECT_EQ(kept.nameRecords.has_value(), p.state.nameRecords.has_value());
  for (uint16_t id = 0; id <= 7 && kept.nameRecords; ++id)
    EXPECT_EQ(selectNameString(*kept.nameRecords, kept.nameStrings, id, locale),
              selectNameString(*p.state.nameRecords, p.state.nameStrings, id, locale));
  EXPECT_LE(kept.nameStrings.size(), 8u);
  return p;
}
// The string a name ID yields, the way CFontPreview reads it: parsed and selected in one locale.
std::u16string nameOf(const QByteArray& font, uint16_t nameID, int32_t locale = 0x0409) {
  const Parsed p = parse(font, locale);
  return p.state.nameRecords ? selectNameString(*p.state.nameRecords, p.state.nameStrings, nameID, locale) : u"";
}
std::u16string decode(const QByteArray& b, uint16_t platformID = 1) {
  return decodeNameString(platformID, reinterpret_cast<const uint8_t*>(b.constData()), static_cast<size_t>(b.size()));
}
}  // namespace

TEST(ByteOrder, SwapsAndBits) {
  EXPECT_EQ(swapBytes16(0x1234), 0x3412);
  EXPECT_EQ(swapBytes16(0xFFFF), 0xFFFF);
  EXPECT_EQ(swapBytes16(0x80FF), 0xFF80);
  EXPECT_EQ(swapBytes32(0x12345678u), 0x78563412u);
  EXPECT_EQ(swapBytes32(0xFF000080u), 0x800000FFu);
  EXPECT_TRUE(isBitSet(0x8000, 15));
  EXPECT_FALSE(isBitSet(0xFFFF, -1));
  EXPECT_FALSE(isBitSet(0xFFFF, 16));
  EXPECT_TRUE(isBitSet(0x0021, 5));
  EXPECT_FALSE(isBitSet(0x0021, 4));
}

TEST(NameDecoding, Utf16AndWindows1252) {
  EXPECT_EQ(decode(QByteArray::fromHex("0041007200690061006C")), u"Arial");
  EXPECT_EQ(decode(QByteArray::fromHex("417269616C")), u"Arial");
  EXPECT_EQ(decode(QByteArray::fromHex("00410042ff")), u"AB");  // odd last byte dropped
  EXPECT_EQ(decode(QByteArray::fromHex("00")), u"");
  EXPECT_EQ(decode(QByteArray::fromHex("d801dc37")).size(), 4u);  // first byte not 0: single bytes
  EXPECT_EQ(decode(QByteArray::fromHex("0000d801dc37")), std::u16string(u"\0\xD801\xDC37", 3));
  // Unicode and Microsoft platforms are UTF-16 whatever the first byte: Cyrillic, CJK, Arabic.
  for (uint16_t platform : {0, 3}) {
    EXPECT_EQ(decode(QByteArray::fromHex("04160438"), platform), u"Жи");
    EXPECT_EQ(decode(QByteArray::fromHex("5b57d801dc37"), platform), u"字\xD801\xDC37");
    EXPECT_EQ(decode(QByteArray::fromHex("062e06"), platform), u"خ");
    EXPECT_EQ(decode(QByteArray::fromHex("41"), platform), u"");
  }
  EXPECT_EQ(decode(QByteArray::fromHex("5b57"), 2), u"[W");  // other platforms keep the first-byte rule
  // Code page: 0x80 euro, 0x9F Y-diaeresis, 0xE9 e-acute, undefined bytes kept as C1 controls.
  EXPECT_EQ(decode(QByteArray::fromHex("809fe9818d8f909d")),
            std::u16string({u'\u20AC', u'\u0178', u'\u00E9', u'\u0081', u'\u008D', u'\u008F',
                            u'\u0090', u'\u009D'}));
  for (int b = 0; b < 256; ++b) {
    const int back = unicodeToWindows1252(windows1252ToUnicode(static_cast<uint8_t>(b)));
    EXPECT_EQ(back, b);
  }
  EXPECT_EQ(unicodeToWindows1252(u'\u0100'), -1);
}

TEST(NameSelection, MicrosoftRecordsAndLocale) {
  const auto font = FontBuilder()
                        .name(1, 0, 1, u"Mac Family")
                        .name(3, 0x0407, 1, u"Familie")
                        .name(3, 0x0409, 1, u"Family")
                        .build();
  EXPECT_EQ(nameOf(font, 1, 0x0409), u"Family");
  EXPECT_EQ(nameOf(font, 1, 0x0419), u"Family");  // no match: the last platform-3 one
  EXPECT_EQ(nameOf(font, 1, 0x0407), u"Familie");  // a match stops the walk
  EXPECT_EQ(nameOf(font, 2, 0x0409), u"");

  EXPECT_EQ(nameOf(FontBuilder().name(1, 0, 1, u"Mac Family").name(0, 0, 1, u"Unicode").build(), 1), u"Mac Family");
  // An empty Microsoft record still replaces what another platform gave.
  EXPECT_EQ(nameOf(FontBuilder().name(1, 0, 4, u"Mac Full").name(3, 0x0409, 4, u"").build(), 4), u"");
  // Strings that decode to nothing count as empty, so a later record of another platform wins.
  EXPECT_EQ(nameOf(FontBuilder().nameBytes(1, 0, 4, QByteArray(1, '\0')).name(1, 0, 4, u"Second").build(), 4),
            u"Second");
  EXPECT_EQ(nameOf(FontBuilder().nameBytes(0, 0, 4, "A").name(1, 0, 4, u"Second").build(), 4), u"Second");
  EXPECT_EQ(nameOf(FontBuilder().nameBytes(1, 0, 4, "A").name(1, 0, 4, u"Second").build(), 4), u"A");

  // Only the strings the selection returns are decoded.
  const Parsed p = parse(FontBuilder().name(3, 0x0407, 4, u"Voll").name(3, 0x0409, 4, u"Full").name(3, 0x0409, 8, u"X").build());
  EXPECT_EQ(p.state.nameStrings, (std::vector<std::u16string>{u"", u"Full", u""}));

  // Asked for some name IDs, the parse decodes just those, each as a full parse selects it.
  const auto all = FontBuilder().name(3, 0x0409, 0, u"(c)").name(1, 0, 1, u"Mac").name(3, 0x0409, 1, u"Fam")
                       .name(3, 0x0409, 2, u"Bold").name(3, 0x0409, 4, u"Fam Bold").build();
  MemoryByteSource src(all.constData(), static_cast<size_t>(all.size()));
  FontTablesState some;
  ASSERT_TRUE(readFontTables(src, some, 0x0409, nameIdBit(1) | nameIdBit(4)));
  EXPECT_EQ(some.nameStrings, (std::vector<std::u16string>{u"", u"", u"Fam", u"", u"Fam Bold"}));
  EXPECT_EQ(selectNameString(*some.nameRecords, some.nameStrings, 1, 0x0409), nameOf(all, 1));
  EXPECT_EQ(selectNameString(*some.nameRecords, some.nameStrings, 4, 0x0409), nameOf(all, 4));
  EXPECT_EQ(nameOf(all, 0), u"(c)");
}

TEST(NameSelection, AForgedTableOfLongStringsStaysSmall) {
  // 65,535 records naming the same 65,535 bytes: decoding all of them would take 4 GiB. The
  // parse runs in a child whose address space is limited to its present size plus 256 MiB.
  const QByteArray font = forgedNameTableFont();
  expectWithinMemory(uint64_t{256} << 20, [&] {
    const Parsed p = parse(font);
    return p.complete && p.state.nameRecords->size() == 0xFFFF &&
           selectNameString(*p.state.nameRecords, p.state.nameStrings, 4, 0x0409).size() == 32767;
  });
}

TEST(FontTables, UnsignedOffsetsAndLengthsAtAndAbove0x8000) {
  const std::u16string longName(0x4010, u'W');  // 0x8020 bytes
  const auto font = FontBuilder()
                        .stringOffsetGap(0x8000)
                        .stringStartGap(0x8000)
                        .name(3, 0x0409, 1, u"Far")
                        .name(3, 0x0409, 4, longName)
                        .build();
  const Parsed p = parse(font);
  ASSERT_TRUE(p.complete);
  const auto& recs = *p.state.nameRecords;
  EXPECT_GE(recs[0].offset, 0x8000);
  EXPECT_GE(recs[1].length, 0x8000);
  EXPECT_EQ(p.state.nameStrings[0], u"Far");
  EXPECT_EQ(p.state.nameStrings[1], longName);
}

TEST(FontTables, HeadDecidesValidityAndLaterTablesReplaceEarlier) {
  // Only the first head counts.
  const Parsed firstBad = parse(FontBuilder().magic(0).table("head", [] {
    QByteArray h(54, '\0');
    putU32(h, 12, kHeadMagicNumber);
    return h;
  }()).name(3, 0x409, 1, u"X").build());
  EXPECT_TRUE(firstBad.complete);
  EXPECT_FALSE(firstBad.state.validTrueTypeFile);
  EXPECT_FALSE(firstBad.state.nameRecords.has_value());

  const auto second = FontBuilder().name(3, 0x409, 1, u"Second");
  QByteArray os2(86, '\0');
  putU16(os2, 62, 0x0001);
  const Parsed p = parse(FontBuilder()
                             .name(3, 0x409, 1, u"First")
                             .name(3, 0x409, 2, u"Bold")
                             .fsSelection(0x0020)
                             .table("name", second.nameTable())
                             .table("OS/2", os2)
                             .build());
  ASSERT_TRUE(p.complete);
  ASSERT_EQ(p.state.nameRecords->size(), 1u);
  EXPECT_EQ(p.state.nameStrings[0], u"Second");
  EXPECT_EQ(p.state.os2Info.fsSelection, 0x0001);

  // The validity pass runs before the name pass, whatever the directory order.
  const Parsed nameFirst = parse(FontBuilder().name(3, 0x409, 1, u"N").order({"name", "head"}).build());
  EXPECT_TRUE(nameFirst.state.validTrueTypeFile);
  EXPECT_EQ(nameFirst.state.nameStrings.at(0), u"N");
}

TEST(FontTables, EmptyCountsEndTheParse) {
  const Parsed noTables = parse(FontBuilder().numTables(0).build());
  EXPECT_FALSE(noTables.complete);
  EXPECT_FALSE(noTables.state.validTrueTypeFile);

  const Parsed noRecords = parse(FontBuilder().fsSelection(0x20).build());
  EXPECT_FALSE(noRecords.complete);
  EXPECT_TRUE(noRecords.state.validTrueTypeFile);
  EXPECT_FALSE(noRecords.state.nameRecords.has_value());
  EXPECT_EQ(noRecords.state.os2Info.fsSelection, 0);  // OS/2 comes after the failed name table
}

TEST(FontTables, HostileFilesAreReadErrors) {
  const auto base = [] { return FontBuilder().name(3, 0x409, 1, u"Fam").name(3, 0x409, 4, u"Full"); };

  // Tables past the end, or starting on the very last byte.
  const QByteArray good = base().fsSelection(0x21).build();
  for (uint32_t off : {0xFFFFFFFFu, 0xFFFFFFF0u, static_cast<uint32_t>(good.size()),
                       static_cast<uint32_t>(good.size() - 1)}) {
    const Parsed head = parse(base().tableOffset("head", off).build());
    EXPECT_FALSE(head.complete) << off;
    EXPECT_FALSE(head.state.validTrueTypeFile);
    const Parsed name = parse(base().tableOffset("name", off).build());
    EXPECT_FALSE(name.complete) << off;
    EXPECT_FALSE(name.state.nameRecords.has_value());
    const Parsed os2 = parse(base().fsSelection(0x21).tableOffset("OS/2", off).build());
    EXPECT_FALSE(os2.complete) << off;
    EXPECT_EQ(os2.state.nameStrings.at(1), u"Full");  // what came before stays
    EXPECT_EQ(os2.state.os2Info.fsSelection, 0);
  }

  // Huge counts with nothing behind them.
  EXPECT_FALSE(parse(base().numTables(0xFFFF).build()).complete);
  const Parsed manyRecords = parse(base().nameCount(0xFFFF).build());
  EXPECT_FALSE(manyRecords.complete);
  EXPECT_FALSE(manyRecords.state.nameRecords.has_value());

  // A string past the end stops the parse there; earlier strings stay, later ones stay empty.
  const Parsed strings = parse(FontBuilder()
                                   .name(3, 0x409, 1, u"Kept")
                                   .rawNameRecord(3, 0x409, 2, 0xFFFF, 0xFFFF)
                                   .name(3, 0x409, 4, u"Lost")
                                   .build());
  EXPECT_FALSE(strings.complete);
  ASSERT_EQ(strings.state.nameStrings.size(), 3u);
  EXPECT_EQ(strings.state.nameStrings[0], u"Kept");
  EXPECT_EQ(strings.state.nameStrings[2], u"");

  // An OS/2 table shorter than 86 bytes at the end of the file.
  EXPECT_FALSE(parse(base().fsSelection(0x21).os2Size(64).build()).complete);

  // Every truncation of a good file either parses or fails cleanly; below 12 bytes it fails.
  for (qsizetype n = 0; n < good.size(); ++n) {
    const Parsed p = parse(good.left(n));
    if (n < 12) {
      EXPECT_FALSE(p.complete);
    }
    if (p.complete) {
      EXPECT_EQ(p.state.os2Info.fsSelection, 0x21) << n;
    }
  }
  EXPECT_TRUE(parse(good).complete);
}

TEST(FontTables, EveryTableOfTheDirectoryMustLieInsideTheFile) {
  const auto base = [] { return FontBuilder().name(3, 0x409, 4, u"Full").table("glyf", QByteArray(8, 'g')); };
  const auto inside = [](const QByteArray& b) {
    MemoryByteSource src(b.constData(), static_cast<size_t>(b.size()));
    return tablesLieInsideSource(src);
  };
  const QByteArray good = base().build();
  EXPECT_TRUE(inside(good));
  EXPECT_TRUE(parse(good.left(good.size() - 1)).complete) << "the reader itself never looks at glyf";
  EXPECT_FALSE(inside(good.left(good.size() - 1)));
  QByteArray huge = good;
  putU32(huge, 12 + 16 * 2 + 12, 0xFFFFFFFF);  // glyf's length: offset + length passes 2^32
  EXPECT_FALSE(inside(huge));
  EXPECT_FALSE(inside(base().tableOffset("glyf", 0xFFFFFFF0).build()));
  EXPECT_FALSE(inside(base().numTables(0).build()));
  EXPECT_FALSE(inside(base().numTables(0xFFFF).build()));
}
