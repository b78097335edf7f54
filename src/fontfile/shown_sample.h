#pragma once
// Which text a face can really draw. A face without glyphs for the sample text (an Arabic,
// Hebrew or symbol face and "AaBbCc123") would show missing-glyph boxes; instead it shows, in
// order: its own sample text (name ID 19) if it holds every character of it; else a short
// sample of the first script of kScriptSamples it holds every character of; else the first
// characters its character map holds. Every character drawn (blanks aside) is one its character
// map holds, but for the sample text of a face that holds nothing drawable at all.
#include "fontfile/byte_source.h"
#include "fontfile/character_map.h"
#include "platform/file_system.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>

namespace truetype {

enum class SampleSource { SampleText, FontsOwnText, Script, FirstCharacters };

struct ShownSample {
  QString text;
  SampleSource source = SampleSource::SampleText;
  QString script;  // the script's English name (kScriptSamples) for SampleSource::Script, else empty
  bool operator==(const ShownSample&) const = default;
};

// A short natural sample of each script, Latin first; the first a face holds is the one it shows.
struct ScriptSample {
  const char* name;        // English, as ISO 15924 names the script
  const char16_t* sample;  // blanks between letters are not needed in the face
};
inline constexpr ScriptSample kScriptSamples[] = {
    {"Latin", u"Aa Bb Cc Dd"},
    {"Greek", u"Αα Ββ Γγ Δδ"},
    {"Cyrillic", u"Аа Бб Вв Гг"},
    {"Armenian", u"Աա Բբ Գգ Դդ"},
    {"Georgian", u"ა ბ გ დ ე ვ"},
    {"Hebrew", u"אבגד הוז"},
    {"Arabic", u"أبجد هوز"},
    {"Syriac", u"ܐܒܓܕ ܗܘܙ"},
    {"Thaana", u"ހށނރ ބޅކ"},
    {"Devanagari", u"अआइई कखग"},
    {"Bengali", u"অআইঈ কখগ"},
    {"Gurmukhi", u"ਅਆਇਈ ਕਖਗ"},
    {"Gujarati", u"અઆઇઈ કખગ"},
    {"Odia", u"ଅଆଇଈ କଖଗ"},
    {"Tamil", u"அஆஇஈ கஙச"},
    {"Telugu", u"అఆఇఈ కఖగ"},
    {"Kannada", u"ಅಆಇಈ ಕಖಗ"},
    {"Malayalam", u"അആഇഈ കഖഗ"},
    {"Sinhala", u"අආඇඈ කඛග"},
    {"Thai", u"กขฃค ฅฆง"},
    {"Lao", u"ກຂຄງ ຈຊຍ"},
    {"Tibetan", u"ཀཁགང ཅཆཇ"},
    {"Myanmar", u"ကခဂဃ ငစဆ"},
    {"Khmer", u"កខគឃ ងចឆ"},
    {"Ethiopic", u"ሀሁሂሃ ሄህሆ"},
    {"Cherokee", u"ᎠᎡᎢᎣ ᎤᎥ"},
    // Kana and Hangul before Han: a Japanese or Korean face that holds Han shows its own script.
    {"Kana", u"あいう アイウ"},
    {"Hangul", u"가나다라"},
    {"Han", u"永字八法"},
    {"Symbols", u"★☎♠♣♥♦"},
};
inline constexpr size_t kScriptSampleCount = std::size(kScriptSamples);

// At most this many characters when a face shows the first characters it holds.
constexpr int kFirstCharacters = 10;

// True when the map holds every character of the text, blanks (QChar::isSpace) aside; code points
// are compared, surrogate pairs decoded (a lone surrogate is a character of its own). A text of
// blanks only is held by any map.
bool holdsText(const CharacterMap& map, QStringView text);

// The text a face with this character map shows for the sample text, given its own sample text
// (name ID 19; empty when it has none). A face that holds the sample text shows it unchanged.
// Its own text is shown with its runs of blanks made one space and trimmed (QString::simplified),
// and only when it holds some character besides blanks. The first characters are letters, then
// digits and symbols, up to kFirstCharacters, in code point order, no blank between them; only
// without any of those punctuation; only without that private-use or unassigned code points (of a
// symbol map: not those of its blanks and controls, U+F000..U+F020 and U+F07F..U+F0A0). Never
// chosen among them: blanks, controls, format characters, marks, surrogates, noncharacters and
// the code points drawn as nothing (variation selectors, Hangul fillers, U+FFFC ...). A map that
// holds nothing drawable shows the sample text.
ShownSample chooseSample(const CharacterMap& map, const QString& sampleText, const QString& fontsOwnText);

// chooseSample for the face whose table directory is at directoryOffset, reading its cmap and,
// only where the sample text is not held, its name ID 19 chosen in localeId as the full name is
// (selectNameString). Nothing when the face has no table directory; a face without a cmap shows
// the sample text.
std::optional<ShownSample> readShownSample(ByteSource& source, uint32_t directoryOffset, int32_t localeId,
                                           const QString& sampleText);

// readShownSample for face `face` of a font file (a collection's face index, 0 for another file).
// Nothing when the file cannot be opened or has no such face or no table directory there.
std::optional<ShownSample> loadShownSample(FileSystem& fs, const QString& path, uint32_t face, int32_t localeId,
                                           const QString& sampleText);

// What a face can draw, read once and asked of for any sample text (chooseSample): its character
// map and its own sample text. Nothing as for loadShownSample.
struct FaceCoverage {
  CharacterMap map;
  QString ownText;  // name ID 19
};
std::optional<FaceCoverage> loadFaceCoverage(FileSystem& fs, const QString& path, uint32_t face, int32_t localeId);

// The short words saying which text a face shows where it is not the sample text (a tooltip, a
// note under a row), e.g. "Shows a Greek sample: it lacks glyphs for the sample text"; empty for
// SampleSource::SampleText.
QString sampleNote(const ShownSample& sample);

}  // namespace truetype
