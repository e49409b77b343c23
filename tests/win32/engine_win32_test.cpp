// The engine on the real Win32 API under Wine: checksums of real files.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "crc_forge.h"
#include "signatures.h"

TEST(FileCrc32OnWindows, CheckValueOfARealFile) {
  const char* path = "D:\\check.txt";
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file) << "error " << GetLastError();
  DWORD written = 0;
  WriteFile(file, "123456789", 9, &written, nullptr);
  CloseHandle(file);
  uint32_t crc = 0;
  ASSERT_TRUE(FileCrc32(path, &crc));
  EXPECT_EQ(0xCBF43926u, crc);
  DeleteFileA(path);
}
