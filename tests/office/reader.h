#pragma once
// Runs an independent reader (a Python library of the distribution) over a written file
// and hands back what it printed as JSON.
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace office_test {

// Debian's own interpreter, where python3-xlrd, -openpyxl and -docx are installed.
inline const char* kPython = "/usr/bin/python3";

inline QJsonDocument runReader(const char* script, const QStringList& args) {
  QProcess p;
  p.setProgram(QString::fromLatin1(kPython));
  p.setArguments(QStringList{QStringLiteral("-c"), QString::fromUtf8(script)} + args);
  p.start();
  const bool finished = p.waitForFinished(120000);
  const QByteArray out = p.readAllStandardOutput();
  const QByteArray err = p.readAllStandardError();
  EXPECT_TRUE(finished);
  EXPECT_EQ(p.exitCode(), 0) << err.constData();
  QJsonParseError parseError{};
  QJsonDocument doc = QJsonDocument::fromJson(out, &parseError);
  EXPECT_EQ(parseError.error, QJsonParseError::NoError) << out.left(2000).constData() << err.constData();
  return doc;
}

inline QByteArray readAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

inline bool writeAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Names in a folder, to see that no temporary file stayed behind.
inline QStringList entries(const QString& dir) {
  QStringList names;
  QDir d(dir);
  for (const QString& n : d.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
    names << n;
  names.sort();
  return names;
}

// Makes writes past `bytes` fail with EFBIG, as a full disk would fail them, for one scope.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim = old_;
    lim.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lim);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*oldHandler_)(int) = nullptr;
};

}  // namespace office_test
