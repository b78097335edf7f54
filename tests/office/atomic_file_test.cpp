// The shared atomic writer: the target is replaced whole or not at all, and no temporary
// file outlives a failure.
#include "platform/atomic_file.h"
#include "platform/linux/file_system_linux.h"
#include "platform/path_codec.h"
#include "reader.h"

#include <QFileInfo>
#include <cerrno>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace office_test;

namespace {

mode_t modeOf(const QString& path) {
  struct stat st {};
  ::stat(pathToBytes(path).c_str(), &st);
  return st.st_mode & 07777;
}

// A write in a child process that stops itself half-way (SIGSTOP); the test then kills it
// (SIGKILL) or lets it go on (SIGCONT). end() gives the child's exit status, -1 when killed.
class ChildWrite {
 public:
  explicit ChildWrite(const std::function<bool()>& body) : pid_(::fork()) {
    if (pid_ == 0) ::_exit(body() ? 0 : 1);
    int status = 0;
    paused = pid_ > 0 && ::waitpid(pid_, &status, WUNTRACED) == pid_ && WIFSTOPPED(status);
  }
  ~ChildWrite() {
    if (pid_ > 0) end(SIGKILL);
  }
  int end(int signal) {
    ::kill(pid_, signal);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  bool paused = false;

 private:
  pid_t pid_;
};

// An atomic write of `text` in a child, named as a library that writes by name needs it or not.
ChildWrite* startWrite(const QString& target, bool named, const QByteArray& text) {
  return new ChildWrite([=] {
    AtomicFile file(target);
    if (!(named ? file.open() : file.openUnnamed()).ok() || !file.write(text).ok()) return false;
    ::raise(SIGSTOP);
    return file.commit().ok();
  });
}

}  // namespace

TEST(AtomicFile, ReplacesTheTargetKeepingItsPermissions) {
  QTemporaryDir dir;
  const QString target = dir.filePath(QStringLiteral("fonts.xls"));
  ASSERT_TRUE(writeFileAtomically(target, "first").ok());
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(modeOf(target), 0666 & ~mask);  // a new file gets the usual permissions, not 0600
  ::chmod(pathToBytes(target).c_str(), 0640);
  ASSERT_TRUE(writeFileAtomically(target, "second").ok());
  EXPECT_EQ(readAll(target), QByteArray("second"));
  EXPECT_EQ(modeOf(target), 0640u);
  EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("fonts.xls")});
}

TEST(AtomicFile, AFailedWriteKeepsTheOldFileAndRemovesTheTemporary) {
  QTemporaryDir dir;
  const QString target = dir.filePath(QStringLiteral("fonts.xls"));
  ASSERT_TRUE(writeAll(target, "old contents"));
  FileStatus status;
  {
    FileSizeLimit limit(4096);
    status = writeFileAtomically(target, QByteArray(100000, 'x'));
  }
  EXPECT_EQ(status.error, EFBIG);
  EXPECT_FALSE(status.reason.isEmpty());
  EXPECT_EQ(readAll(target), QByteArray("old contents"));
  EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("fonts.xls")});

  // Unwritable places: a missing folder, a folder in the way.
  EXPECT_EQ(writeFileAtomically(dir.filePath(QStringLiteral("gone/x")), "x").error, ENOENT);
  ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("sub"))));
  EXPECT_EQ(writeFileAtomically(dir.filePath(QStringLiteral("sub")), "x").error, EISDIR);
  EXPECT_EQ(writeFileAtomically(dir.filePath(QStringLiteral("sub/")), "x").error, EISDIR);
  // Nor is anything but a file replaced (think of /dev/null as root).
  ASSERT_EQ(::mkfifo(pathToBytes(dir.filePath(QStringLiteral("fifo"))).c_str(), 0600), 0);
  EXPECT_EQ(writeFileAtomically(dir.filePath(QStringLiteral("fifo")), "x").error, EINVAL);
  struct stat fifo {};
  EXPECT_TRUE(::lstat(pathToBytes(dir.filePath(QStringLiteral("fifo"))).c_str(), &fifo) == 0 && S_ISFIFO(fifo.st_mode));
  EXPECT_EQ(entries(dir.path()),
            (QStringList{QStringLiteral("fifo"), QStringLiteral("fonts.xls"), QStringLiteral("sub")}));
}

