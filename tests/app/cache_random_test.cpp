// Random changes to a real tree of font folders, each followed by a listing that may use what
// earlier runs or fills kept and one that reads everything afresh: the two must be the same,
// whatever changed and whenever. Seeded: a failure prints its seed and its steps, and
// TYPORAMA_RANDOM_SEED=<seed> replays it (TYPORAMA_RANDOM_STEPS=<n> sets the number of steps).
// A replay meets the same changes; which of them had settled by a run may still differ a little,
// as that depends on the clock.
#include "catalogue/catalogue_cache.h"
#include "support/font_folder_fixture.h"
#include "support/private_fonts.h"
#include "support/run_unprivileged.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <set>
#include <random>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Under the sanitizers every run of the program is a few times slower: fewer steps.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kSlowdown = 2;
#else
constexpr int kSlowdown = 1;
#endif

uint64_t randomSeed() {
  bool ok = false;
  const qulonglong seed = qEnvironmentVariable("TYPORAMA_RANDOM_SEED").toULongLong(&ok);
  return ok ? seed : 3;
}

int randomSteps(int normal) {
  bool ok = false;
  const int steps = qEnvironmentVariable("TYPORAMA_RANDOM_STEPS").toInt(&ok);
  return ok && steps > 0 ? steps : normal / kSlowdown;
}

// Long names shortened, so that a history stays readable.
std::string shown(const std::string& relative) {
  std::string out, part;
  for (size_t at = 0; at <= relative.size(); ++at) {
    if (at < relative.size() && relative[at] != '/') {
      part += relative[at];
      continue;
    }
    out += part.size() > 24 ? part.substr(0, 12) + "..(" + std::to_string(part.size()) + " chars)" : part;
    if (at < relative.size()) out += '/';
    part.clear();
  }
  return out;
}

// A tree of font folders below a temporary tree, changed one random step at a time. It knows
// what it made: the folders (the first ones, the roots and the folders outside them that links
// lead to, are never removed), the fonts and the one made unreadable, and the links.
class RandomTree {
 public:
  struct Options {
    std::vector<std::string> roots;  // the folders the listing starts from
    std::vector<std::string> aside;  // folders outside them, reached through links
    bool permissions = true;         // whether an unreadable file is unreadable to the listing
    bool waits = true;               // whether some steps wait for everything to settle
  };
  RandomTree(const TempTree& tree, Options options, uint64_t seed)
      : tree_(tree), options_(std::move(options)), random_(seed) {}

  // The folders, a link in each root to one of the folders aside, and a few fonts.
  bool build() {
    for (const auto* list : {&options_.roots, &options_.aside})
      for (const std::string& folder : *list) {
        if (!tree_.folder(folder) && !QFileInfo(tree_.q(folder)).isDir()) return false;
        folders_.push_back(folder);
      }
    fixedFolders_ = folders_.size();
    for (size_t k = 0; k < options_.roots.size(); ++k) {
      links_.push_back(options_.roots[k] + "/link");
      if (!tree_.link(tree_.path(options_.aside[k % options_.aside.size()]), links_.back())) return false;
    }
    for (int k = 0; k < 6; ++k) history_.push_back("start: " + add());
    return error_.empty();
  }

  // Makes one random change and returns what it was; error() tells whether it failed.
  std::string change() {
    struct Kind {
      int weight;
      std::string (RandomTree::*make)();
    };
    // Adds outweigh removals, so the tree fills up to its bounds; about one step in eighteen waits.
    static const Kind kinds[] = {
        {22, &RandomTree::add},         {12, &RandomTree::remove},   {7, &RandomTree::rename},
        {7, &RandomTree::move},         {10, &RandomTree::rewrite},  {8, &RandomTree::makeFolder},
        {4, &RandomTree::removeFolder}, {6, &RandomTree::relink},    {2, &RandomTree::lock},
        {6, &RandomTree::unlock},       {5, &RandomTree::wait}};
    int total = 0;
    for (const Kind& k : kinds) total += k.weight;
    for (;;) {  // a kind that cannot apply now ("" back) gives way to another draw
      int draw = below(total);
      const Kind* kind = kinds;
      while (draw >= kind->weight) draw -= (kind++)->weight;
      std::string done = (this->*kind->make)();
      if (!done.empty()) {
        history_.push_back("step " + std::to_string(steps_++) + ": " + done);
        return done;
      }
    }
  }

