#include "catalogue/rank_faces.h"

void rankFaces(const ListBox& list, FaceList& faces) {
  if (faces.filtered() || list.RanksAscend()) return;
  KeptRecords& records = faces.records();
  for (int i = 0; i < list.ListCount(); ++i) {
    const auto [at, face] = faces.entryFaces()[list.ItemAddedAt(i)];
    if (at != UINT32_MAX) records.at(at).faces[face].rank = static_cast<uint32_t>(i);
  }
  records.setChanged();
}
