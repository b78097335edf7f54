#include "support/fake_file_system.h"

#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
QString baseName(const QString& normalised) {
  return normalised.mid(normalised.lastIndexOf(QLatin1Char('/')) + 1);
}
QString parentOf(const QString& normalised) {
  const qsizetype slash = normalised.lastIndexOf(QLatin1Char('/'));
  return slash <= 0 ? QStringLiteral("/") : normalised.left(slash);
}
QString join(const QString& folder, const QString& name) {
  return folder == QLatin1String("/") ? folder + name : folder + QLatin1Char('/') + name;
}
class MemoryFile final : public ReadableFile {
 public:
  MemoryFile(QByteArray bytes, Identity identity) : bytes_(std::move(bytes)), identity_(identity) {}
  uint64_t size() const override { return uint64_t(bytes_.size()); }
  std::optional<Identity> identity() const override { return identity_; }
  int64_t readAt(uint64_t offset, void* out, size_t length) override {
    if (offset >= size()) return 0;
    const size_t n = std::min<uint64_t>(length, size() - offset);
    std::memcpy(out, bytes_.constData() + offset, n);
    return int64_t(n);
  }

 private:
  const QByteArray bytes_;
  const Identity identity_;
};

uint32_t defaultAttributes(const QString& normalised, bool folder) {
  uint32_t a = folder ? fileattr::Directory : 0;
  if (baseName(normalised).startsWith(QLatin1Char('.'))) a |= fileattr::Hidden;
  return a;
}
}  // namespace

FakeFileSystem::FakeFileSystem() {
  Node& root = nodes_[QStringLiteral("/")];
  root.folder = true;
  root.attributes = fileattr::Directory;
  root.inode = nextInode_++;
}

QString FakeFileSystem::normalise(const QString& path) {
  QString p = path;
  while (p.size() > 1 && p.endsWith(QLatin1Char('/'))) p.chop(1);
  return p;
}

FakeFileSystem::Node& FakeFileSystem::create(const QString& normalised, bool folder) {
  if (Node* existing = find(normalised)) return *existing;
  Node& parent = create(parentOf(normalised), true);
  parent.children.push_back(baseName(normalised));
  Node& node = nodes_[normalised];
  node.folder = folder;
  node.attributes = defaultAttributes(normalised, folder);
  node.inode = nextInode_++;
  node.changed = ++changes_;
  return node;
}

void FakeFileSystem::addFolder(const QString& path) { create(normalise(path), true); }

void FakeFileSystem::addFile(const QString& path, int64_t modified) {
  create(normalise(path), false).modified = modified;
}

void FakeFileSystem::link(const QString& linkPath, const QString& target) {
  Node& node = create(normalise(linkPath), true);
  node.linkTarget = normalise(target);
  node.attributes |= fileattr::ReparsePoint;
}

void FakeFileSystem::setAttributes(const QString& path, uint32_t attributes) {
  if (Node* n = find(normalise(path))) n->attributes = attributes;
}

void FakeFileSystem::failListing(const QString& folder, int error, int namesBefore) {
  if (Node* n = find(normalise(folder))) {
    n->listError = error;
    n->namesBeforeError = namesBefore;
  }
}

void FakeFileSystem::setUnopenable(const QString& path) {
  if (Node* n = find(normalise(path))) {
    n->openable = false;
    n->changed = ++changes_;
  }
}

void FakeFileSystem::setRootFolder(const QString& path) { roots_.push_back(normalise(path)); }

bool FakeFileSystem::exists(const QString& path) const { return findResolved(path) != nullptr; }

FakeFileSystem::Node* FakeFileSystem::find(const QString& normalised) {
  auto it = nodes_.find(normalised);
  return it == nodes_.end() ? nullptr : &it->second;
}

