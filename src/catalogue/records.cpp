#include "catalogue/records.h"

#include "fontfile/cfont_preview.h"

truetype::FontTablesState tablesOf(const RecordFace& face, int32_t localeId) {
  truetype::FontTablesState tables;
  tables.validTrueTypeFile = true;
  const auto language = static_cast<uint16_t>(localeId);
  tables.nameRecords = std::vector<truetype::NameRecord>{
      {3, 1, language, 1, 0, 0}, {3, 1, language, 2, 0, 0}, {3, 1, language, 4, 0, 0}};
  for (const QString* name : {&face.family, &face.subfamily, &face.fullName})
    tables.nameStrings.emplace_back(reinterpret_cast<const char16_t*>(name->utf16()), static_cast<size_t>(name->size()));
  tables.os2Info.fsSelection = face.fsSelection;
  return tables;
}

RecordFace faceOf(const CFontPreview& reader) {
  const auto bit = [](bool on, int k) { return static_cast<uint16_t>(on ? 1u << k : 0u); };
  return {reader.FullName(), reader.FamilyName(), reader.SubFamilyName(),
          static_cast<uint16_t>(bit(reader.Bold(), truetype::kBoldBit) | bit(reader.Italic(), truetype::kItalicBit) |
                                bit(reader.Underlined(), truetype::kUnderscoreBit) |
                                bit(reader.StrikeOut(), truetype::kStrikeoutBit))};
}

void Records::index() const {
  byPath.clear();
  byPath.reserve(static_cast<qsizetype>(files.size()));
  for (size_t k = 0; k < files.size(); ++k) byPath.insert(files[k].first, static_cast<uint32_t>(k));
  indexed = true;
}

FontFacts factsOf(const RecordFace& face) {
  const auto bit = [&](int k) { return truetype::isBitSet(face.fsSelection, k); };
  return {bit(truetype::kBoldBit), bit(truetype::kItalicBit), bit(truetype::kUnderscoreBit),
          bit(truetype::kStrikeoutBit), 1, face.family};
}
