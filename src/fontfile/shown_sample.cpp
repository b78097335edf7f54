#include "fontfile/shown_sample.h"

#include "fontfile/truetype_tables.h"

#include <QChar>

namespace truetype {

namespace {

// Calls f with each code point of the text, surrogate pairs decoded, until f returns false.
template <class F>
bool allCodePoints(QStringView text, F f) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    char32_t c = text[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      c = QChar::surrogateToUcs4(text[i], text[i + 1]);
      ++i;
    }
    if (!f(c)) return false;
  }
  return true;
}

bool isNoncharacter(char32_t c) { return (c & 0xFFFE) == 0xFFFE || (c >= 0xFDD0 && c <= 0xFDEF); }

// Code points Qt draws as nothing or as something else, whatever their category says.
bool drawnAsNothing(char32_t c) {
  return c == 0x034F || c == 0x115F || c == 0x1160 || c == 0x17B4 || c == 0x17B5 || (c >= 0x180B && c <= 0x180F) ||
         c == 0x2800 || c == 0x3164 || (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFFA0 || c == 0xFFFC ||
         (c >= 0xE0000 && c <= 0xE0FFF);
}

// The first-characters rank of a code point: 0 letters, 1 digits and symbols (shown together,
// letters first), 2 punctuation, 3 private use and unassigned; -1 never shown.
int rank(char32_t c, bool symbolMap) {
  if (c > 0x10FFFF || QChar::isSpace(c) || isNoncharacter(c) || drawnAsNothing(c)) return -1;
  switch (QChar::category(c)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
      return 0;
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
    case QChar::Symbol_Math:
    case QChar::Symbol_Currency:
    case QChar::Symbol_Modifier:
    case QChar::Symbol_Other:
      return 1;
    case QChar::Punctuation_Connector:
    case QChar::Punctuation_Dash:
    case QChar::Punctuation_Open:
    case QChar::Punctuation_Close:
    case QChar::Punctuation_InitialQuote:
    case QChar::Punctuation_FinalQuote:
    case QChar::Punctuation_Other:
      return 2;
    case QChar::Other_PrivateUse:
      // A symbol map's codes are U+F000 plus a byte: its blanks and controls are no characters.
      if (symbolMap && (c & 0xFF00) == 0xF000) {
        const char32_t byte = c & 0xFF;
        if (byte <= 0x20 || (byte >= 0x7F && byte <= 0xA0)) return -1;
      }
      return 3;
    case QChar::Other_NotAssigned:
      return 3;
    default:  // marks, controls, format characters, separators, surrogates
      return -1;
  }
}

QString firstCharacters(const CharacterMap& map) {
  std::vector<char32_t> byRank[4];
  const auto full = [](const std::vector<char32_t>& v) { return v.size() >= size_t{kFirstCharacters}; };
  for (const CharacterMap::Range& r : map.ranges()) {
    for (char32_t c = r.first; c <= r.last && !full(byRank[0]); ++c) {
      const int k = rank(c, map.symbol());
      if (k >= 0 && !full(byRank[k])) byRank[k].push_back(c);
    }
    if (full(byRank[0])) break;
  }
  std::vector<char32_t> shown = byRank[0];
  for (const char32_t c : byRank[1])
    if (!full(shown)) shown.push_back(c);
  if (shown.empty()) shown = byRank[2];
  if (shown.empty()) shown = byRank[3];
  return QString::fromUcs4(shown.data(), static_cast<qsizetype>(shown.size()));
}

}  // namespace

bool holdsText(const CharacterMap& map, QStringView text) {
  return allCodePoints(text, [&](char32_t c) { return QChar::isSpace(c) || map.has(c); });
}