TEST(AtomicFile, WriterByNameThenCommitOrDiscard) {
  QTemporaryDir dir;
  const QString target = dir.filePath(QStringLiteral("doc.docx"));
  ASSERT_TRUE(writeAll(target, "old"));
  {
    AtomicFile file(target);
    ASSERT_TRUE(file.open().ok());
    const QFileInfo temp(file.tempPath());
    EXPECT_EQ(temp.absolutePath(), QFileInfo(target).absolutePath());
    EXPECT_TRUE(temp.fileName().startsWith(QStringLiteral(".doc.docx.")));
    // A library that writes its own file and renames it onto the temporary path.
    ASSERT_TRUE(writeAll(dir.filePath(QStringLiteral("other")), "new"));
    ASSERT_TRUE(QFile::remove(file.tempPath()));
    ASSERT_TRUE(QFile::rename(dir.filePath(QStringLiteral("other")), file.tempPath()));
    EXPECT_EQ(readAll(target), QByteArray("old"));
    ASSERT_TRUE(file.commit().ok());
  }
  EXPECT_EQ(readAll(target), QByteArray("new"));
  {
    AtomicFile file(target);  // abandoned: as an export that stops half-way
    ASSERT_TRUE(file.open().ok());
    ASSERT_TRUE(file.write(QByteArray("partial")).ok());
  }
  EXPECT_EQ(readAll(target), QByteArray("new"));
  EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("doc.docx")});
}

TEST(AtomicFile, WritesLargeFilesUnderRawByteNames) {
  QTemporaryDir dir;
  QByteArray big(3 * 1024 * 1024 + 17, '\0');
  for (qsizetype i = 0; i < big.size(); ++i) big[i] = char(i * 7 + i / 4096);
  // A name that is not valid UTF-8, and one as long as a file name may be.
  const QString raw = pathFromBytes(pathToBytes(dir.path()) + "/caf\xE9.ttf");
  const QString longName = dir.filePath(QString(250, QLatin1Char('n')));
  for (const QString& target : {raw, longName}) {
    const FileStatus status = writeFileAtomically(target, big);
    ASSERT_TRUE(status.ok()) << status.reason.toStdString();
    struct stat st {};
    ASSERT_EQ(::stat(pathToBytes(target).c_str(), &st), 0);
    ASSERT_EQ(st.st_size, big.size());
  }
  EXPECT_EQ(readAll(longName), big);
  ASSERT_EQ(::unlink(pathToBytes(raw).c_str()), 0);  // Qt cannot name it to clean up
  EXPECT_EQ(entries(dir.path()), QStringList{QString(250, QLatin1Char('n'))});
}

TEST(AtomicFile, KilledWritesLeaveNothingOnceTheNextWriteOfThatTargetRan) {
  QTemporaryDir dir;
  const QString target = dir.filePath(QStringLiteral("Fonts.xls"));
  ASSERT_TRUE(writeAll(target, "old"));
  const QByteArray big(1 << 20, 'x');
  std::unique_ptr<ChildWrite> write(startWrite(target, false, big));
  ASSERT_TRUE(write->paused);
  write->end(SIGKILL);
  EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("Fonts.xls")}) << "an unnamed temporary vanishes";

  // A named temporary stays behind until the next write of that target, which clears it
  // unless another write runs in the folder.
  write.reset(startWrite(target, true, big));
  ASSERT_TRUE(write->paused);
  write->end(SIGKILL);
  ASSERT_EQ(entries(dir.path()).size(), 2);
  std::unique_ptr<ChildWrite> running(startWrite(target, true, "running"));
  ASSERT_TRUE(running->paused);
  EXPECT_EQ(entries(dir.path()).size(), 2) << "the killed write's temporary is gone, the running one's is there";
  write.reset(startWrite(target, true, big));
  ASSERT_TRUE(write->paused);
  write->end(SIGKILL);
  ASSERT_TRUE(writeAll(dir.filePath(QStringLiteral(".Fonts.xls.Ab3dEf.gH1jKl")), "libzip's"));
  ASSERT_TRUE(writeAll(dir.filePath(QStringLiteral(".Other.xls.Ab3dEf")), "another target's"));
  ASSERT_TRUE(writeFileAtomically(target, "next").ok());
  EXPECT_EQ(entries(dir.path()).size(), 5);
  EXPECT_EQ(running->end(SIGCONT), 0);
  EXPECT_EQ(readAll(target), QByteArray("running"));
  ASSERT_TRUE(writeFileAtomically(target, "last").ok());
  EXPECT_EQ(entries(dir.path()), (QStringList{QStringLiteral(".Other.xls.Ab3dEf"), QStringLiteral("Fonts.xls")}));
}

TEST(AtomicFile, AKilledFontCopyLeavesNothingAndALinkInTheFontsFolderIsReplaced) {
  QTemporaryDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("fonts")));
  const QString source = dir.filePath(QStringLiteral("big.ttf"));
  const QString target = dir.filePath(QStringLiteral("fonts/big.ttf"));
  const QByteArray big(4 << 20, 'f');
  ASSERT_TRUE(writeAll(source, big));
  // The fonts system looks at the finished copy by its temporary path.
  const auto whole = [&](const QString& temp) { return readAll(temp) == big; };
  ChildWrite install([&] {
    return LinuxFileSystem().copyFileChecked(source, target, [&](const QString& temp) { return ::raise(SIGSTOP) == 0 && whole(temp); }).ok();
  });
  ASSERT_TRUE(install.paused);
  install.end(SIGKILL);
  EXPECT_EQ(entries(dir.filePath(QStringLiteral("fonts"))), QStringList());

  // A link of the font's name is replaced by the file; what it led to is left alone.
  ASSERT_EQ(::symlink(pathToBytes(source).c_str(), pathToBytes(target).c_str()), 0);
  ASSERT_TRUE(LinuxFileSystem().copyFileChecked(dir.filePath(QStringLiteral("big.ttf")), target, whole).ok());
  EXPECT_FALSE(QFileInfo(target).isSymLink());
  EXPECT_EQ(readAll(target), big);
  EXPECT_EQ(readAll(source), big);
  EXPECT_EQ(entries(dir.filePath(QStringLiteral("fonts"))), QStringList{QStringLiteral("big.ttf")});
}