QString FakeFileSystem::resolve(const QString& path) const {
  const QString p = normalise(path);
  if (!p.startsWith(QLatin1Char('/'))) return {};
  QString resolved = QStringLiteral("/");
  int hops = 0;
  for (const QString& part : p.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    QString next = join(resolved, part);
    auto it = nodes_.find(next);
    while (it != nodes_.end() && !it->second.linkTarget.isEmpty()) {
      if (++hops > 40) return {};  // like ELOOP
      next = it->second.linkTarget;
      it = nodes_.find(next);
    }
    if (it == nodes_.end()) return {};
    resolved = next;
  }
  return resolved;
}

const FakeFileSystem::Node* FakeFileSystem::findResolved(const QString& path) const {
  const QString r = resolve(path);
  if (r.isEmpty()) return nullptr;
  auto it = nodes_.find(r);
  return it == nodes_.end() ? nullptr : &it->second;
}

void FakeFileSystem::call(const char* name, const QString& path) {
  if (beforeCall) beforeCall(QString::fromLatin1(name), path);
}

std::optional<uint32_t> FakeFileSystem::attributes(const QString& path, uint32_t wanted) {
  call("attributes", path);
  // The entry itself: a link reports its own attributes; links above it are followed.
  const QString p = normalise(path);
  if (!p.startsWith(QLatin1Char('/'))) return std::nullopt;
  if (p == QLatin1String("/")) return nodes_.at(p).attributes & wanted;
  const QString parent = resolve(parentOf(p));
  if (parent.isEmpty()) return std::nullopt;
  auto it = nodes_.find(join(parent, baseName(p)));
  if (it == nodes_.end()) return std::nullopt;
  return it->second.attributes & wanted;
}

bool FakeFileSystem::isRootFolder(const QString& path) {
  call("isRootFolder", path);
  const QString p = normalise(path);
  return p == QLatin1String("/") || std::find(roots_.begin(), roots_.end(), p) != roots_.end();
}

int FakeFileSystem::listSubFolders(const QString& folder, std::vector<QString>& names) {
  call("listSubFolders", folder);
  ++subFolderListings[folder];
  const Node* n = findResolved(folder);
  if (!n) return 76;
  if (!n->folder) return 76;
  const QString base = resolve(folder);
  int given = 0;
  for (const QString& child : n->children) {
    if (n->listError && given >= n->namesBeforeError) break;
    const Node* c = findResolved(join(base, child));
    if (c && c->folder) {
      names.push_back(child);
      ++given;
    }
  }
  return n->listError;
}

bool FakeFileSystem::listFiles(const QString& folder, std::vector<QString>& names) {
  call("listFiles", folder);
  const Node* n = findResolved(folder);
  if (!n || !n->folder || n->listError) return false;
  const QString base = resolve(folder);
  for (const QString& child : n->children) {
    const Node* c = findResolved(join(base, child));
    if (!c || !c->folder) names.push_back(child);
  }
  return true;
}

bool FakeFileSystem::canOpen(const QString& path) {
  call("canOpen", path);
  const Node* n = findResolved(path);
  return n && !n->folder && n->openable;
}

std::optional<int64_t> FakeFileSystem::lastModified(const QString& path) {
  call("lastModified", path);
  const Node* n = findResolved(path);
  if (!n) return std::nullopt;
  return n->modified;
}

bool FakeFileSystem::removeFile(const QString& path) {
  call("removeFile", path);
  if (refuseRemoval) return false;
  const QString p = normalise(path);
  const QString parentPath = resolve(parentOf(p));
  if (parentPath.isEmpty() || p == QLatin1String("/")) return false;
  const QString own = join(parentPath, baseName(p));
  Node* n = find(own);
  if (!n || (n->folder && n->linkTarget.isEmpty())) return false;
  auto& kids = find(parentPath)->children;
  kids.erase(std::remove(kids.begin(), kids.end(), baseName(p)), kids.end());
  nodes_.erase(own);
  removed.push_back(path);
  return true;
}

void FakeFileSystem::writeFile(const QString& path, const QByteArray& bytes) {
  Node& node = create(normalise(path), false);
  node.bytes = bytes;
  node.changed = ++changes_;
}

