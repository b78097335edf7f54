// The check of the kept list against the disk: any one folder or file changed anywhere among
// thousands (checked a chunk at a time, half on each thread) fails it.
#include "catalogue/match_files.h"
#include "catalogue/snapshot.h"
#include "support/font_builder.h"
#include "platform/linux/file_system_linux.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>
#include <unistd.h>

TEST(Snapshot, AnyOneChangedIdentityAmongThousandsFailsTheCheck) {
  TempTree tree;
  LinuxFileSystem disk;
  constexpr int kFiles = 3000;
  Records files;
  for (int k = 0; k < kFiles; ++k) {
    const std::string name = "f/" + std::to_string(k) + ".ttf";
    ASSERT_TRUE((k > 0 || tree.folder("f")) && tree.file(name) && disk.identity(tree.q(name)));
    files.files.push_back({tree.q(name), Record{*disk.identity(tree.q(name)), 1, {}}});
  }
  const Snapshot listing{"k", {{tree.q("f"), disk.identity(tree.q("f"))}}, {}};
  ASSERT_TRUE(listing.folders[0].second);
  // -1: nothing changed; -2: the folder; else that file: first, in a later chunk, about the
  // middle where the second thread's half begins, last.
  for (const int changed : {-1, -2, 0, 20, kFiles / 2 - 1, kFiles / 2, kFiles / 2 + 1, kFiles - 1}) {
    Snapshot kept = listing;
    Records records = files;
    Identity& identity = changed == -2 ? *kept.folders[0].second : records.files[changed < 0 ? 0 : changed].second.identity;
    if (changed != -1) identity.changedNs += 1;
    std::atomic<bool> seen = false;
    EXPECT_EQ(snapshotHolds(disk, kept, records, seen), changed == -1) << changed;
    EXPECT_EQ(seen.load(), changed != -1) << changed;
  }
}

// Whatever changed on the stamp's tick or after it, a folder or a file, gets no record and no
// snapshot: a change later within that tick would leave its identity as it was.
TEST(Snapshot, NothingChangedSinceTheStampIsKept) {
  TempTree tree;
  LinuxFileSystem disk;
  ASSERT_TRUE(tree.folder("f") && FontBuilder().name(3, 0x409, 4, u"Old").writeTo(tree.q("f/old.ttf")));
  usleep(20'000);  // a tick of the file system's clock later
  const std::optional<TimeStamp> stamp = disk.timeStamp(tree.q(""));
  ASSERT_TRUE(stamp);
  ASSERT_TRUE(FontBuilder().name(3, 0x409, 4, u"New").writeTo(tree.q("f/new.ttf")));
  const Records none;
  const RecordMatch match{&none, stamp, nullptr};
  const auto recorded = [&](const char* name) {
    const auto read = matchFile(disk, tree.q("f"), {name, true}, 0x0409, FontFormats::TrueType, match);
    return read && read->tables && read->newRecord.has_value();
  };
  EXPECT_TRUE(recorded("old.ttf"));
  EXPECT_FALSE(recorded("new.ttf"));

  Records records;
  ListBox list;
  for (const char* name : {"old.ttf", "new.ttf"}) {
    records.files.push_back({tree.q("f/") + name, Record{*disk.identity(tree.q("f/") + name), 1, {{name, "", "", 0}}}});
    list.AddItem(name, records.files.back().first);
  }
  const auto snapshot = [&](size_t files, const char* folder) {
    Records some = records;
    some.files.resize(files);
    ListBox entries;
    for (size_t k = 0; k < files; ++k) entries.AddItem(list.ItemName(int(k)), some.files[k].first);
    return snapshotOf("k", {{tree.q(folder), disk.identity(tree.q(folder))}}, some, entries, *stamp).has_value();
  };
  ASSERT_TRUE(tree.folder("g"));
  EXPECT_TRUE(snapshot(0, "h"));  // nothing there, nothing changed
  EXPECT_FALSE(snapshot(2, "f"));  // a file changed since
  EXPECT_FALSE(snapshot(1, "f"));  // the folder changed since, as new.ttf was made in it
  EXPECT_FALSE(snapshot(1, "g"));
  usleep(20'000);
  const std::optional<TimeStamp> later = disk.timeStamp(tree.q(""));
  ASSERT_TRUE(later);
  EXPECT_TRUE(snapshotOf("k", {{tree.q("f"), disk.identity(tree.q("f"))}}, records, list, *later));
}
