// The check of the kept list against the disk: any one folder or file changed anywhere among
// thousands (checked a chunk at a time, half on each thread) fails it.
#include "catalogue/cached_listing.h"
#include "platform/linux/file_system_linux.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

TEST(CachedListing, AnyOneChangedIdentityAmongThousandsFailsTheCheck) {
  TempTree tree;
  LinuxFileSystem disk;
  constexpr int kFiles = 3000;
  CachedFiles files;
  for (int k = 0; k < kFiles; ++k) {
    const std::string name = "f/" + std::to_string(k) + ".ttf";
    ASSERT_TRUE((k > 0 || tree.folder("f")) && tree.file(name) && disk.fileIdentity(tree.q(name)));
    files.files.push_back({tree.q(name), {*disk.fileIdentity(tree.q(name)), 1, {}}});
  }
  const CachedListing listing{"k", {{tree.q("f"), disk.identityAt(tree.path("f").c_str())}}, {}};
  ASSERT_TRUE(listing.folders[0].second);
  // -1: nothing changed; -2: the folder; else that file: first, in a later chunk, about the
  // middle where the second thread's half begins, last.
  for (const int changed : {-1, -2, 0, 20, kFiles / 2 - 1, kFiles / 2, kFiles / 2 + 1, kFiles - 1}) {
    CachedListing kept = listing;
    CachedFiles records = files;
    FileIdentity& identity = changed == -2 ? *kept.folders[0].second : records.files[changed < 0 ? 0 : changed].second.identity;
    if (changed != -1) identity.changedNs += 1;
    std::atomic<bool> seen = false;
    EXPECT_EQ(listingHolds(disk, kept, records, seen), changed == -1) << changed;
    EXPECT_EQ(seen.load(), changed != -1) << changed;
  }
}
