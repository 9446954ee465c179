#include "base/StandardDescriptors.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace brenvik {
namespace {

// In a child process, so that this one's descriptors stay as they are.
TEST(StandardDescriptors, AClosedOneGetsDevNullAndAnOpenOneStays) {
  const pid_t child = ::fork();
  if (child == 0) {
    struct stat errBefore {};
    ::fstat(2, &errBefore);
    ::close(1);
    struct stat null {};
    struct stat out {};
    struct stat err {};
    const bool ok = GuardStandardDescriptors() && ::stat("/dev/null", &null) == 0 &&
                    ::fstat(1, &out) == 0 && ::fstat(2, &err) == 0 && out.st_rdev == null.st_rdev &&
                    err.st_ino == errBefore.st_ino && err.st_dev == errBefore.st_dev;
    ::_exit(ok ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
}  // namespace brenvik
