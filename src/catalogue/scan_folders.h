#pragma once
// The first stage of a catalogue: the folders to read, in order, and the files of each as its
// listing gives them.
#include "fsys/add_folder.h"
#include "platform/services_bundle.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The fonts folder, then the other configured font folders (those not below another one).
QStringList catalogueRoots(AppServices& services);

class FolderScan {
 public:
  // With `trace`, every folder whose entries are read, by the scan or by files(), is traced there.
  explicit FolderScan(ScanTrace* trace = nullptr) : trace_(trace) {}

  // Collects the roots and every folder below them, keeping each folder's listing for files().
  // With `recheck`, a listing serves only while its folder's identity still holds and is settled
  // before the stamp (none without one): the window's scan lets the event loop run, where a font
  // may be installed or removed, and a listing the scan made then may be out of date.
  void run(AppServices& services, bool recheck, const std::optional<TimeStamp>& stamp);
  const QStringList& folders() const { return folders_; }
  // The folder's path without its last "/".
  QString folder(qsizetype k) const;
  // The files of the folder that match the pattern, not yet tested for opening: from the scan's
  // listing where one serves, else listed now.
  std::vector<FileEntry> files(FileSystem& fs, qsizetype k, const QString& pattern);
  // About as many files as the scan listed.
  size_t listedFiles() const;

 private:
  ScanTrace* const trace_;
  QStringList folders_;
  Listings listings_;
};
