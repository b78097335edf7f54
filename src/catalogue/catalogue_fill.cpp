#include "catalogue/catalogue_fill.h"

#include "core/catalogue_entry.h"
#include "core/vendor.h"
#include "fontfile/preview_pins.h"
#include "catalogue/read_ahead.h"
#include "controls/flex_grid.h"
#include "controls/flex_grid_model.h"
#include "controls/progress_bar.h"
#include "fontfile/cfont_preview.h"
#include "fsys/add_folder.h"
#include "fsys/mod_fonts.h"
#include "platform/file_status.h"
#include "platform/path_codec.h"

#include <QAccessible>
#include <QLocale>
#include <QSet>
#include <QStringBuilder>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <iterator>
#include <malloc.h>
#include <memory>
#include <optional>

namespace {
// The decimal digits of a row number, as QString::number writes them, without its general path
// (a fill writes one per row): at the end of `digits`, whose start is returned.
char16_t* writeDigits(unsigned n, char16_t (&digits)[10]) {
  char16_t* at = std::end(digits);
  do {
    *--at = static_cast<char16_t>(u'0' + n % 10);
    n /= 10;
  } while (n != 0);
  return at;
}

QString rowNumber(int n) {
  if (n < 0) return QString::number(n);
  char16_t digits[10];
  const char16_t* at = writeDigits(static_cast<unsigned>(n), digits);
  return QString(reinterpret_cast<const QChar*>(at), std::end(digits) - at);
}

bool showsRowNumber(const QString& text, int n) {
  char16_t digits[10];
  const char16_t* at = writeDigits(static_cast<unsigned>(n), digits);
  return text == QStringView(at, std::end(digits));
}

// The style bits the grid draws a sample with.
uint8_t sampleStyle(const FontFacts& f) {
  return static_cast<uint8_t>((f.bold ? FlexGridModel::Bold : 0) | (f.italic ? FlexGridModel::Italic : 0) |
                              (f.underlined ? FlexGridModel::Underline : 0) |
                              (f.strikeOut ? FlexGridModel::StrikeOut : 0));
}

// The style of entry i's sample: kept with the entry by the collection, else from the facts;
// nothing when the fill would read the entry's file for it.
std::optional<uint8_t> entryStyle(const ListBox& list, int i, const FactsByFace& facts) {
  if (const uint32_t data = list.ItemData(i); data != ListBox::kNoData) return static_cast<uint8_t>(data);
  const auto it = facts.constFind({list.ItemPath(i), list.ItemFace(i)});
  if (it == facts.constEnd()) return std::nullopt;
  return sampleStyle(*it);
}

// True when the grid already holds what the loop of fillCatalogueGrid would write for every entry
// of the list, its tables of font names and files built in the same order: a refill that finds
// the same entries (the Filter button over unchanged files) then keeps the cells as they are.
bool gridShows(const FlexGrid& grid, const ListBox& list, const FactsByFace& facts) {
  using Format = FlexGridModel::CellFormat;
  const FlexGridModel& cells = grid.cells();
  const int count = list.ListCount();
  if (cells.rows() != count || cells.cols() != 3 || cells.fileCount() != count) return false;
  const auto formatIs = [](const Format& f, int align, int face, int file, uint8_t styleSet, uint8_t style) {
    return f.align == align && f.face == face && f.file == file && f.styleSet == styleSet && f.style == style;
  };
  int faces = 0;  // the names a rewrite would have entered by now, entered in their first row's order
  for (int i = 0; i < count; ++i) {
    const QStringView name = list.ItemNameView(i), path = list.ItemPathView(i);
    const uint32_t face = list.ItemFace(i);
    const std::optional<uint8_t> style = entryStyle(list, i, facts);
    if (!style) return false;  // the row's file would be read
    const Format& sample = cells.format(i, 2);
    if (sample.face == faces) ++faces;
    if (!formatIs(cells.format(i, 0), -1, -1, -1, 0, 0) || !formatIs(cells.format(i, 1), -1, -1, -1, 0, 0) ||
        sample.face < 0 || sample.face >= faces || !formatIs(sample, 1, sample.face, i, 0x0F, *style) ||
        cells.faceName(sample.face) != name || cells.fileName(i) != path || cells.fileFaceIndex(i) != face ||
        !showsRowNumber(cells.text(i, 0), i + 1) || cells.text(i, 1) != name || cells.text(i, 2) != kSampleText)
      return false;
  }
  return faces == cells.faceCount();
}

bool isBelow(const QString& folder, const QString& root) {
  return folder != root && folder.startsWith(root);
}
}  // namespace

