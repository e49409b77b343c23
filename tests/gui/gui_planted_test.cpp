// comctl32.dll is no known DLL on XP: a copy planted beside Purgewell.exe must never run in it.
#include "driver.h"

namespace {

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// Run with run-gui-test.sh --planted-comctl32, which plants the copy and lets Wine search as Windows does.
TEST(PurgewellPlanted, CommonControlsBesideTheProgramAreNeverLoaded) {
  ASSERT_TRUE(Exists("C:\\bin\\comctl32.dll"));
  RunningProgram program = {nullptr, 0, nullptr};
  ASSERT_TRUE(StartPurgewell(&program));
  EXPECT_FALSE(Exists("C:\\planted-comctl32-loaded"));
  PostMessageA(program.window, WM_CLOSE, 0, 0);
  DWORD code = 1;
  EXPECT_TRUE(WaitForExit(&program, &code));
  EXPECT_EQ(0u, code);
  Abandon(&program);
  EXPECT_FALSE(Exists("C:\\planted-comctl32-loaded"));
}

}  // namespace
