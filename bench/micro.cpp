// Micro benchmarks of the steps a catalogue fill repeats: reading one file's names, writing
// one grid row, and listing the folders of a tree; and the opening of the details and comparison
// windows. Paths come from the environment, set by scripts/bench.sh:
//   TYPORAMA_BENCH_FONT       a real .ttf file the font system knows (also the details window's)
//   TYPORAMA_BENCH_SCAN_TREE  the root of a tree of nested folders
//   TYPORAMA_BENCH_FACES      a folder of at least 100 font files (the comparison's, the first 100)
#include "core/list_box.h"
#include "core/catalogue_entry.h"
#include "core/error_trap.h"
#include "app/comparison_window.h"
#include "app/details_window.h"
#include "app/qt_services.h"
#include "catalogue/collect_catalogue.h"
#include "catalogue/fill_grid.h"
#include "controls/flex_grid.h"
#include "controls/progress_bar.h"
#include "fontfile/cfont_preview.h"
#include "fontfile/truetype_tables.h"
#include "fsys/add_folder.h"
#include "platform/linux/desktop_linux.h"
#include "platform/linux/file_system_linux.h"
#include "platform/linux/font_system_linux.h"
#include "platform/path_codec.h"

#include <QApplication>
#include <QDirIterator>
#include <QFileInfo>
#include <QFontDatabase>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

QString envPath(const char* name) {
  const char* v = std::getenv(name);
  return v ? pathFromBytes(v) : QString();
}

// Passes every call through and counts the folder listings, to show that the scan lists each
// folder once.
class CountingFileSystem : public FileSystem {
 public:
  explicit CountingFileSystem(FileSystem& inner) : inner_(inner) {}
  long subFolderListings = 0;
  long attributeQueries = 0;
  std::optional<uint32_t> attributes(const QString& path, uint32_t wanted) override {
    ++attributeQueries;
    return inner_.attributes(path, wanted);
  }
  bool isRootFolder(const QString& path) override { return inner_.isRootFolder(path); }
  int listSubFolders(const QString& folder, std::vector<QString>& names) override {
    ++subFolderListings;
    return inner_.listSubFolders(folder, names);
  }
  int listFolder(const QString& folder, std::vector<SubFolder>& subFolders, std::vector<FileEntry>* files,
                 std::optional<Identity>* identity) override {
    ++subFolderListings;
    return inner_.listFolder(folder, subFolders, files, identity);
  }
  bool listFiles(const QString& folder, std::vector<QString>& names) override { return inner_.listFiles(folder, names); }
  bool listFileEntries(const QString& folder, std::vector<FileEntry>& entries,
                       std::optional<Identity>* identity) override {
    return inner_.listFileEntries(folder, entries, identity);
  }
  bool canOpen(const QString& path) override { return inner_.canOpen(path); }
  std::optional<Identity> identity(const QString& path) override { return inner_.identity(path); }
  std::optional<int64_t> lastModified(const QString& path) override { return inner_.lastModified(path); }
  bool removeFile(const QString& path) override { return inner_.removeFile(path); }
  std::unique_ptr<ReadableFile> openForReading(const QString& path) override { return inner_.openForReading(path); }
  FileStatus createFolderPath(const QString& folder) override { return inner_.createFolderPath(folder); }
  CheckedCopy copyFileChecked(const QString& source, const QString& target,
                              const std::function<bool(const QString&)>& accept) override {
    return inner_.copyFileChecked(source, target, accept);
  }

 private:
  FileSystem& inner_;
};

struct Services {
  StderrPrompts prompts;
  EventLoopYielder yielder;
  ClockRandom random;
  LinuxFileSystem fs;
  LinuxFontSystem fonts;
  LinuxDesktop desktop;
  AppServices app{prompts, yielder, random, fs, fonts, desktop};
};
Services* services = nullptr;

