#pragma once
// An in-memory file system for tests. Paths are absolute and use "/"; a trailing "/" on a
// folder is optional everywhere. Entries are listed in the order they were added.
//
//   FakeFileSystem fs;
//   fs.addFolder("/r/A/");            // creates "/r" too
//   fs.addFile("/r/a.ttf");
//   fs.failListing("/r/B/", 70);      // listing "/r/B/" fails with "Permission denied"
//   fs.link("/r/A/loop", "/r");       // a symbolic link to a folder
//   fs.writeFile("/r/a.ttf", bytes);  // a file with contents, for openForReading and copies
#include "platform/file_system.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <map>
#include <optional>
#include <vector>

class FakeFileSystem : public FileSystem {
 public:
  FakeFileSystem();

  // Creates the folder and any missing parents. Folders get attribute 16 (plus 2 for a name
  // starting with ".").
  void addFolder(const QString& path);
  // Creates the file (and its folder). Files get attribute 0 (plus 2 for a dot name).
  void addFile(const QString& path, int64_t modified = 1'600'000'000);
  // Creates or replaces the file (and its folder) with the bytes.
  void writeFile(const QString& path, const QByteArray& bytes);
  // The file's bytes (links followed); empty for anything else.
  QByteArray contents(const QString& path) const;
  // A symbolic link at linkPath leading to the folder target: attributes 16 | 1024, the
  // target's folder id, and the target's contents.
  void link(const QString& linkPath, const QString& target);
  void setAttributes(const QString& path, uint32_t attributes);
  // listSubFolders and listFiles on the folder fail with the error after returning the first
  // `namesBefore` sub-folder names.
  void failListing(const QString& folder, int error, int namesBefore = 0);
  // The file is listed but cannot be opened.
  void setUnopenable(const QString& path);
  // Identities of what is at the path or below it do not prove changes, as on a network file
  // system.
  void setUnproven(const QString& path) { unproven_.push_back(normalise(path)); }
  // Root folders are "/" and whatever is named here.
  void setRootFolder(const QString& path);
  bool exists(const QString& path) const;

  // Runs before every call with the call's name ("attributes", "listSubFolders", ...) and its
  // path; a test can throw from it to simulate an unexpected failure.
  std::function<void(const QString& call, const QString& path)> beforeCall;
  // How often each folder (as passed) was listed by listSubFolders.
  std::map<QString, int> subFolderListings;
  std::vector<QString> removed;
  // removeFile fails, as for a file in use.
  bool refuseRemoval = false;

  std::optional<uint32_t> attributes(const QString& path, uint32_t wanted = ~uint32_t{0}) override;
  bool isRootFolder(const QString& path) override;
  int listSubFolders(const QString& folder, std::vector<QString>& names) override;
  bool listFiles(const QString& folder, std::vector<QString>& names) override;
  bool canOpen(const QString& path) override;
  std::optional<int64_t> lastModified(const QString& path) override;
  std::optional<Identity> identity(const QString& path) override;
  // The count of changes so far, one more: every change after it counts higher.
  std::optional<TimeStamp> timeStamp(const QString& folder) override;
  bool removeFile(const QString& path) override;
  // The catalogue's read-ahead calls openForReading from its own thread: tests leave the fake
  // unchanged while a fill runs. Files that are not openable fail as the source of a copy with EACCES, and a folder with the
  // read-only attribute refuses new entries with EACCES.
  std::unique_ptr<ReadableFile> openForReading(const QString& path) override;
  FileStatus createFolderPath(const QString& folder) override;
  CheckedCopy copyFileChecked(const QString& source, const QString& target,
                              const std::function<bool(const QString& tempPath)>& accept) override;

 private:
  struct Node {
    bool folder = false;
    uint32_t attributes = 0;
    QString linkTarget;  // normalised; set for a link
    bool openable = true;
    int listError = 0;
    int namesBeforeError = 0;
    uint64_t inode = 0;
    int64_t modified = 0;
    int64_t changed = 0;  // a count of changes, the status change time's stand-in
    std::vector<QString> children;  // bare names, in insertion order
    QByteArray bytes;               // a file's contents
  };

  static QString normalise(const QString& path);
  Identity identityOf(const Node& node) const;
  // The path with every link along it replaced by its target ("" when a part is missing).
  QString resolve(const QString& path) const;
  Node* find(const QString& normalised);
  const Node* findResolved(const QString& path) const;
  Node& create(const QString& normalised, bool folder);
  void call(const char* name, const QString& path);
  // Takes the entry (not what a link there leads to) out of its folder.
  void erase(const QString& normalised);

  std::map<QString, Node> nodes_;
  std::vector<QString> roots_;
  std::vector<QString> unproven_;
  uint64_t nextInode_ = 1;
  int64_t changes_ = 0;
};
