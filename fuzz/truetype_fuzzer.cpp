// libFuzzer entry: arbitrary bytes through the same table reading that CFontPreview uses,
// through the reading of every face of a collection, and through the details reader (every table
// of --info), the character map reader and the choice of the text shown of the first faces, from
// memory and from a file read in windows as the program reads it; both must agree.
#include "fontfile/character_map.h"
#include "fontfile/face_details.h"
#include "fontfile/shown_sample.h"
#include "fontfile/truetype_tables.h"
#include "platform/linux/file_system_linux.h"
#include "platform/path_codec.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

struct Outcome {
  bool complete[2] = {};
  bool inside[2] = {};
  truetype::FontTablesState state;
  std::vector<truetype::FontTablesState> faces;
  std::vector<std::pair<bool, truetype::FaceDetails>> details;
  std::vector<std::pair<bool, truetype::CharacterMap>> maps;
  std::vector<std::optional<truetype::ShownSample>> shown;
};

const QString kSample = QStringLiteral("AaBbCc123");

// The details of the face at 0 and of a collection's first faces.
constexpr size_t kDetailFaces = 4;

// Two parses into one state (as when one object reads two files: the whole input, then its
// first half), then the directory checks and every face on the whole input.
template <class OpenSource>
Outcome run(size_t size, int32_t locale, OpenSource open) {
  Outcome o;
  o.complete[0] = truetype::readFontTables(*open(size), o.state, locale);
  o.complete[1] = truetype::readFontTables(*open(size / 2), o.state, locale);
  o.inside[0] = truetype::tablesLieInsideSource(*open(size));
  o.inside[1] = truetype::tablesLieInsideSource(*open(size), true);
  o.faces = truetype::readFontFaces(*open(size), locale, truetype::kAllNameIds);
  std::vector<uint32_t> offsets{0};
  if (auto directories = truetype::readCollectionDirectories(*open(size)))
    offsets.insert(offsets.end(), directories->begin(),
                   directories->begin() + static_cast<ptrdiff_t>(std::min(directories->size(), kDetailFaces)));
  for (const uint32_t at : offsets) {
    truetype::FaceDetails details;
    const bool read = truetype::readFaceDetails(*open(size), at, locale, details);
    o.details.emplace_back(read, std::move(details));
    truetype::CharacterMap map;
    const bool mapRead = truetype::readCharacterMap(*open(size), at, map);
    o.maps.emplace_back(mapRead, std::move(map));
    o.shown.push_back(truetype::readShownSample(*open(size), at, locale, kSample));
  }
  return o;
}

bool sameRecords(const truetype::FontTablesState& a, const truetype::FontTablesState& b) {
  if (a.nameRecords.has_value() != b.nameRecords.has_value()) return false;
  if (!a.nameRecords) return true;
  if (a.nameRecords->size() != b.nameRecords->size()) return false;
  for (size_t j = 0; j < a.nameRecords->size(); ++j) {
    const auto &x = (*a.nameRecords)[j], &y = (*b.nameRecords)[j];
    if (x.platformID != y.platformID || x.encodingID != y.encodingID || x.languageID != y.languageID ||
        x.nameID != y.nameID || x.length != y.length || x.offset != y.offset)
      return false;
  }
  return true;
}

bool sameState(const truetype::FontTablesState& a, const truetype::FontTablesState& b) {
  return a.validTrueTypeFile == b.validTrueTypeFile && sameRecords(a, b) && a.nameStrings == b.nameStrings &&
         a.os2Info.fsSelection == b.os2Info.fsSelection &&
         std::memcmp(a.os2Info.bytes, b.os2Info.bytes, sizeof a.os2Info.bytes) == 0;
}

bool same(const Outcome& a, const Outcome& b) {
  if (a.faces.size() != b.faces.size()) return false;
  for (size_t k = 0; k < a.faces.size(); ++k)
    if (!sameState(a.faces[k], b.faces[k])) return false;
  return a.details == b.details && a.maps == b.maps && a.shown == b.shown && a.complete[0] == b.complete[0] &&
         a.complete[1] == b.complete[1] && a.inside[0] == b.inside[0] && a.inside[1] == b.inside[1] &&
         sameState(a.state, b.state);
}

// The input as a file in memory, truncated to what each parse should see.
int memoryFile() {
  static const int fd = memfd_create("truetype_fuzzer", MFD_CLOEXEC);
  if (fd < 0) {
    std::perror("memfd_create");
    std::abort();
  }
  return fd;
}