TEST(AtomicFile, KeepingExistingFilesPutsTheFileOnlyUnderAFreeName) {
  QTemporaryDir dir;
  for (const bool named : {false, true}) {
    // The name is taken while the file is being written.
    const QString target = dir.filePath(named ? QStringLiteral("a.xlsx") : QStringLiteral("a.rtf"));
    AtomicFile file(target, Placement::KeepExisting);
    ASSERT_TRUE((named ? file.open() : file.openUnnamed()).ok());
    ASSERT_TRUE(file.write(QByteArray("mine")).ok());
    ASSERT_TRUE(writeAll(target, "theirs"));
    EXPECT_EQ(file.commit().error, EEXIST);
    EXPECT_EQ(readAll(target), QByteArray("theirs"));
  }
  EXPECT_EQ(entries(dir.path()), (QStringList{QStringLiteral("a.rtf"), QStringLiteral("a.xlsx")}));

  const QString link = dir.filePath(QStringLiteral("dangling.rtf"));
  ASSERT_EQ(::symlink("nowhere.rtf", pathToBytes(link).c_str()), 0);
  {
    KeepExistingFiles keep;
    EXPECT_EQ(writeFileAtomically(dir.filePath(QStringLiteral("a.rtf")), "x").error, EEXIST);
    EXPECT_EQ(writeFileAtomically(link, "x").error, EEXIST);
    ASSERT_TRUE(writeFileAtomically(dir.filePath(QStringLiteral("new.rtf")), "new").ok());
  }
  EXPECT_EQ(readAll(dir.filePath(QStringLiteral("a.rtf"))), QByteArray("theirs"));
  EXPECT_EQ(readAll(dir.filePath(QStringLiteral("new.rtf"))), QByteArray("new"));
  EXPECT_EQ(entries(dir.path()).size(), 4);
  EXPECT_TRUE(writeFileAtomically(dir.filePath(QStringLiteral("a.rtf")), "x").ok());
}

TEST(AtomicFile, ReplacingWritesThroughSymbolicLinks) {
  QTemporaryDir dir;
  const QString real = dir.filePath(QStringLiteral("real"));
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("real")));
  ASSERT_TRUE(writeAll(real + QStringLiteral("/doc.rtf"), "old"));
  // A chain of two relative links.
  ASSERT_EQ(::symlink("l2", pathToBytes(dir.filePath(QStringLiteral("l1"))).c_str()), 0);
  ASSERT_EQ(::symlink("real/doc.rtf", pathToBytes(dir.filePath(QStringLiteral("l2"))).c_str()), 0);
  ASSERT_TRUE(writeFileAtomically(dir.filePath(QStringLiteral("l1")), "new").ok());
  EXPECT_EQ(readAll(real + QStringLiteral("/doc.rtf")), QByteArray("new"));
  EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("l1"))).isSymLink());
  EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("l2"))).isSymLink());

  // A dangling link: its target is written where its folder exists, else a clear failure.
  ASSERT_EQ(::symlink("real/made.rtf", pathToBytes(dir.filePath(QStringLiteral("d1"))).c_str()), 0);
  ASSERT_EQ(::symlink("missing/x.rtf", pathToBytes(dir.filePath(QStringLiteral("d2"))).c_str()), 0);
  EXPECT_TRUE(writeFileAtomically(dir.filePath(QStringLiteral("d1")), "made").ok());
  EXPECT_EQ(readAll(real + QStringLiteral("/made.rtf")), QByteArray("made"));
  const FileStatus broken = writeFileAtomically(dir.filePath(QStringLiteral("d2")), "x");
  EXPECT_EQ(broken.error, ENOENT);
  EXPECT_TRUE(broken.reason.contains(QStringLiteral("symbolic link"))) << broken.reason.toStdString();
  EXPECT_EQ(entries(real), (QStringList{QStringLiteral("doc.rtf"), QStringLiteral("made.rtf")}));
  EXPECT_EQ(entries(dir.path()), (QStringList{QStringLiteral("d1"), QStringLiteral("d2"), QStringLiteral("l1"),
                                              QStringLiteral("l2"), QStringLiteral("real")}));
}
