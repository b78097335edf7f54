// The one reading of the system's error numbers, which the copy, the saves, the folder scan and
// the command line share.
#include "platform/file_status.h"

#include <cerrno>
#include <gtest/gtest.h>

TEST(FileStatus, ErrnoValuesBecomeTheProgramsErrors) {
  const std::pair<int, int> expected[] = {{ENOENT, 76}, {ENOTDIR, 76}, {EACCES, 70}, {EPERM, 70}, {EROFS, 70},
                                          {ENOSPC, 61}, {EDQUOT, 61}, {EEXIST, 58}, {EIO, 75},    {ELOOP, 75}};
  for (const auto& [error, number] : expected) EXPECT_EQ(errorOfErrno(error).number, number) << error;
  EXPECT_EQ(errorOfErrno(ENOENT, true).number, 53);
  EXPECT_EQ(errorOfErrno(ENOTDIR, true).number, 76);

  const RuntimeError e = fileError("/f/a.ttf", FileStatus::fromErrno(ENOSPC));
  EXPECT_EQ(e.description, "Disk full: '/f/a.ttf' (No space left on device)");
  EXPECT_EQ(FileStatus::fromErrno(EACCES).reason, "Permission denied");
}
