// libFuzzer entry: arbitrary bytes as a catalogue cache file. The checksum is made right first,
// so that the records behind the header are explored too, as a forger could. Whatever the
// reader accepts must write back and read again the same; the details' section is decoded too.
#include "catalogue/catalogue_cache.h"

#include <QtEndian>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  if (size >= kCacheHeaderBytes)
    qToUnaligned(cacheChecksum(QByteArrayView(bytes).sliced(kCacheHeaderBytes)), bytes.data() + kCacheHeaderBytes - 8);
  const auto read = decodeCatalogueCache(bytes, "fuzz");
  if (!read) return 0;
  const Snapshot* snapshot = read->snapshot ? &*read->snapshot : nullptr;
  const auto again =
      decodeCatalogueCache(encodeCatalogueCache(read->records, read->localeId, "fuzz", snapshot, read->details), "fuzz");
  // The details' section is decoded only when asked for: whatever it holds, never a crash.
  (void)decodeDetails(read->details);
  if (!again || again->localeId != read->localeId || !(again->records == read->records) ||
      again->snapshot != read->snapshot || again->details != read->details) {
    std::fprintf(stderr, "catalogue_cache_fuzzer: what was read does not read back the same\n");
    std::abort();
  }
  return 0;
}
