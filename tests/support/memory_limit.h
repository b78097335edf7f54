#pragma once
// Runs a check in a child process whose address space is limited to its present size plus
// `extra` bytes: what a forged input makes the code under test allocate beyond that fails it.
#include <fstream>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

// `check` returns true for the right result; the child exits 0 then, 1 for a wrong result and 2
// when it ran out of memory.
inline void expectWithinMemory(uint64_t extra, const std::function<bool()>& check) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::ifstream statm("/proc/self/statm");
    uint64_t pages = 0;
    statm >> pages;
    const rlim_t limit = pages * static_cast<uint64_t>(sysconf(_SC_PAGESIZE)) + extra;
    const rlimit rl{limit, limit};
    if (setrlimit(RLIMIT_AS, &rl) != 0) _exit(3);
    try {
      _exit(check() ? 0 : 1);
    } catch (...) {
      _exit(2);
    }
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: wrong result, 2: out of memory";
}