  const std::string& error() const { return error_; }
  int waits() const { return waits_; }
  size_t fonts() const { return fonts_.size(); }
  std::string history() const {
    std::string out;
    for (const std::string& line : history_) out += line + '\n';
    return out;
  }

 private:
  int below(size_t n) { return static_cast<int>(random_() % n); }
  template <typename T>
  const T& pick(const std::vector<T>& from) { return from[below(from.size())]; }
  std::string pickFont() {
    auto it = fonts_.begin();
    std::advance(it, below(fonts_.size()));
    return *it;
  }
  std::string failed(const std::string& what) {
    if (error_.empty()) error_ = what + ": " + std::strerror(errno);
    return what;
  }
  // Each font's full name is new and as long as every other one, so a rewrite keeps the size.
  bool writeFont(const std::string& relative, std::string& full) {
    full = "Font " + std::to_string(10000 + serial_++);
    static const uint16_t styles[] = {0x40, 0x01, 0x20, 0x21};
    const QString name = QString::fromStdString(full);
    return FontBuilder().name(3, 0x409, 1, QStringLiteral("Font")).name(3, 0x409, 4, name)
        .fsSelection(styles[below(4)]).writeTo(tree_.q(relative));
  }
  void forget(const std::string& prefix) {
    std::erase_if(fonts_, [&](const std::string& font) { return font.starts_with(prefix); });
    if (locked_ && locked_->starts_with(prefix)) locked_.reset();
    std::erase_if(folders_, [&](const std::string& folder) { return (folder + "/").starts_with(prefix); });
  }

  std::string add() {
    if (fonts_.size() >= 30) return {};
    const std::string at = pick(folders_) + "/f" + std::to_string(serial_) + ".ttf";
    std::string full;
    if (!writeFont(at, full)) return failed("add " + at);
    fonts_.insert(at);
    return "add " + shown(at) + " as " + full;
  }
  std::string remove() {
    if (fonts_.empty()) return {};
    const std::string at = pickFont();
    if (unlink(tree_.path(at).c_str()) != 0) return failed("remove " + at);
    fonts_.erase(at);
    if (locked_ == at) locked_.reset();
    return "remove " + shown(at);
  }
  std::string renameTo(const std::string& from, const std::string& to) {
    if (::rename(tree_.path(from).c_str(), tree_.path(to).c_str()) != 0) return failed("rename " + from);
    fonts_.erase(from);
    fonts_.insert(to);
    if (locked_ == from) locked_ = to;
    return shown(from) + " -> " + shown(to);
  }
  std::string rename() {
    if (fonts_.empty()) return {};
    const std::string from = pickFont();
    return "rename " + renameTo(from, from.substr(0, from.rfind('/')) + "/r" + std::to_string(serial_++) + ".ttf");
  }
  std::string move() {
    if (fonts_.empty()) return {};
    const std::string from = pickFont(), folder = pick(folders_);
    if (from.starts_with(folder + "/") && from.rfind('/') == folder.size()) return {};
    return "move " + renameTo(from, folder + from.substr(from.rfind('/')));
  }
  // Written again in place with another name and style, its size and times as they were: only
  // the change time shows it.
  std::string rewrite() {
    if (fonts_.empty()) return {};
    const std::string at = pickFont();
    if (locked_ == at) return {};
    struct stat before {};
    std::string full;
    if (stat(tree_.path(at).c_str(), &before) != 0 || !writeFont(at, full)) return failed("rewrite " + at);
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    struct stat after {};
    if (utimensat(AT_FDCWD, tree_.path(at).c_str(), times, 0) != 0 || stat(tree_.path(at).c_str(), &after) != 0)
      return failed("rewrite " + at);
    if (after.st_size != before.st_size) error_ = "rewrite " + at + ": the size changed";
    return "rewrite " + shown(at) + " as " + full + ", size and times kept";
  }
  // A short name, or one long enough that the path passes 260 characters at once or a level on.
  std::string makeFolder() {
    if (folders_.size() >= 10) return {};
    const std::string parent = pick(folders_);
    if (std::count(parent.begin(), parent.end(), '/') >= 7 || parent.size() > 900) return {};
    std::string name = "d" + std::to_string(serial_++);
    if (below(5) < 2) name += "-" + std::string(225 + below(20), 'n');
    const std::string at = parent + "/" + name;
    if (!tree_.folder(at)) return failed("make folder " + at);
    folders_.push_back(at);
    return "make folder " + shown(at) + " (" + std::to_string(tree_.path(at).size()) + " characters)";
  }
  std::string removeFolder() {
    if (folders_.size() <= fixedFolders_) return {};
    const std::string at = folders_[fixedFolders_ + below(folders_.size() - fixedFolders_)];
    if (!QDir(tree_.q(at)).removeRecursively()) return failed("remove folder " + at);
    forget(at + "/");
    return "remove folder " + shown(at) + " with what it held";
  }
  // A root's link led elsewhere: mostly to a folder aside, else to any folder (its own root
  // included) or to none.
  std::string relink() {
    const std::string link = pick(links_);
    const int draw = below(10);
    const std::string target = draw == 0 ? std::string("nowhere") : draw < 5 ? pick(folders_) : pick(options_.aside);
    if (unlink(tree_.path(link).c_str()) != 0 || !tree_.link(tree_.path(target), link))
      return failed("relink " + link);
    return "relink " + shown(link) + " -> " + shown(target);
  }
  // One file at a time made unreadable, soon readable again: while one is, no whole list is kept.
  std::string lock() {
    if (!options_.permissions || fonts_.empty() || locked_) return {};
    locked_ = pickFont();
    if (chmod(tree_.path(*locked_).c_str(), 0) != 0) return failed("chmod " + *locked_);
    return "make unreadable " + shown(*locked_);
  }
  std::string unlock() {
    if (!locked_) return {};
    const std::string at = *locked_;
    locked_.reset();
    if (chmod(tree_.path(at).c_str(), 0644) != 0) return failed("chmod " + at);
    return "make readable " + shown(at);
  }
  std::string wait() {
    if (!options_.waits) return {};
    std::this_thread::sleep_for(std::chrono::milliseconds(3200));  // past the cache's 3 s
    ++waits_;
    return "wait until everything has settled";
  }

