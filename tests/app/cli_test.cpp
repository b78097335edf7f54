// The headless listing, run as its own process against folders named by the environment.
#include "support/font_builder.h"
#include "support/private_fonts.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

struct ListRun {
  int status = -1;
  QStringList lines;
  QString errors;
};

struct CliTest : ::testing::Test {
  TempTree tree;
  std::optional<PrivateFonts> fonts;

  void SetUp() override {
    if (!QFile::exists(typoramaProgram())) GTEST_SKIP() << "the program is not built";
    ASSERT_TRUE(tree.folder("data") && tree.folder("data/fonts") && tree.folder("sys"));
    fonts.emplace(tree, "sys");
    ASSERT_TRUE(fonts->ok());
  }
  void font(const std::string& relative, const QString& full, uint16_t fsSelection = 0x40) {
    ASSERT_TRUE(FontBuilder().name(3, 0x409, 1, full).name(3, 0x409, 4, full).fsSelection(fsSelection)
                    .writeTo(tree.q(relative)));
  }
  ListRun run(const QStringList& args) {
    const ProgramOutcome o = fonts->typorama(args);
    return {o.status, o.out.split('\n', Qt::SkipEmptyParts), o.err};
  }
};

TEST_F(CliTest, ListsEveryFontOfTheConfiguredFoldersSorted) {
  ASSERT_TRUE(tree.folder("sys/deeper"));
  font("data/fonts/mine.ttf", "Zeta Mine", 0x21);
  font("sys/b.ttf", "beta");
  font("sys/deeper/a.ttf", "Alpha");
  font("sys/~temp.ttf", "Aaa Hidden");
  fonts->env.insert("QT_QPA_PLATFORM", "xcb");  // no display: listing must start no GUI application
  const ListRun r = run({"--list"});
  ASSERT_EQ(r.status, 0) << r.errors.toStdString();
  ASSERT_EQ(r.lines.size(), 3);
  EXPECT_EQ(r.lines[0], "1\tAlpha\t0\t0\t0\t0\t" + tree.q("sys/deeper/a.ttf"));
  EXPECT_EQ(r.lines[1], "2\tbeta\t0\t0\t0\t0\t" + tree.q("sys/b.ttf"));
  EXPECT_EQ(r.lines[2], "3\tZeta Mine\t1\t1\t0\t0\t" + tree.q("data/fonts/mine.ttf"));
  fonts->env.remove("XDG_RUNTIME_DIR");  // as in cron or CI: Qt's remark about it is not the program's
  EXPECT_EQ(run({"--list"}).errors, "");
}

