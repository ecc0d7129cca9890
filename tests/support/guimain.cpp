// Entry of the GUI test programs: the application object the program's
// windows expect, then every test on this (the user-interface) thread.
#include <cstdio>
#include <gtest/gtest.h>

#include "ui/window.h"

int main(int argc, char** argv) {
  // Unbuffered, so a test that hangs and is killed still shows what it reported.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  testing::InitGoogleTest(&argc, argv);
  ui::Application application("Sealwright 32", "sealwr32.hlp");
  return RUN_ALL_TESTS();
}
