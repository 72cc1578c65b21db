// The entry of every test program (wide, like the product's programs).

#include <gtest/gtest.h>

#include <cstdio>

int wmain(int argc, wchar_t* argv[]) {
  // Unbuffered, so that a crash under Wine still leaves what was printed.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
