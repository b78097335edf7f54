#pragma once
// The catalogue as the command-line modes read it: the window's collection, with each file or
// folder that fails named on one line of standard error instead of in error boxes.
#include "catalogue/records.h"
#include "core/list_box.h"
#include "fontfile/font_facts.h"
#include "fsys/add_folder.h"
#include "fontfile/font_formats.h"
#include "fontfile/preview_pins.h"
#include "platform/services_bundle.h"

#include <QString>
#include <cstdio>
#include <memory>
#include <optional>
#include <utility>
#include <vector>
#include <string>

class CommandLineCatalogue {
 public:
  // Collects the entries of the files of `formats` whose full names hold `filter` (all for "");
  // a failure is written to `err` as "typorama: PATH: REASON", the path escaped as --list
  // escapes it, once per file. With `snapshot`, the cache keeps a snapshot of the whole list; with
  // `keepRecords`, `records` holds the fill's records.
  CommandLineCatalogue(AppServices& services, const QString& filter, FontFormats formats, std::FILE* err,
                       bool snapshot = false, bool keepRecords = false);

  // The rows of the whole list as --list printed them last, when the cache's snapshot of it still
  // holds: nothing it came from changed. Empty otherwise.
  static std::string rowsOfSnapshot(AppServices& services, FontFormats formats);
  // The same rows as record and face, with the records they name. Nothing when it does not hold.
  struct SnapshotRows {
    std::shared_ptr<const Records> records;
    std::vector<std::pair<uint32_t, uint16_t>> rows;
  };
  static std::optional<SnapshotRows> snapshotRows(AppServices& services, FontFormats formats);

  ListBox list;
  FactsByFace facts;
  int failures = 0;  // the lines written to `err`
  // The records of the fill (not indexed): the identity each listed file had. None without a cache
  // or unless asked for.
  std::shared_ptr<const Records> records;

 private:
  PreviewPins pins_;  // stays empty: the command line registers no preview
};