QByteArray FakeFileSystem::contents(const QString& path) const {
  const Node* n = findResolved(path);
  return n && !n->folder ? n->bytes : QByteArray();
}

void FakeFileSystem::erase(const QString& normalised) {
  auto& kids = find(parentOf(normalised))->children;
  kids.erase(std::remove(kids.begin(), kids.end(), baseName(normalised)), kids.end());
  nodes_.erase(normalised);
}

std::unique_ptr<ReadableFile> FakeFileSystem::openForReading(const QString& path) {
  call("openForReading", path);
  const Node* n = findResolved(path);
  if (!n || n->folder || !n->openable) return nullptr;
  return std::make_unique<MemoryFile>(n->bytes, identityOf(*n));
}

Identity FakeFileSystem::identityOf(const Node& n) const {
  bool proves = true;
  for (const auto& [path, node] : nodes_)
    if (!unproven_.empty() && node.inode == n.inode)
      proves = std::none_of(unproven_.begin(), unproven_.end(), [&](const QString& u) {
        return path == u || path.startsWith(u + QLatin1Char('/'));
      });
  return {1, n.inode, uint64_t(n.bytes.size()), n.modified * 1'000'000'000, n.changed, proves};
}

std::optional<Identity> FakeFileSystem::identity(const QString& path) {
  call("identity", path);
  const Node* n = findResolved(path);
  if (!n) return std::nullopt;
  return identityOf(*n);
}

std::optional<TimeStamp> FakeFileSystem::timeStamp(const QString& folder) {
  call("timeStamp", folder);
  return TimeStamp{1, ++changes_};
}

FileStatus FakeFileSystem::createFolderPath(const QString& folder) {
  call("createFolderPath", folder);
  const QString p = normalise(folder);
  if (!p.startsWith(QLatin1Char('/'))) return FileStatus::fromErrno(ENOENT);
  QString sofar;
  for (const QString& part : p.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    sofar += QLatin1Char('/') + part;
    if (const Node* n = findResolved(sofar)) {
      if (!n->folder) return FileStatus::fromErrno(ENOTDIR);
      continue;
    }
    const Node* parent = findResolved(parentOf(sofar));
    if (!parent || (parent->attributes & fileattr::ReadOnly)) return FileStatus::fromErrno(EACCES);
    create(join(resolve(parentOf(sofar)), part), true);
  }
  return {};
}

CheckedCopy FakeFileSystem::copyFileChecked(const QString& source, const QString& target,
                                            const std::function<bool(const QString& tempPath)>& accept) {
  call("copyFileChecked", source);
  CheckedCopy result;
  const Node* from = findResolved(source);
  const int sourceError = !from ? ENOENT : from->folder ? EISDIR : !from->openable ? EACCES : 0;
  if (sourceError) {
    result.status = FileStatus::fromErrno(sourceError);
    result.sourceFailed = true;
    return result;
  }
  const QString t = normalise(target);
  const QString folder = resolve(parentOf(t));
  const Node* parent = folder.isEmpty() ? nullptr : find(folder);
  if (!parent || !parent->folder) {
    result.status = FileStatus::fromErrno(ENOENT);
    return result;
  }
  if (parent->attributes & fileattr::ReadOnly) {
    result.status = FileStatus::fromErrno(EACCES);
    return result;
  }
  const QString own = join(folder, baseName(t));
  if (const Node* existing = find(own); existing && existing->folder && existing->linkTarget.isEmpty()) {
    result.status = FileStatus::fromErrno(EISDIR);
    return result;
  }
  const QByteArray bytes = from->bytes;
  const int64_t modified = from->modified;
  const QString temp = join(folder, QStringLiteral(".copy-in-progress"));
  create(temp, false).bytes = bytes;
  const bool accepted = !accept || accept(temp);
  erase(temp);
  if (!accepted) {
    result.rejected = true;
    return result;
  }
  if (find(own)) erase(own);  // the entry itself, a link included
  Node& copy = create(own, false);
  copy.bytes = bytes;
  copy.modified = modified;
  return result;
}