  const TempTree& tree_;
  const Options options_;
  std::mt19937_64 random_;
  std::vector<std::string> folders_, links_;
  size_t fixedFolders_ = 0;
  std::set<std::string> fonts_;
  std::optional<std::string> locked_;  // the unreadable one
  int serial_ = 0, waits_ = 0, steps_ = 0;
  std::vector<std::string> history_;
  std::string error_;
};

// The lines of one side missing from the other, for a failure's message.
std::string difference(const QStringList& expected, const QStringList& got) {
  std::string out;
  for (const QString& line : expected)
    if (!got.contains(line)) out += "  only afresh: " + line.toStdString() + '\n';
  for (const QString& line : got)
    if (!expected.contains(line)) out += "  only kept:   " + line.toStdString() + '\n';
  return out.empty() ? "  the same lines in another order\n" : out;
}

std::string report(uint64_t seed, size_t step, const RandomTree& tree, const QStringList& fresh,
                   const QStringList& kept) {
  return "TYPORAMA_RANDOM_SEED=" + std::to_string(seed) + ", step " + std::to_string(step) + ":\n" +
         difference(fresh, kept) + "the steps:\n" + tree.history();
}

// Runs of the program in a private font setup, as "nobody" when the tests run as root, so that
// a file's permission bits deny it reading.
struct ListRuns {
  PrivateFonts& fonts;
  bool unprivileged = false;

  QStringList run(const QStringList& args) const {
    QProcess p;
    p.setProcessEnvironment(fonts.env);
    if (unprivileged)
      p.setChildProcessModifier([] {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(77);
      });
    p.start(typoramaProgram(), args);
    const bool finished = p.waitForFinished(60000);
    QStringList out{QStringLiteral("status %1").arg(finished && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1)};
    // Byte for byte (one character a byte): every line of both streams, the last one empty when
    // the stream ends with a line end.
    for (const auto& [stream, bytes] : {std::pair{"out| ", p.readAllStandardOutput()}, {"err| ", p.readAllStandardError()}})
      for (const QByteArray& line : bytes.split('\n')) out << stream + QString::fromLatin1(line);
    return out;
  }
};