TEST_F(CliTest, FilterAndEmptyResultAndBadOption) {
  font("sys/a.ttf", "Arial Bold");
  font("sys/c.ttf", "Candara");
  font("sys/v.ttf", "Verdana");
  ListRun r = run({"--list", "--filter", "aR"});
  ASSERT_EQ(r.status, 0);
  ASSERT_EQ(r.lines.size(), 2);
  EXPECT_TRUE(r.lines[0].startsWith("1\tArial Bold\t"));
  EXPECT_TRUE(r.lines[1].startsWith("2\tCandara\t"));

  r = run({"--list", "--filter", "nothing like it"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.lines.isEmpty());
  EXPECT_TRUE(r.errors.contains("Error #195454: No fonts found. ")) << r.errors.toStdString();
  EXPECT_FALSE(r.errors.contains("Please email")) << r.errors.toStdString();

  r = run({"--bogus"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.errors.contains("Usage:"));
  r = run({"--help"});
  EXPECT_EQ(r.status, 0);
}

TEST_F(CliTest, InfoPrintsOneFaceOrSaysWhyNot) {
  ASSERT_TRUE(FontBuilder().name(3, 0x409, 4, u"Info\nFace").fsSelection(0x21).writeTo(tree.q("sys/i.ttf")));
  ASSERT_TRUE(FontBuilder().magic(0).writeTo(tree.q("sys/bad.ttf")));
  fonts->env.insert("QT_QPA_PLATFORM", "xcb");  // no display: the details need no GUI application
  ListRun r = run({"--info", tree.q("sys/i.ttf")});
  ASSERT_EQ(r.status, 0) << r.errors.toStdString();
  EXPECT_EQ(r.lines.mid(0, 3), (QStringList{"Path: " + tree.q("sys/i.ttf"), "Face: 0", "Full name: Info\\nFace"}));
  EXPECT_TRUE(r.lines.contains("Bold: yes") && r.lines.contains("Spacing: proportional"));
  r = run({"--info", "--json", tree.q("sys/i.ttf"), "--face", "0"});
  ASSERT_EQ(r.lines.size(), 1);
  EXPECT_TRUE(r.lines[0].startsWith(R"({"path":")") && r.lines[0].contains(R"("fullName":"Info\u000aFace")"));
  // A face it does not hold, a file that is no font or not there: one line, status 1.
  const std::pair<QStringList, QString> failures[] = {
      {{"--info", tree.q("sys/i.ttf"), "--face", "1"}, tree.q("sys/i.ttf") + ": has no face 1 (it holds 1)"},
      {{"--info", tree.q("sys/bad.ttf")}, tree.q("sys/bad.ttf") + ": not a usable font file"},
      {{"--info", tree.q("sys/none.ttf")}, tree.q("sys/none.ttf") + ": cannot be read: No such file or directory"}};
  for (const auto& [args, message] : failures) {
    r = run(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors, "typorama: " + message + "\n");
  }
  for (const QStringList& args : {QStringList{"--info"}, {"--info", "f.ttf", "--face"}, {"--info", "f.ttf", "--face", "-1"},
                                  {"--info", "f.ttf", "--face", "x"}, {"--info", "f.ttf", "g.ttf"}, {"--info", "f.ttf", "--all"}}) {
    r = run(args);
    EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
    EXPECT_TRUE(r.errors.contains("Usage:"));
  }
}

TEST_F(CliTest, ControlCharactersAreEscapedAndForgedNamesReachNoOtherFile) {
  const QString victim = tree.q("thesis.ttf");
  ASSERT_TRUE(FontBuilder().name(3, 0x409, 4, u"Kept").writeTo(victim));
  // fontconfig takes only real fonts, so the file to remove is a copy of an installed one.
  const QString oddPath = tree.q("sys/a\tb\nc\\d.ttf");
  if (!QFile::copy("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", oddPath)) GTEST_SKIP() << "no DejaVu Sans";
  font("sys/evil.ttf", QString::fromUtf8("Evil\tName\r\n\x01\xC2\x85x"));
  font("sys/nice.ttf", "Nice Font||MySeparator123||" + victim);
  ListRun r = run({"--list"});
  ASSERT_EQ(r.status, 0) << r.errors.toStdString();
  ASSERT_EQ(r.lines.size(), 3);
  for (const QString& line : r.lines) EXPECT_EQ(line.count('\t'), 6) << line.toStdString();
  const QStringList odd = r.lines[0].split('\t');
  EXPECT_EQ(odd[6], tree.q("sys/") + "a\\tb\\nc\\\\d.ttf");
  EXPECT_EQ(r.lines[1].split('\t')[1], "Evil\\tName\\r\\n\\x01\\xc2\\x85x");
  EXPECT_EQ(r.lines[2].split('\t')[6], tree.q("sys/nice.ttf"));

  // The forged name's "path" is no file of the catalogue; the escaped path as printed is.
  r = run({"--remove", victim});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(QFile::exists(victim));
  r = run({"--remove", odd[6]});
  EXPECT_EQ(r.status, 0) << r.errors.toStdString();
  EXPECT_FALSE(QFile::exists(oddPath));
}

TEST_F(CliTest, AFolderNamedInBytesThatAreNotUtf8IsListedAsFontconfigListsIt) {
  QFile dejaVu("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
  if (!dejaVu.open(QIODevice::ReadOnly)) GTEST_SKIP() << "no DejaVu Sans";  // fontconfig takes real fonts only
  const QByteArray bytes = dejaVu.readAll();
  const std::string path = tree.path("sys/caf\xe9-\xff/sans.ttf");
  ASSERT_TRUE(tree.folder("sys/caf\xe9-\xff"));
  std::FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(out);
  const size_t written = std::fwrite(bytes.constData(), 1, bytes.size(), out);
  ASSERT_TRUE(std::fclose(out) == 0 && written == size_t(bytes.size()));
  // Raw standard output: such bytes pass --list unchanged, as fontconfig prints them.
  const auto output = [&](const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessEnvironment(fonts->env);
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(60000) && p.exitCode() == 0) << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
  };
  const QByteArray fc = output("fc-list", {"--format", "%{fullname[0]}\t%{file}\n"});
  ASSERT_EQ(fc, QByteArray("DejaVu Sans\t") + path.c_str() + "\n");
  const QList<QByteArray> ours = output(typoramaProgram(), {"--list"}).split('\n');
  ASSERT_EQ(ours.size(), 2);  // one line and its end
  const QList<QByteArray> fields = ours[0].split('\t');
  ASSERT_EQ(fields.size(), 7) << ours[0].toStdString();
  EXPECT_EQ(fields[0] + '\t' + fields[1] + '\t' + fields[6] + '\n', "1\t" + fc);
}

TEST_F(CliTest, EachUnusableFileIsOnePlainLineNamingItsEscapedPath) {
  QFile dejaVu("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
  if (!dejaVu.open(QIODevice::ReadOnly)) GTEST_SKIP() << "no DejaVu Sans";
  const QByteArray whole = dejaVu.readAll();
  const auto write = [&](const QString& relative, const QByteArray& bytes) {
    QFile f(tree.q(relative.toStdString()));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
  };
  write("sys/good.ttf", whole);
  write("sys/cut.ttf", whole.left(3000));  // its tables run past the end
  write("sys/odd\nname.ttf", "no font at all");
  const QString reason = ": not a usable font file (no name table could be read)\n";
  const QString expected = "typorama: " + tree.q("sys/cut.ttf") + reason;
  const QString odd = "typorama: " + tree.q("sys/") + "odd\\nname.ttf" + reason;

  // Our lines only: Qt may warn about the test's runtime folder.
  const auto ours = [](const QString& errors) {
    QStringList lines = errors.split('\n', Qt::SkipEmptyParts).filter(QRegularExpression("^typorama: "));
    lines.sort();
    return lines.join('\n') + '\n';
  };
  ListRun r = run({"--list"});
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.lines.size(), 1);
  // One line per file, though each fails more than one step of the reading.
  EXPECT_EQ(ours(r.errors), expected + odd) << r.errors.toStdString();
  EXPECT_FALSE(r.errors.contains("Please email"));

  r = run({"--export", tree.q("out.xlsx")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ours(r.errors), expected + odd) << r.errors.toStdString();
  r = run({"--remove", tree.q("sys/gone\n.ttf")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(ours(r.errors), expected + "typorama: " + tree.q("sys/") +
                                "gone\\n.ttf: not a font file of the catalogue (see typorama --list); nothing was removed\n" + odd)
      << r.errors.toStdString();
}

TEST_F(CliTest, AFontItsUserMayNotReadIsOneLineWithTheSystemsReason) {
  const QString program = typoramaProgram();
  if (::geteuid() != 0 || QProcess::execute("runuser", {"-u", "nobody", "--", "test", "-x", program}) != 0)
    GTEST_SKIP() << "needs root, and a program user nobody may run";
  font("sys/a.ttf", "Alpha");
  font("sys/locked.ttf", "Locked");
  ASSERT_EQ(::chmod(tree.path("").c_str(), 0755) | ::chmod(tree.path("sys").c_str(), 0755) |
                ::chmod(tree.path("sys/a.ttf").c_str(), 0644) | ::chmod(tree.path("sys/locked.ttf").c_str(), 0600),
            0);
  // Root lists first, in the same cache folder: what root may read tells nothing of what nobody
  // may, so neither its records nor its list serve the next run.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_EQ(run({"--list"}).lines.size(), 2);
  ASSERT_EQ(run({"--list"}).lines.size(), 2);
  const std::string cache = tree.path("cache/typorama/catalogue.cache");
  ASSERT_EQ(::chmod(tree.path("cache/typorama").c_str(), 0755) | ::chmod(cache.c_str(), 0644), 0);
  QProcessEnvironment env = fonts->env;
  env.insert("LC_ALL", "C.UTF-8");  // the system's reason in English
  QProcess p;
  p.setProcessEnvironment(env);
  p.start("runuser", {"-u", "nobody", "--", program, "--list"});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_TRUE(p.readAllStandardOutput().startsWith("1\tAlpha\t"));
  const QString errors = QString::fromUtf8(p.readAllStandardError());
  EXPECT_EQ(errors.count("typorama: "), 1) << errors.toStdString();
  EXPECT_TRUE(errors.contains("typorama: " + tree.q("sys/locked.ttf") + ": cannot be read: Permission denied\n"))
      << errors.toStdString();
}

TEST_F(CliTest, TheCacheListsWhatAFreshReadListsAndAnOddCacheCostsNothingButTime) {
  ASSERT_TRUE(tree.folder("sys/sub"));
  for (const char* name : {"sys/a.ttf", "sys/b.ttf", "sys/sub/c.ttf"}) font(name, QString(name).toUpper(), 0x21);
  std::this_thread::sleep_for(std::chrono::milliseconds(3100));  // files this old get a record
  const QString cache = tree.q("cache/typorama/catalogue.cache");
  // The window keeps it too, but not when told --no-cache.
  const auto window = [&](const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = fonts->env;
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TYPORAMA_QUIT_WHEN_SHOWN", "1");
    env.insert("BROWSER", "true");  // one start in a hundred visits the home page
    p.setProcessEnvironment(env);
    p.start(typoramaProgram(), args);
    return p.waitForFinished(60000) && p.exitCode() == 0;
  };
  ASSERT_TRUE(window({"--no-cache"}));
  EXPECT_FALSE(QFile::exists(cache));
  ASSERT_TRUE(window({}));
  EXPECT_TRUE(QFile::exists(cache));
  const auto agrees = [&](const char* step) {
    const ListRun fresh = run({"--list", "--no-cache"});
    EXPECT_EQ(run({"--list"}).lines, fresh.lines) << step;
    EXPECT_EQ(fresh.lines.size(), 3) << step;
  };
  agrees("first");
  const auto written = [&] { return QFileInfo(cache).lastModified(); };
  const QDateTime first = written();
  ASSERT_TRUE(first.isValid());
  agrees("unchanged");
  EXPECT_EQ(written(), first);  // nothing new was read, so nothing was written

  // Rewritten in place with its size and modification time as they were.
  struct stat before {};
  ASSERT_EQ(stat(tree.path("sys/a.ttf").c_str(), &before), 0);
  font("sys/a.ttf", "A.TTX", 0x01);
  const struct timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(utimensat(AT_FDCWD, tree.path("sys/a.ttf").c_str(), times, 0), 0);
  agrees("rewritten");
  EXPECT_TRUE(run({"--list"}).lines.first().contains("A.TTX"));

  // A damaged cache, a cache that cannot be written, and runs killed while writing or reading
  // cost nothing but time: no message, and the same list.
  QFile damaged(cache);
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly) && damaged.write("TYPORAMA but nothing more") > 0);
  damaged.close();
  agrees("damaged");
  EXPECT_TRUE(QFileInfo(cache).size() > 64);  // read afresh and written whole again
  for (int k = 0; k < 8; ++k) {
    QProcess killed;
    killed.setProcessEnvironment(fonts->env);
    killed.start(typoramaProgram(), {"--list"});
    ASSERT_TRUE(killed.waitForStarted());
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * k));
    ::kill(static_cast<pid_t>(killed.processId()), SIGKILL);
    killed.waitForFinished();
    font("sys/sub/c.ttf", QStringLiteral("C%1.TTF").arg(k));  // each run has something new to write
  }
  agrees("killed while writing");
  ASSERT_TRUE(QFile::remove(cache) && QDir(tree.q("cache")).rmdir("typorama"));
  ASSERT_TRUE(tree.file("cache/typorama"));  // where the cache's folder should be
  const ListRun blocked = run({"--list"});
  EXPECT_EQ(blocked.errors, "");
  EXPECT_EQ(blocked.lines, run({"--list", "--no-cache"}).lines);
}

// The last whole list is printed again only while nothing it came from changed: each kind of
// change in a tree of its own, made after that list was kept.
TEST(CliCachedList, EachKindOfChangeGivesWhatAFreshReadGives) {
  if (!QFile::exists(typoramaProgram())) GTEST_SKIP() << "the program is not built";
  struct Case {
    const char* change;
    std::function<bool(TempTree&)> before, after;
  };
  const auto font = [](TempTree& t, const char* relative) {
    return FontBuilder().name(3, 0x409, 1, relative).name(3, 0x409, 4, relative).writeTo(t.q(relative));
  };
  const std::vector<Case> cases = {
      {"a font added to a sub-folder", [&](TempTree& t) { return t.folder("sys/sub") && font(t, "sys/sub/c.ttf"); },
       [&](TempTree& t) { return font(t, "sys/sub/d.ttf"); }},
      {"a folder made below", [&](TempTree& t) { return t.folder("sys/sub"); },
       [&](TempTree& t) { return t.folder("sys/sub/new") && font(t, "sys/sub/new/e.ttf"); }},
      {"a font renamed", [&](TempTree& t) { return font(t, "sys/b.ttf"); },
       [&](TempTree& t) { return QFile::rename(t.q("sys/b.ttf"), t.q("sys/z.ttf")); }},
      {"a link's folder made", [&](TempTree& t) { return QFile::link(t.q("elsewhere"), t.q("sys/later")); },
       [&](TempTree& t) { return t.folder("elsewhere") && font(t, "elsewhere/f.ttf"); }},
      {"the fonts folder made", [&](TempTree& t) { return QDir(t.q("data")).rmdir("fonts"); },
       [&](TempTree& t) { return t.folder("data/fonts") && font(t, "data/fonts/g.ttf"); }},
  };
  std::vector<std::unique_ptr<TempTree>> trees;
  std::vector<std::unique_ptr<PrivateFonts>> fonts;
  for (const Case& c : cases) {
    trees.push_back(std::make_unique<TempTree>());
    TempTree& t = *trees.back();
    ASSERT_TRUE(t.folder("data") && t.folder("data/fonts") && t.folder("sys") && font(t, "sys/a.ttf") && c.before(t))
        << c.change;
    fonts.push_back(std::make_unique<PrivateFonts>(t, "sys"));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(3100));  // old enough to be kept
  const auto lines = [](const PrivateFonts& f, const QStringList& args) {
    const ProgramOutcome o = f.typorama(args);
    EXPECT_EQ(o.status, 0) << o.err.toStdString();
    return o.out.split('\n', Qt::SkipEmptyParts);
  };
  for (size_t k = 0; k < cases.size(); ++k) {
    const QStringList kept = lines(*fonts[k], {"--list"});
    ASSERT_EQ(lines(*fonts[k], {"--list"}), kept) << cases[k].change;
    ASSERT_TRUE(cases[k].after(*trees[k])) << cases[k].change;
    const QStringList fresh = lines(*fonts[k], {"--list", "--no-cache"});
    EXPECT_NE(fresh, kept) << cases[k].change;
    EXPECT_EQ(lines(*fonts[k], {"--list"}), fresh) << cases[k].change;
  }
}

TEST_F(CliTest, AWriteErrorOnStandardOutputFails) {
  font("sys/a.ttf", "Arial");
  QProcess p;
  p.setProcessEnvironment(fonts->env);
  p.setStandardOutputFile("/dev/full");
  p.start(typoramaProgram(), {"--list"});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_NE(p.exitCode(), 0);
  EXPECT_TRUE(p.readAllStandardError().contains("cannot write the list"));
}

}  // namespace
