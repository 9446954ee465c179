// The window's tests need a QApplication before any widget exists.

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
  // No display here (ctest, and ctest's listing of the cases at build time):
  // draw off screen unless told otherwise.
  // Still the only thread: nothing can read the environment meanwhile.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);  // NOLINT(concurrency-mt-unsafe)
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