TEST(CacheRandom, ListingWithTheCacheIsTheFreshListingAfterEachRandomChange) {
  if (!QFile::exists(typoramaProgram())) GTEST_SKIP() << "the program is not built";
  const uint64_t seed = randomSeed();
  TempTree tree;
  ASSERT_TRUE(tree.folder("data") && tree.folder("cache"));
  PrivateFonts fonts(tree, "sys");
  ASSERT_TRUE(fonts.ok());
  // As root, the program runs as nobody, who owns the caches; when no switch is possible (or
  // nobody may not run the program where it was built), unreadable files would be read all the
  // same, and no step makes one.
  const bool root = geteuid() == 0;
  const std::string program = typoramaProgram().toStdString();
  const bool switches = root && runUnprivileged([&] {
                                  return std::string(::access(program.c_str(), X_OK) == 0 ? "runs" : "cannot");
                                }) == std::string("runs");
  ASSERT_TRUE(!switches || chown(tree.path("cache").c_str(), 65534, 65534) == 0);
  const ListRuns runs{fonts, switches};
  RandomTree random(tree, {{"sys", "data/fonts"}, {"aside-a", "aside-b"}, !root || switches, true}, seed);
  ASSERT_TRUE(random.build()) << random.error();

  const int steps = randomSteps(240);
  for (int step = 0; step < steps; ++step) {
    random.change();
    ASSERT_EQ(random.error(), "") << random.history();
    const QStringList kept = runs.run({"--list"});
    const QStringList fresh = runs.run({"--list", "--no-cache"});
    ASSERT_TRUE(kept == fresh) << report(seed, step, random, fresh, kept);
  }
  // Not vacuous: the cache was kept, some steps let it keep everything, and fonts were listed.
  EXPECT_TRUE(QFile::exists(tree.q("cache/typorama/catalogue.cache")));
  EXPECT_GT(random.waits(), 0);
  EXPECT_GT(random.fonts(), 0u);
}

// The window's part, in process: the records and folder listings a window keeps from fill to
// fill, with no settling time at all (each change comes some ticks of the file system's clock
// after the fill before it), so that every fill may use what the one before kept. The only
// place that knows how the catalogue keeps them.
void keepEverythingAtOnce(Form1& window, LinuxFileSystem& /*fs*/, CatalogueCache& cache) {
  // Stamped in the temporary folder, on the tree's file system: what changed a tick before a fill
  // is kept by it.
  window.services().catalogueCache = &cache;
}

// What a window shows after a fill: its entries (name, file and face, style bits), the grid's
// names, and the boxes the fill showed.
QStringList shownBy(Form1& window, FakePrompts& prompts) {
  QStringList out;
  for (int i = 0; i < window.List1.ListCount(); ++i) {
    const FontFacts f = window.catalogueFacts().value({window.List1.ItemPath(i), window.List1.ItemFace(i)});
    out << QStringLiteral("entry %1|%2#%3|%4").arg(window.List1.ItemName(i), window.List1.ItemPath(i))
               .arg(window.List1.ItemFace(i)).arg(f.bold + 2 * f.italic + 4 * f.underlined + 8 * f.strikeOut);
  }
  for (int r = 0; r < window.MSFlexGrid1->Rows(); ++r) out << "grid " + window.MSFlexGrid1->TextMatrix(r, 1);
  for (const QString& box : prompts.texts()) out << "box " + box;
  prompts.boxes.clear();
  return out;
}

using CacheRandomWindow = FontFolderTest;

TEST_F(CacheRandomWindow, FilterClicksShowWhatAFreshWindowShowsAfterEachRandomChange) {
  const uint64_t seed = randomSeed();
  app.fonts.otherFolders = {tree.q("other")};
  // In process as root, a file's permission bits deny nothing: no step makes one unreadable.
  RandomTree random(tree, {{"fonts", "other"}, {"aside-a", "aside-b"}, geteuid() != 0, false}, seed);
  ASSERT_TRUE(random.build()) << random.error();
  CatalogueCache cache(app.fs);
  keepEverythingAtOnce(form, app.fs, cache);
  std::mt19937_64 filters(seed);
  const int steps = randomSteps(150);
  for (int step = 0; step < steps; ++step) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // some ticks after the last fill
    random.change();
    ASSERT_EQ(random.error(), "") << random.history();
    // Mostly everything; now and then only the names with a digit.
    const QString filter = filters() % 4 == 0 ? QString::number(filters() % 10) : QString();
    BasicAppHarness<LinuxFileSystem> fresh;
    fresh.fonts.fontsFolder = app.fonts.fontsFolder;
    fresh.fonts.otherFolders = app.fonts.otherFolders;
    fresh.form->Text1->setText(filter);
    fresh.form->PushButton1_Click();
    form.Text1->setText(filter);
    form.PushButton1_Click();
    const QStringList expected = shownBy(*fresh.form, fresh.prompts), got = shownBy(form, app.prompts);
    ASSERT_TRUE(got == expected) << "filter \"" << filter.toStdString() << "\"\n" << report(seed, step, random, expected, got);
  }
  EXPECT_GT(random.fonts(), 0u);
}

}  // namespace