// The table directory, head, name and OS/2 tables of one file, without the font system.
void BM_ReadFontTables(benchmark::State& state) {
  const std::string path = pathToBytes(envPath("TYPORAMA_BENCH_FONT"));
  for (auto _ : state) {
    truetype::FileByteSource file;
    if (!file.open(services->fs, pathFromBytes(path))) state.SkipWithError("cannot open TYPORAMA_BENCH_FONT");
    truetype::FontTablesState tables;
    benchmark::DoNotOptimize(truetype::readFontTables(file, tables, 0x0409));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadFontTables);

// What the catalogue does per file: a fresh CFontPreview, its names and the face probe.
void BM_NameTableParse(benchmark::State& state) {
  const QString path = envPath("TYPORAMA_BENCH_FONT");
  for (auto _ : state) {
    CFontPreview reader(services->fs, services->fonts);
    reader.setFontFile(path);
    benchmark::DoNotOptimize(reader.FullName());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NameTableParse);

// Writing the catalogue rows into the grid, each row in its own face, and the first paint.
void BM_GridFill(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  QStringList families = QFontDatabase::families();
  if (families.isEmpty()) families << QStringLiteral("DejaVu Sans");
  ListBox list;
  FactsByFace facts;
  for (int i = 0; i < rows; ++i) {
    const QString path = QStringLiteral("/fonts/%1/f.ttf").arg(i, 6, 10, QLatin1Char('0'));
    list.AddItem(families.at(i % families.size()), path);
    facts.insert({path}, {i % 2 == 1, i % 3 == 1, false, false});
  }
  list.List(0);  // sorted before timing
  for (auto _ : state) {
    state.PauseTiming();
    auto grid = std::make_unique<FlexGrid>();
    grid->setFaceResolver([](const QString& name) { return services->fonts.resolveFace(name); });
    grid->resize(664, 393);
    grid->setColWidth(0, 650);
    grid->setColWidth(1, 4300);
    grid->setColWidth(2, 4300);
    grid->setRowHeightMin(500);
    grid->setFontSize(15);
    grid->show();
    ProgressBar bar;
    ErrorTrap trap(services->prompts, QStringLiteral("Form1.LoadFonts"));
    QCoreApplication::processEvents();
    state.ResumeTiming();
    fillCatalogueGrid(services->app, trap, *grid, list, bar, facts);
    StripeGridRows(*grid, kEvenRowColor, kOddRowColor);
    grid->viewport()->repaint();
    QCoreApplication::processEvents();
    state.PauseTiming();
    grid.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * rows);
  state.counters["rows"] = rows;
}
BENCHMARK(BM_GridFill)->Arg(2500)->Arg(25000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The folder scan over a tree of nested folders, counting the listings it makes.
void BM_ScanFolders(benchmark::State& state) {
  const QString root = envPath("TYPORAMA_BENCH_SCAN_TREE");
  if (root.isEmpty()) {
    state.SkipWithError("TYPORAMA_BENCH_SCAN_TREE is not set");
    return;
  }
  long folders = 0, listings = 0, attributes = 0;
  for (auto _ : state) {
    CountingFileSystem counting(services->fs);
    NoYield yielder;
    ScanServices scan{counting, yielder, services->prompts};
    QStringList collection{root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/')};
    GetSubDirectories2016(scan, collection, true);
    folders = collection.size();
    listings = counting.subFolderListings;
    attributes = counting.attributeQueries;
  }
  state.counters["folders"] = static_cast<double>(folders);
  state.counters["listings_per_folder"] = folders ? static_cast<double>(listings) / folders : 0;
  state.counters["attrs_per_folder"] = folders ? static_cast<double>(attributes) / folders : 0;
  state.SetItemsProcessed(state.iterations() * folders);
}
BENCHMARK(BM_ScanFolders)->Unit(benchmark::kMillisecond)->Iterations(3);

// Font Details… over one row: that face's details read (its file and one question to
// fontconfig), the window built, shown and painted once.
void BM_DetailsWindowOpen(benchmark::State& state) {
  ListBox list;
  list.AddItem(QStringLiteral("Bench"), envPath("TYPORAMA_BENCH_FONT"));
  for (auto _ : state) {
    state.PauseTiming();
    auto owner = std::make_unique<QWidget>();
    auto* grid = new FlexGrid(owner.get());
    grid->setRows(1);
    QCoreApplication::processEvents();
    state.ResumeTiming();
    DetailsWindow* window = DetailsWindow::openFor(owner.get(), services->app, *grid, list);
    window->repaint();
    QCoreApplication::processEvents();
    state.PauseTiming();
    if (window->fields().isEmpty()) state.SkipWithError("TYPORAMA_BENCH_FONT gave no details");
    owner.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_DetailsWindowOpen)->Unit(benchmark::kMillisecond);

// The comparison window over 100 faces, each of its own file: built, filled, shown and painted
// once. Only the lines in view load their faces.
void BM_ComparisonWindowOpen(benchmark::State& state) {
  QStringList files;
  for (QDirIterator it(envPath("TYPORAMA_BENCH_FACES"), {"*.ttf", "*.otf"}, QDir::Files, QDirIterator::Subdirectories);
       it.hasNext();)
    files << it.next();
  files.sort();
  if (files.size() < 100) return state.SkipWithError("TYPORAMA_BENCH_FACES holds fewer than 100 font files");
  files = files.mid(0, 100);
  for (auto _ : state) {
    state.PauseTiming();
    auto owner = std::make_unique<QWidget>();
    state.ResumeTiming();
    auto* window = new ComparisonWindow(services->app, owner.get());
    for (const QString& file : files) window->add(QFileInfo(file).completeBaseName(), file, 0);
    window->show();
    window->repaint();
    QCoreApplication::processEvents();
    state.PauseTiming();
    const bool filled = window->count() == 100;
    owner.reset();
    if (!filled) {
      state.SkipWithError("the comparison did not take 100 faces");
      break;
    }
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ComparisonWindowOpen)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  Services s;
  services = &s;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  services = nullptr;
  return 0;
}
