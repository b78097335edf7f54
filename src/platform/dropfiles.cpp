#include "platform/dropfiles.h"

#include <cstdint>

namespace {
void putLittleEndian32(QByteArray& out, qsizetype at, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}
}  // namespace

QByteArray dropFilesBlock(const QList<QByteArray>& ansiPaths) {
  qsizetype listSize = 1;  // the closing NUL
  for (const QByteArray& path : ansiPaths) listSize += path.size() + 1;
  // Zero-filled, so the drop point, fNC and fWide need no writing.
  QByteArray block(kDropFilesHeaderSize + listSize, '\0');
  putLittleEndian32(block, 0, kDropFilesHeaderSize);
  qsizetype at = kDropFilesHeaderSize;
  for (const QByteArray& path : ansiPaths) {
    std::copy(path.cbegin(), path.cend(), block.begin() + at);
    at += path.size() + 1;
  }
  return block;
}
