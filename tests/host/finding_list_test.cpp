// The findings list: additions in order, removal counts, clearing, and use from two threads.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "crc_forge.h"
#include "event_recorder.h"
#include "fake_platform.h"
#include "finding_list.h"
#include "scan_events.h"

namespace {

void FreshList() {
  StartRecording();
  FindingList_Clear();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
}

TEST(FindingList, RemovesReadOnlyHiddenFilesAndCountsMissingOnes) {
  FreshList();
  // An infected file is deleted only while it has its Vexlor checksum.
  Fake_AddFile("C:\\plain.exe", ForgeCrc32("1", 0xB566B395u));
  Fake_AddFile("C:\\read-only.exe", "2", PLATFORM_ATTR_READONLY | PLATFORM_ATTR_HIDDEN | PLATFORM_ATTR_SYSTEM);
  FindingList_Add("C:\\plain.exe", SCAN_EV_INFECTED_FILE);
  FindingList_Add("C:\\read-only.exe", SCAN_EV_DROPPED_FILE);
  FindingList_Add("C:\\gone.exe", SCAN_EV_LOG_FILE);
  FindingRemoval removal = FindingList_RemoveAll();
  EXPECT_EQ(2, removal.deleted);
  EXPECT_EQ(3, removal.total);
  EXPECT_FALSE(Fake_FileExists("C:\\plain.exe"));
  EXPECT_FALSE(Fake_FileExists("C:\\read-only.exe"));
  EXPECT_EQ(3, FindingList_Count()) << "removal keeps the list";
  FindingList_Clear();
}

TEST(FindingList, SamePathTwiceIsDeletedOnce) {
  FreshList();
  Fake_AddFile("C:\\WINDOWS\\pk_zip_alg.log", "log");
  FindingList_Add("C:\\WINDOWS\\pk_zip_alg.log", SCAN_EV_DROPPED_FILE);
  FindingList_Add("C:\\WINDOWS\\pk_zip_alg.log", SCAN_EV_LOG_FILE);
  FindingRemoval removal = FindingList_RemoveAll();
  EXPECT_EQ(1, removal.deleted);
  EXPECT_EQ(2, removal.total);
  FindingList_Clear();
}

TEST(FindingList, KeepsCopiesInReportOrderUntilCleared) {
  FreshList();
  FindingList_Clear();
  EXPECT_EQ(0, FindingList_Count());
  char path[] = "C:\\first.exe";
  FindingRecord* first = FindingList_Add(path, SCAN_EV_INFECTED_FILE);
  path[3] = 'F';
  FindingList_Add("C:\\second.exe", SCAN_EV_LOG_FILE);
  ASSERT_NE(nullptr, first);
  EXPECT_STREQ("C:\\first.exe", first->path);
  ASSERT_EQ(2, findingList.count);
  EXPECT_STREQ("C:\\first.exe", findingList.slots[0]->path);
  EXPECT_EQ(SCAN_EV_INFECTED_FILE, static_cast<ScanEvent>(findingList.slots[0]->kind));
  EXPECT_STREQ("C:\\second.exe", findingList.slots[1]->path);
  FindingList_Clear();
  EXPECT_EQ(nullptr, findingList.slots);
  FindingList_Add("C:\\again.exe", SCAN_EV_INFECTED_FILE);
  EXPECT_EQ(1, FindingList_Count());
  FindingList_Clear();
}

// The scanning thread adds while a control handler removes and clears (run under ThreadSanitizer too).
TEST(FindingList, AddWhileAnotherThreadRemovesAndClears) {
  FreshList();
  std::atomic<bool> done{false};
  std::thread adder([&] {
    for (int i = 0; i < 2000; ++i) {
      std::string path = "C:\\f" + std::to_string(i % 50) + ".exe";
      Fake_AddFile(path, "x");
      FindingList_Add(path.c_str(), SCAN_EV_INFECTED_FILE);
    }
    done = true;
  });
  int rounds = 0;
  while (!done || rounds < 10) {
    FindingRemoval removal = FindingList_RemoveAll();
    EXPECT_LE(removal.deleted, removal.total);
    FindingList_Clear();
    ++rounds;
  }
  adder.join();
  FindingList_Clear();
  EXPECT_EQ(0, FindingList_Count());
}

}  // namespace
