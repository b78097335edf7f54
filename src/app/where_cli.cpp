#include "app/where_cli.h"

#include "catalogue/catalogue_cache.h"
#include "catalogue/catalogue_details.h"
#include "catalogue/command_line_catalogue.h"
#include "catalogue/fill_grid.h"
#include "catalogue/snapshot.h"
#include "core/catalogue_entry.h"
#include "fontfile/details_text.h"
#include "fontfile/shown_sample.h"
#include "platform/font_system.h"
#include "platform/file_status.h"
#include "platform/path_codec.h"

#include <cerrno>

namespace {

// One row to print: its file, face, name and style facts, and the identity its file had in the
// fill (none when the fill kept no record of it).
struct Row {
  QString path;
  uint32_t face = 0;
  QStringView name;
  FontFacts facts;
  const Identity* identity = nullptr;
};

class RowPrinter {
 public:
  RowPrinter(AppServices& services, const FaceQuery& query, bool json, bool faceField, std::FILE* out,
             const std::optional<SampleSettings>& sample)
      : services_(services), details_(services), query_(query), json_(json), faceField_(faceField), out_(out),
        sample_(sample) {}

  void print(const Row& row) {
    const truetype::FaceDetails* details = details_.of(row.path, row.face, row.identity);
    if (!query_.isEmpty() && (!details || !query_.holds(*details, row.path))) return;
    ++number_;
    if (json_) {
      QString shown = sample_ ? sample_->text : QString();
      if (sample_ && sample_->ownScript) {
        FontSystem& fonts = services_.fonts;
        if (const auto own = truetype::loadShownSample(services_.fs, row.path, row.face, fonts.localeId(), shown))
          shown = own->text;
      }
      text_ += detailsJson(details ? *details : truetype::FaceDetails(), row.path, row.face, number_,
                           sample_ ? &shown : nullptr);
      text_ += '\n';
    } else {
      path_.clear();
      appendPathBytes(path_, row.path);
      appendListRow(text_, number_, row.name, row.facts, path_, faceField_ ? std::optional(row.face) : std::nullopt);
    }
    if (text_.size() >= 64 * 1024) flush();
  }

  int finish() {
    flush();
    if (written_ && std::fflush(out_) == 0 && !std::ferror(out_)) return 0;
    const QString reason = FileStatus::fromErrno(errno).reason;
    std::fprintf(stderr, "typorama: cannot write the list: %s\n", qUtf8Printable(reason));
    return 1;
  }

 private:
  void flush() {
    written_ = written_ && std::fwrite(text_.data(), 1, text_.size(), out_) == text_.size();
    text_.clear();
  }
  AppServices& services_;
  CatalogueDetails details_;
  const FaceQuery& query_;
  const bool json_, faceField_;
  std::FILE* const out_;
  const std::optional<SampleSettings>& sample_;
  int number_ = 0;
  std::string text_, path_;
  bool written_ = true;
};

}  // namespace

int listWithDetails(AppServices& services, const QString& filter, FontFormats formats, const FaceQuery& query,
                    bool json, std::FILE* out, const std::optional<SampleSettings>& sample) {
  const bool faceField = formats == FontFormats::All;
  // Decoded meanwhile, on a thread of its own, while the files are looked at.
  if (services.catalogueCache) services.catalogueCache->detailsAhead();
  if (filter.isEmpty()) {
    // The whole list as it was, while nothing it came from changed: no scan, no read.
    if (auto snapshot = CommandLineCatalogue::snapshotRows(services, formats)) {
      RowPrinter printer(services, query, json, faceField, out, sample);
      for (const auto& [file, face] : snapshot->rows) {
        const auto& [path, record] = snapshot->records->files[file];
        const RecordFace& kept = record.faces[face];
        printer.print({path, face, kept.fullName, factsOf(kept), &record.identity});
      }
      return printer.finish();
    }
  }
  const CommandLineCatalogue catalogue(services, filter, formats, stderr, filter.isEmpty(), true);
  const ListBox& list = catalogue.list;
  if (list.ListCount() == 0) {
    std::fprintf(stderr, "typorama: %s\n", qUtf8Printable(noFontsFoundLine()));
    return 1;
  }
  if (catalogue.records) catalogue.records->index();
  RowPrinter printer(services, query, json, faceField, out, sample);
  for (int i = 0; i < list.ListCount(); ++i) {
    Row row{list.ItemPath(i), list.ItemFace(i), list.ItemNameView(i), {}, nullptr};
    row.facts = catalogue.facts.value({row.path, row.face});
    const Record* record = catalogue.records ? catalogue.records->find(row.path) : nullptr;
    row.identity = record ? &record->identity : nullptr;
    printer.print(row);
  }
  return printer.finish();
}