// Sorted ranges of code points, none touching the next; what is shown is in the map (but for
// the sample text of a face that holds nothing better), the first characters at most ten.
void checkCharacterMaps(const Outcome& o) {
  for (size_t k = 0; k < o.maps.size(); ++k) {
    const auto& [read, map] = o.maps[k];
    const auto& ranges = map.ranges();
    bool sound = read || map == truetype::CharacterMap();
    for (size_t j = 0; j < ranges.size(); ++j)
      sound = sound && ranges[j].first <= ranges[j].last && ranges[j].last <= 0x10FFFF &&
              (j == 0 || ranges[j - 1].last + 1 < ranges[j].first);
    const auto& shown = o.shown[k];
    if (shown) {
      const bool held = truetype::holdsText(map, shown->text);
      sound = sound && (held || shown->source == truetype::SampleSource::SampleText) &&
              (shown->source != truetype::SampleSource::SampleText || shown->text == kSample) &&
              (shown->source != truetype::SampleSource::FirstCharacters ||
               shown->text.toUcs4().size() <= truetype::kFirstCharacters) &&
              truetype::sampleNote(*shown).isEmpty() == (shown->source == truetype::SampleSource::SampleText);
    }
    if (!sound) {
      std::fprintf(stderr, "truetype_fuzzer: a character map or the text shown is unsound\n");
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int32_t locales[] = {0x0409, 0x0407, 0x0411, 0};
  const int32_t locale = locales[size > 0 ? data[size - 1] & 3 : 0];

  truetype::MemoryByteSource memory(nullptr, 0);
  const Outcome fromMemory = run(size, locale, [&](size_t n) {
    memory = truetype::MemoryByteSource(data, n);
    return &memory;
  });

  const int fd = memoryFile();
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  LinuxFileSystem disk;
  truetype::FileByteSource file;
  const Outcome fromFile = run(size, locale, [&](size_t n) {
    // Opened as a listed file too, which learns its size from its reads (an odd-sized input).
    if (::ftruncate(fd, 0) != 0 || (n > 0 && ::pwrite(fd, data, n, 0) != static_cast<ssize_t>(n)) ||
        !(size % 2 ? file.openListed(disk, pathFromBytes(path)) : file.open(disk, pathFromBytes(path)))) {
      std::perror("truetype_fuzzer: cannot write the input to a file");
      std::abort();
    }
    return &file;
  });
  file.close();

  if (!same(fromMemory, fromFile)) {
    std::fprintf(stderr, "truetype_fuzzer: the file reader and the memory reader disagree\n");
    std::abort();
  }
  if (fromMemory.state.nameRecords) {
    for (uint16_t id = 0; id < 8; ++id)
      (void)truetype::selectNameString(*fromMemory.state.nameRecords, fromMemory.state.nameStrings, id, locale);
  }
  // Keeping only the records of the names decoded gives every name and outcome alike.
  truetype::FontTablesState all, decoded;
  memory = truetype::MemoryByteSource(data, size);
  const bool allComplete = truetype::readFontTables(memory, all, locale);
  const bool decodedComplete = truetype::readFontTables(memory, decoded, locale, truetype::kAllNameIds, 0,
                                                        truetype::NameRecordsKept::Decoded);
  bool alike = allComplete == decodedComplete && all.nameRecords.has_value() == decoded.nameRecords.has_value();
  for (uint16_t id = 0; alike && all.nameRecords && id < 8; ++id)
    alike = truetype::selectNameString(*all.nameRecords, all.nameStrings, id, locale) ==
            truetype::selectNameString(*decoded.nameRecords, decoded.nameStrings, id, locale);
  if (!alike) {
    std::fprintf(stderr, "truetype_fuzzer: keeping only the decoded names changed a name\n");
    std::abort();
  }
  for (int bit = -1; bit <= 16; ++bit) (void)truetype::isBitSet(fromMemory.state.os2Info.fsSelection, bit);
  for (const auto& [read, details] : fromMemory.details) {
    // A face that is no font gives nothing; no list is longer than the input's bytes allow
    // (an axis takes 20 bytes, an instance 4, a tag 6 in one of four lists that may overlap).
    if ((!read && !(details == truetype::FaceDetails())) || size_t(details.axes.size()) * 20 > size ||
        size_t(details.instances.size()) * 4 > size ||
        size_t(details.scripts.size() + details.features.size()) * 6 > 4 * size) {
      std::fprintf(stderr, "truetype_fuzzer: more details than the input holds\n");
      std::abort();
    }
  }
  checkCharacterMaps(fromMemory);
  if (fromMemory.faces.size() > truetype::kMaxCollectionFaces) {
    std::fprintf(stderr, "truetype_fuzzer: more faces than a collection may give\n");
    std::abort();
  }
  return 0;
}
