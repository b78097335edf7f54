#include "office/compound_file.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace office {

namespace {

constexpr int kSector = 512;
constexpr int kIdsPerSector = kSector / 4;    // FAT entries in one sector
constexpr int kHeaderFatSlots = 109;          // FAT sector numbers the header itself holds
constexpr uint32_t kFreeSect = 0xFFFFFFFF;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFatSect = 0xFFFFFFFD;
constexpr uint32_t kDifSect = 0xFFFFFFFC;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr int kMiniStreamCutoff = 4096;

void put16(char* p, uint16_t v) { p[0] = char(v); p[1] = char(v >> 8); }
void put32(char* p, uint32_t v) { for (int i = 0; i < 4; ++i) p[i] = char(v >> (8 * i)); }

int ceilDiv(int a, int b) { return (a + b - 1) / b; }

void writeDirectoryEntry(char* e, const QString& name, uint8_t type, uint32_t child,
                         uint32_t start, uint32_t size) {
  std::memset(e, 0, 128);
  const QString n = name.left(31);
  for (int i = 0; i < n.size(); ++i) put16(e + 2 * i, n.at(i).unicode());
  put16(e + 64, uint16_t((n.size() + 1) * 2));  // length in bytes with the terminating zero
  e[66] = char(type);
  e[67] = 1;                                     // black: a valid red-black tree of one
  put32(e + 68, kNoStream);                      // left sibling
  put32(e + 72, kNoStream);                      // right sibling
  put32(e + 76, child);
  put32(e + 116, start);
  put32(e + 120, size);
}

}  // namespace

QByteArray buildCompoundFile(const QString& streamName, QByteArray stream) {
  if (stream.size() < kMiniStreamCutoff) stream.append(QByteArray(kMiniStreamCutoff - stream.size(), '\0'));
  const uint32_t streamSize = uint32_t(stream.size());
  const int streamSectors = ceilDiv(int(stream.size()), kSector);
  const int dirSectors = 1;

  // The FAT must describe every sector, its own ones included, and FAT sectors past the
  // header's 109 slots are listed in DIFAT sectors: grow both until they fit.
  int fatSectors = 0;
  int difatSectors = 0;
  for (;;) {
    const int total = streamSectors + dirSectors + fatSectors + difatSectors;
    const int needFat = ceilDiv(total, kIdsPerSector);
    const int needDifat = needFat > kHeaderFatSlots ? ceilDiv(needFat - kHeaderFatSlots, kIdsPerSector - 1) : 0;
    if (needFat == fatSectors && needDifat == difatSectors) break;
    fatSectors = needFat;
    difatSectors = needDifat;
  }
  const int dirStart = streamSectors;
  const int fatStart = dirStart + dirSectors;
  const int difatStart = fatStart + fatSectors;
  const int totalSectors = difatStart + difatSectors;

  QByteArray file(qsizetype(kSector) * (1 + totalSectors), '\0');
  char* h = file.data();
  static const unsigned char signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::memcpy(h, signature, 8);
  put16(h + 24, 0x003E);  // minor version
  put16(h + 26, 0x0003);  // major version 3: 512-byte sectors
  put16(h + 28, 0xFFFE);  // little-endian
  put16(h + 30, 9);       // sector size 2^9
  put16(h + 32, 6);       // mini sector size 2^6
  put32(h + 44, uint32_t(fatSectors));
  put32(h + 48, uint32_t(dirStart));
  put32(h + 56, kMiniStreamCutoff);
  put32(h + 60, kEndOfChain);  // no mini FAT
  put32(h + 64, 0);
  put32(h + 68, difatSectors ? uint32_t(difatStart) : kEndOfChain);
  put32(h + 72, uint32_t(difatSectors));
  for (int i = 0; i < kHeaderFatSlots; ++i)
    put32(h + 76 + 4 * i, i < fatSectors ? uint32_t(fatStart + i) : kFreeSect);

  auto sector = [&](int index) { return file.data() + kSector * (1 + index); };

  std::memcpy(sector(0), stream.constData(), size_t(stream.size()));

  char* dir = sector(dirStart);
  writeDirectoryEntry(dir, QStringLiteral("Root Entry"), 5, 1, kEndOfChain, 0);
  writeDirectoryEntry(dir + 128, streamName, 2, kNoStream, 0, streamSize);
  for (int i = 2; i < 4; ++i) {  // unused entries
    char* e = dir + 128 * i;
    put32(e + 68, kNoStream);
    put32(e + 72, kNoStream);
    put32(e + 76, kNoStream);
  }

  // FAT: one chain for the stream, one for the directory, then the FAT's and DIFAT's own marks.
  std::vector<uint32_t> fat(size_t(fatSectors) * kIdsPerSector, kFreeSect);
  for (int i = 0; i < streamSectors; ++i) fat[size_t(i)] = i + 1 < streamSectors ? uint32_t(i + 1) : kEndOfChain;
  fat[size_t(dirStart)] = kEndOfChain;
  for (int i = 0; i < fatSectors; ++i) fat[size_t(fatStart + i)] = kFatSect;
  for (int i = 0; i < difatSectors; ++i) fat[size_t(difatStart + i)] = kDifSect;
  for (size_t i = 0; i < fat.size(); ++i) put32(sector(fatStart) + 4 * i, fat[i]);

  // DIFAT sectors: 127 FAT sector numbers each, then the next DIFAT sector.
  for (int d = 0; d < difatSectors; ++d) {
    char* s = sector(difatStart + d);
    for (int k = 0; k < kIdsPerSector - 1; ++k) {
      const int fatNo = kHeaderFatSlots + d * (kIdsPerSector - 1) + k;
      put32(s + 4 * k, fatNo < fatSectors ? uint32_t(fatStart + fatNo) : kFreeSect);
    }
    put32(s + 4 * (kIdsPerSector - 1), d + 1 < difatSectors ? uint32_t(difatStart + d + 1) : kEndOfChain);
  }
  return file;
}

}  // namespace office
