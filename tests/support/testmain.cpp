// Test entry: every test runs on an apartment thread, as the server's clients do.
#include <gtest/gtest.h>

#include <handles.h>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  plat::unique_couninitialize com;
  if (FAILED(com.hr())) return 2;
  return RUN_ALL_TESTS();
}
