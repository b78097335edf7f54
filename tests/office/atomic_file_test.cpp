// The shared atomic writer: the target is replaced whole or not at all, and no temporary
// file outlives a failure.
#include "platform/atomic_file.h"
#include "platform/path_codec.h"
#include "reader.h"

#include <QFileInfo>
#include <cerrno>
#include <sys/stat.h>

using namespace office_test;

namespace {

mode_t modeOf(const QString& path) {
  struct stat st {};
  ::stat(pathToBytes(path).c_str(), &st);
  return st.st_mode & 07777;
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
  EXPECT_EQ(entries(dir.path()), (QStringList{QStringLiteral("fonts.xls"), QStringLiteral("sub")}));
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

TEST(AtomicFile, CopiesLargeFilesAndRawByteNames) {
  QTemporaryDir dir;
  QByteArray big(3 * 1024 * 1024 + 17, '\0');
  for (qsizetype i = 0; i < big.size(); ++i) big[i] = char(i * 7 + i / 4096);
  const QString source = dir.filePath(QStringLiteral("source.ttf"));
  ASSERT_TRUE(writeAll(source, big));
  // A name that is not valid UTF-8, and one as long as a file name may be.
  const QString raw = pathFromBytes(pathToBytes(dir.path()) + "/caf\xE9.ttf");
  const QString longName = dir.filePath(QString(250, QLatin1Char('n')));
  for (const QString& target : {raw, longName}) {
    const FileStatus status = copyFileAtomically(source, target);
    ASSERT_TRUE(status.ok()) << status.reason.toStdString();
    struct stat st {};
    ASSERT_EQ(::stat(pathToBytes(target).c_str(), &st), 0);
    ASSERT_EQ(st.st_size, big.size());
  }
  EXPECT_EQ(readAll(longName), big);
  EXPECT_EQ(copyFileAtomically(dir.filePath(QStringLiteral("missing.ttf")), longName).error, ENOENT);
  EXPECT_EQ(readAll(longName), big);
  EXPECT_EQ(readAll(source), big);
  ASSERT_EQ(::unlink(pathToBytes(raw).c_str()), 0);  // Qt cannot name it to clean up
  EXPECT_EQ(entries(dir.path()), (QStringList{QString(250, QLatin1Char('n')), QStringLiteral("source.ttf")}));
}