QStringList catalogueRoots(AppServices& services) {
  QStringList roots;
  const auto addRoot = [&](const QString& folder) {
    for (const QString& root : roots)
      if (folder == root || isBelow(folder, root)) return;
    roots.removeIf([&](const QString& root) { return isBelow(root, folder); });
    roots.append(folder);
  };
  const QString fontsFolder = GetFontsFolder(services.fonts);
  if (!fontsFolder.isEmpty()) roots.append(fontsFolder);
  for (const QString& folder : services.fonts.otherFontFolders()) addRoot(folder);
  return roots;
}

QStringList catalogueFolders(AppServices& services, ListedFiles* listed, ScanTrace* trace) {
  QStringList roots = catalogueRoots(services);
  ScanServices scan{services.fs, services.yielder, services.prompts, listed, trace};
  GetSubDirectories2016(scan, roots, true);
  return roots;
}

void collectCatalogue(AppServices& services, ErrorTrap& trap, ListBox& list, const QString& filter,
                      FontFormats formats, FactsByFace& facts, PreviewPins& pins, const PleaseWait& pleaseWait,
                      bool readAhead, CatalogueFor use, ScanTrace* trace) {
  const bool filtered = !filter.isEmpty();
  const bool previews = use == CatalogueFor::Window;
  // Letter case is ignored the way the user's language sees it (in Turkish "I" pairs with the
  // dotless "ı"), so both sides are lowered with the user's locale rather than a locale-free fold.
  const QLocale locale;
  const QString loweredFilter = filtered ? locale.toLower(filter) : QString();
  // Plain ASCII lowers letter for letter in every language but those with a dotted and a dotless
  // i: such a name is matched without the locale's case mapping (a Filter meets 25,000 of them).
  const bool plainAscii = locale.language() != QLocale::Turkish && locale.language() != QLocale::Azerbaijani;
  const auto holdsFilter = [&](const QString& name) {
    if (!plainAscii || !std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; }))
      return locale.toLower(name).contains(loweredFilter);
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    const qsizetype n = name.size(), m = loweredFilter.size();
    for (qsizetype at = 0; at + m <= n; ++at) {
      qsizetype k = 0;
      while (k < m && lower(name[at + k].unicode()) == loweredFilter[k].unicode()) ++k;
      if (k == m) return true;
    }
    return false;
  };
  const QString pattern = fontFilePattern(formats);
  const bool everyFormat = formats == FontFormats::All;
  QStringList folders;
  QSet<QString> families;  // the faces of a family share one copy of its name
  // The families the probe found known, by the address of their text (the records share one
  // copy of each): what the system knows now it still knows at the end of the fill, as the
  // fill's own registrations are let go only by the next one.
  QSet<const QChar*> knownFamilies;
  trap(104, [&] { list.Clear(); });
  // The facts of the last fill stay while this one runs: a face met again only has its value
  // replaced, and those not met go at the end.
  ListedFiles listed;
  CatalogueCache* cache = services.catalogueCache;
  const auto nowNs = [] {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
  };
  const int64_t scanStart = nowNs();
  trap(106, [&] { folders = catalogueFolders(services, previews && !cache ? nullptr : &listed, trace); });
  // The window's scan lets the event loop run, where a font may be installed or removed: its
  // listing of a folder serves only while the folder's status has not changed since a while
  // before the scan began (a change within one tick of the file system's clock leaves it as it
  // was). Any other folder is listed again in its turn, as then.
  if (previews && cache) {
    listed.removeIf([&](ListedFiles::iterator it) {
      const auto id = services.fs.identityAt(pathToBytes(it.key()).c_str());
      return !id || id->changedNs >= scanStart - cache->settleNs;
    });
  }
  // About as many records as the scan listed files: room for them at once, rather than moved
  // from block to block as they come.
  size_t listedFiles = 0;
  for (const std::vector<FileEntry>& files : std::as_const(listed)) listedFiles += files.size();
  // Let go of only now: the scan lets the event loop run, and a face this fill loads again is
  // then still there to be taken back.
  pins.releaseAll();
  const auto folderAt = [&](qsizetype k) {
    const QString& entry = folders.at(k);
    return entry.endsWith(QLatin1Char('/')) ? entry.chopped(1) : entry;
  };
  // The listing stays on this thread (the reading thread only opens and reads files); a listing that
  // fails is handed on so its box comes in its folder's turn.
  std::atomic<int> outOfDate = 0;  // the reading thread's count of records found out of date
  std::optional<ReadAhead> ahead;
  qsizetype queued = 0;
  const auto queueFolder = [&](qsizetype k) {
    std::vector<FileEntry> entries;
    std::exception_ptr failure;
    try {
      entries = GetMatchingFiles(services.fs, folderAt(k), pattern, &listed);
    } catch (...) {
      failure = std::current_exception();
    }
    ahead->queue(folderAt(k), std::move(entries), std::move(failure));
  };
  // The next folder is always queued; beyond it, folders until a few hundred entries wait, so
  // a small folder between two large ones never leaves the reading thread idle.
  const auto queueAhead = [&](qsizetype k) {
    constexpr size_t kEntriesAhead = 512;
    while (queued < folders.size() && (queued <= k + 1 || ahead->pendingEntries() < kEntriesAhead))
      queueFolder(queued++);
  };
  // One locale for the whole fill: the names are decoded and selected in it.
  const int32_t localeId = services.fonts.localeId();
  // A file whose record from an earlier read still holds is not read again; the records of this
  // fill replace them.
  std::shared_ptr<const CachedFiles> known = cache ? cache->records(localeId) : nullptr;
  // The records this fill keeps, in its order: those that held, and those of the files read
  // cleanly now; and the record and face of each entry, in the order they were added.
  auto records = std::make_shared<CachedFiles>();
  bool recordsChanged = false;
  // While every record this fill keeps is the next one of the known records (a refill of files
  // that did not change), they are only counted: the known records serve again as they are.
  bool asKnown = known != nullptr;
  size_t knownKept = 0;
  const auto recordCount = [&] { return asKnown ? knownKept : records->files.size(); };
  const auto copyKnown = [&] {
    if (!asKnown) return;
    asKnown = false;
    records->files.reserve(std::max(known->files.size(), listedFiles));
    records->files.assign(known->files.begin(), known->files.begin() + static_cast<ptrdiff_t>(knownKept));
  };
  std::vector<std::pair<uint32_t, uint32_t>> entryFaces;
  if (known) facts.reserve(static_cast<qsizetype>(known->files.size()));
  // What decides which faces a fill takes besides the files: the formats, the language its
  // letter case follows and the filter.
  const auto factsKey = [&](const QString& f) -> QString {
    return QString::number(static_cast<int>(formats)) % QChar(0) % locale.name() % QChar(0) % f;
  };
  // The facts of a face of the known records are there already when the last collection into
  // them took the same records under the same filter (or none): a refill of unchanged files
  // puts no face again.
  const bool factsHeld =
      known && facts.source == known && (facts.sourceKey == factsKey(filter) || facts.sourceKey == factsKey({}));
  bool everyFaceTaken = true;  // each face the filter let through is in the list and its facts
  if (readAhead) {
    const int64_t settledBefore = cache ? cache->settledBefore() : nowNs();
    ahead.emplace(services.fs, localeId, true, formats, KnownFiles{known.get(), settledBefore, &outOfDate});
  }
  for (qsizetype k = 0; k < folders.size(); ++k) {
    const QString folder = folderAt(k);
    trap.setSubject(folder);
    std::vector<ReadAheadFile> files;
    if (ahead) {
      queueAhead(k);
      std::vector<ReadAheadFile> unopened;
      trap(108, [&] { files = ahead->next(&unopened); });
      queueAhead(k);  // this folder no longer counts as waiting
      // A file that does not open is no entry: only a reporter hears of it.
      for (const ReadAheadFile& file : unopened) {
        if (file.name.startsWith(QLatin1Char('~'))) continue;
        trap.setSubject(file.path);
        trap.notice(FileStatus::fromErrno(file.openError).reason);
      }
    } else {
      trap(108, [&] {
        const FileNameArray names = GetFilesInFolder(services.fs, folder, pattern);
        for (const QString& name : names.names()) files.push_back({name, folder % QLatin1Char('/') % name});
      });
    }
    const int n = static_cast<int>(files.size());
    for (int i = 1; i <= n; ++i) {
      ReadAheadFile& file = files[static_cast<size_t>(i - 1)];
      if (file.name.startsWith(QLatin1Char('~'))) continue;
      const QString& path = file.path;
      trap.setSubject(path);
      // One entry per face: a collection read with every format has several, any other file one.
      const CachedFile* const record = file.known;
      std::optional<CachedFile>& fresh = file.fresh;  // its faces are added as they are read
      const auto recordAt = static_cast<uint32_t>(record || fresh ? recordCount() : UINT32_MAX);
      uint32_t faces = static_cast<uint32_t>(record ? record->faces.size() : 1 + file.laterFaces.size());
      for (uint32_t face = 0; face < faces; ++face) {
        const CachedFace* kept = record ? &record->faces[face] : nullptr;
        // A face known from before that the filter leaves out is passed over at once: nothing
        // of it is shown, so it needs neither a probe nor a reader.
        bool matches = false;
        if (kept && filtered) {
          trap(116, [&] { matches = holdsFilter(kept->fullName); });
          if (!matches) continue;
        }
        // A face known from before needs a reader only to be probed, and only when the system
        // does not know it: the reader then registers the file for its preview. The probe of a
        // face it knows asks for the same names a reader would and leaves nothing behind.
        bool systemKnows = false;
        if (kept && previews) {
          systemKnows = knownFamilies.contains(kept->family.constData());
          if (!systemKnows) {
            const auto probed = CFontPreview::KnownFaceName(services.fonts, kept->family, kept->subfamily, kept->fullName);
            systemKnows = probed.has_value();
            if (probed == kept->family) knownFamilies.insert(kept->family.constData());
          }
        }
        std::unique_ptr<CFontPreview> reader;
        if (!kept || (previews && !systemKnows)) {
          reader = std::make_unique<CFontPreview>(services.fs, services.fonts, localeId);
          reader->setFaceProbe(previews);
        }
        trap(110, [&] {
          if (kept) {
            if (reader) reader->setUnknownFontFile(path, tablesOf(*kept, localeId));
          } else if (file.failure) {
            std::rethrow_exception(file.failure);
          } else if (face > 0 && file.tables) {
            reader->setFontFile(path, file.laterFaces[face - 1]);
          } else if (file.tables) {
            reader->setFontFile(path, *file.tables);
          } else if (everyFormat) {
            reader->setFontFileFace(path, face);
          } else {
            reader->setFontFile(path);
          }
        });
        if (everyFormat && !file.tables && !kept && face == 0) faces = reader->FaceCount();
        if (fresh) {  // a clean read: every face has its names
          fresh->faces.append(faceOf(*reader));
          fresh->faces.back().family = *families.insert(fresh->faces.back().family);
          kept = &fresh->faces.back();
        }
        const auto fullName = [&] { return kept ? kept->fullName : reader->FullName(); };
        const uint32_t rank = kept ? kept->rank : ListBox::kNoRank;
        // The sample's style goes with the entry, so the grid's fill needs no look-up by path.
        const uint32_t style = kept ? sampleStyle(factsOf(*kept))
                                    : sampleStyle({reader->Bold(), reader->Italic(), reader->Underlined(),
                                                   reader->StrikeOut()});
        bool accepted = false;
        if (!filtered) {
          trap(112, [&] {
            if (pleaseWait && i % 6 == 0 && face == 0) pleaseWait(i, n, false);
          });
          accepted = trap(114, [&] { list.AddItem(fullName(), path, face, rank, style); });
          everyFaceTaken = everyFaceTaken && accepted;
        } else {
          if (!record) trap(116, [&] { matches = holdsFilter(fullName()); });
          if (matches) {
            trap(118, [&] {
              if (pleaseWait) pleaseWait(i, n, true);
            });
            accepted = trap(120, [&] { list.AddItem(fullName(), path, face, rank, style); });
            everyFaceTaken = everyFaceTaken && accepted;
          }
        }
        if (accepted) {
          entryFaces.emplace_back(recordAt, face);
          if (!(record && factsHeld)) {
            // An accepted face has a name table, so its family name reads without failing.
            FontFacts faceFacts = kept ? factsOf(*kept) : factsOf(*reader);
            faceFacts.faces = static_cast<uint16_t>(faces);
            if (!kept) faceFacts.family = *families.insert(faceFacts.family);  // a record's is shared already
            facts.insert({path, face}, std::move(faceFacts));
          }
          // A face the system does not know stays registered while the catalogue lists it: the
          // reader of every later file of its family then finds the family known and registers
          // nothing, so a folder of one unknown family costs one registration, not one per file.
          // (The grid draws every sample from its own file either way.)
          if (previews && !systemKnows && !reader->Installed()) pins.pin(path);
        }
      }
      if (record && asKnown && knownKept < known->files.size() && record == &known->files[knownKept].second) {
        ++knownKept;
      } else if (record) {
        copyKnown();
        records->files.emplace_back(path, *record);
      } else if (fresh) {
        copyKnown();
        records->files.emplace_back(path, std::move(*fresh));
        recordsChanged = true;
      }
    }
    if (ahead) ahead->recycle(std::move(files));
  }
  trap.setSubject({});
  if (!cache) facts.source.reset();
  if (facts.size() != list.ListCount()) {
    FactsByFace current;
    current.reserve(list.ListCount());
    for (int i = 0; i < list.ListCount(); ++i) {
      const FontFace face{list.ItemPath(i), list.ItemFace(i)};
      current.insert(face, facts.value(face));
    }
    facts.swap(current);
  }
  if (ahead) {
    ahead.reset();
    // What the reading thread allocated sits freed in its own malloc arena, where nothing
    // else would reuse it: hand it back to the system.
    malloc_trim(0);
  }
  if (cache) {
    // The faces of a whole catalogue are ranked as the sorted list has them, so that the next
    // fill of the same files (the first Filter after a start that read them) needs no sort.
    if (asKnown && knownKept != known->files.size()) copyKnown();  // some records went
    if (!filtered && !list.RanksAscend()) {
      copyKnown();
      for (int i = 0; i < list.ListCount(); ++i) {
        const auto [at, face] = entryFaces[list.ItemAddedAt(i)];
        if (at != UINT32_MAX) records->files[at].second.faces[face].rank = static_cast<uint32_t>(i);
      }
      recordsChanged = true;
    }
    // Every face of these records that the filter let through is now in the list, its facts
    // taken from its record.
    facts.source = everyFaceTaken ? (asKnown ? std::shared_ptr<const void>(known) : records) : nullptr;
    facts.sourceKey = factsKey(filter);
    if (asKnown) {
      cache->keep(localeId, known, false);
    } else {
      known.reset();  // the cache's write frees them, on its thread
      cache->keep(localeId, std::move(records), recordsChanged);
    }
  }
}