ShownSample chooseSample(const CharacterMap& map, const QString& sampleText, const QString& fontsOwnText) {
  if (holdsText(map, sampleText)) return {sampleText, SampleSource::SampleText, {}};
  const QString own = fontsOwnText.simplified();
  if (!own.isEmpty() && holdsText(map, own)) return {own, SampleSource::FontsOwnText, {}};
  for (const ScriptSample& script : kScriptSamples) {
    const QStringView sample(script.sample);
    if (holdsText(map, sample)) return {sample.toString(), SampleSource::Script, QString::fromLatin1(script.name)};
  }
  const QString first = firstCharacters(map);
  if (!first.isEmpty()) return {first, SampleSource::FirstCharacters, {}};
  return {sampleText, SampleSource::SampleText, {}};
}

namespace {

// Name ID 19 as readFaceDetails reads it, chosen in localeId as the full name is; the string
// decoded is at most 64 KiB (a name record's length is 16 bits).
QString readOwnText(ByteSource& src, const std::vector<TableRecord>& directory, int32_t localeId) {
  const auto name = findTable(src, directory, "name");
  if (!name) return {};
  constexpr uint16_t kSampleTextId = 19;
  FontTablesState names;
  src.willRead(name->offset, name->length);
  readNameTable(src, name->offset, names, localeId, std::span<const uint16_t>(&kSampleTextId, 1),
                NameRecordsKept::Decoded, SIZE_MAX);
  if (!names.nameRecords) return {};
  const std::u16string_view text = selectedNameView(*names.nameRecords, names.nameStrings, kSampleTextId, localeId);
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

std::optional<ShownSample> readShownSample(ByteSource& src, uint32_t directoryOffset, int32_t localeId,
                                           const QString& sampleText) {
  const auto directory = readTableDirectory(src, directoryOffset);
  if (!directory) return std::nullopt;
  CharacterMap map;
  readCharacterMap(src, *directory, map);
  if (holdsText(map, sampleText)) return ShownSample{sampleText, SampleSource::SampleText, {}};
  return chooseSample(map, sampleText, readOwnText(src, *directory, localeId));
}

std::optional<ShownSample> loadShownSample(FileSystem& fs, const QString& path, uint32_t face, int32_t localeId,
                                           const QString& sampleText) {
  FileByteSource file;
  if (!file.open(fs, path)) return std::nullopt;
  const auto directoryOffset = faceDirectoryOffset(file, face);
  if (!directoryOffset) return std::nullopt;
  return readShownSample(file, *directoryOffset, localeId, sampleText);
}

std::optional<FaceCoverage> loadFaceCoverage(FileSystem& fs, const QString& path, uint32_t face, int32_t localeId) {
  FileByteSource file;
  if (!file.open(fs, path)) return std::nullopt;
  const auto directoryOffset = faceDirectoryOffset(file, face);
  const auto directory = directoryOffset ? readTableDirectory(file, *directoryOffset) : std::nullopt;
  if (!directory) return std::nullopt;
  FaceCoverage coverage;
  readCharacterMap(file, *directory, coverage.map);
  coverage.ownText = readOwnText(file, *directory, localeId);
  return coverage;
}

QString sampleNote(const ShownSample& sample) {
  static const QString kWhy = QStringLiteral(": it lacks glyphs for the sample text");
  switch (sample.source) {
    case SampleSource::SampleText:
      return {};
    case SampleSource::FontsOwnText:
      return QStringLiteral("Shows the font's own sample text") + kWhy;
    case SampleSource::Script: {
      if (sample.script == QLatin1String("Symbols")) return QStringLiteral("Shows symbols") + kWhy;
      const bool vowel = !sample.script.isEmpty() && QStringLiteral("AEIOU").contains(sample.script[0]);
      return QStringLiteral("Shows %1 %2 sample").arg(vowel ? "an" : "a", sample.script) + kWhy;
    }
    case SampleSource::FirstCharacters:
      return QStringLiteral("Shows the first characters the font holds") + kWhy +
             QStringLiteral(" or for any script's sample");
  }
  return {};
}

}  // namespace truetype