double progressPercent(int i, int count) {
  if (count <= 1) return 100.0;
  return static_cast<double>(i) / (count - 1) * 100.0;
}

void nameCatalogueGrid(FlexGrid& grid) {
  grid.setAccessibleName(QStringLiteral("Fonts"));
  grid.setColumnName(0, QStringLiteral("Number"));
  grid.setColumnName(1, QStringLiteral("Full name"));
  grid.setColumnName(2, QStringLiteral("Sample"));
}

void fillCatalogueGrid(AppServices& services, ErrorTrap& trap, FlexGrid& grid, const ListBox& list,
                       ProgressBar& bar, const FactsByFace& facts) {
  int count = 0;
  trap(122, [&] { count = list.ListCount(); });
  trap(124, [&] {
    grid.setRows(count);
    grid.fitNumbersInColumn(0, count);
  });
  if (grid.Rows() == 0) return;
  // The bar shows each row's step before anything outside the grid can see it: at once for a
  // screen reader, which hears every step; else when the row's file is read, or the last row is
  // done. Nothing draws the bar during the loop, so the steps between go unseen either way.
  const bool everyStep = QAccessible::isActive();
  // Rows that would be written as they stand are kept; the grid then ends as a rewrite leaves it.
  const bool keep = !everyStep && gridShows(grid, list, facts);
  trap(126, [&] {
    grid.setRow(0);
    if (keep)
      grid.clearKeepingContent();
    else
      grid.Clear();
    grid.setCol(2);
  });
  int stepShown = -1;
  const auto showStep = [&](int i) {
    if (i == stepShown) return;
    stepShown = i;
    trap(128, [&] {
      bar.setValue(progressPercent(i, count));
      bar.setText(QStringLiteral("Loading font ") + QString::number(i + 1) + QStringLiteral(" from ") +
                  QString::number(count));
    });
  };
  // The rows are written without a repaint each; the grid draws them all once done.
  const bool redraw = grid.Redraw();
  if (redraw) grid.setRedraw(false);
  if (keep) trap(132, [&] { grid.setRow(count - 1); });  // where the loop leaves the current cell
  for (int i = 0; !keep && i < count; ++i) {
    QString name, path;
    uint32_t face = 0;
    if (everyStep) showStep(i);
    trap(130, [&] {
      name = list.ItemName(i);
      path = list.ItemPath(i);
      face = list.ItemFace(i);
    });
    trap(132, [&] {
      grid.setRow(i);
      grid.setCellAlignment(1);
    });
    trap(134, [&] {
      grid.setTextMatrix(i, 0, rowNumber(i + 1));
      grid.setTextMatrix(i, 1, name);
      grid.setTextMatrix(i, 2, kSampleText);
    });
    uint8_t style = 0;
    trap(136, [&] {
      if (const std::optional<uint8_t> known = entryStyle(list, i, facts)) {
        style = *known;
      } else {
        showStep(i);
        CFontPreview reader(services.fs, services.fonts);
        reader.setFontFileFace(path, face);
        style = sampleStyle(factsOf(reader));
      }
    });
    trap(138, [&] {
      grid.setCellFontName(name);
      // The sample is drawn from the row's own file: the name alone may belong to another
      // file, or to a face the system has never seen.
      grid.setCellFontFile(path, face);
      grid.setCellFontBold(style & FlexGridModel::Bold);
      grid.setCellFontItalic(style & FlexGridModel::Italic);
      grid.setCellFontUnderline(style & FlexGridModel::Underline);
      grid.setCellFontStrikeThrough(style & FlexGridModel::StrikeOut);
    });
  }
  showStep(count - 1);
  if (redraw) grid.setRedraw(true);
}

QString noFontsFoundText() {
  return QStringLiteral("Error #195454: No fonts found. \r\nPlease email ") + vendor::kSupportEmail +
         QStringLiteral(" with a screenshot of this message if you have any questions.");
}

void showNoFontsFound(Prompts& prompts) {
  prompts.messageBox(noFontsFoundText(), QStringLiteral("Application Error"), MsgButtons::Ok,
                     MsgIcon::Exclamation);
}

void StripeGridRows(FlexGrid& grid, uint32_t evenColor, uint32_t oddColor) {
  grid.setRedraw(false);
  grid.setFillStyle(1);
  const int last = grid.Rows() - 1;
  for (int r = grid.FixedRows(); r <= last; ++r) {
    grid.setRow(r);
    for (int c = 0; c <= grid.Cols() - 1; ++c) {
      grid.setColSel(c);
      grid.setCellBackColor(r % 2 == 0 ? evenColor : oddColor);
    }
  }
  grid.setFillStyle(0);
  grid.setRedraw(true);
}
