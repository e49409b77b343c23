// The scan sequence: start and closing events, the drive loop, and its stop points.
#include <gtest/gtest.h>

#include "crc_forge.h"
#include "event_recorder.h"
#include "fake_platform.h"
#include "scan_sequence.h"

namespace {

typedef std::vector<std::string> Events;

void FiveDriveMachine() {
  Fake_AddDrive("A:\\", PLATFORM_DRIVE_REMOVABLE);
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddDrive("E:\\", PLATFORM_DRIVE_CDROM);
  Fake_AddDrive("N:\\", PLATFORM_DRIVE_REMOTE);
  Fake_AddDrive("R:\\", PLATFORM_DRIVE_RAMDISK);
  Fake_AddFile("A:\\a.exe", ForgeCrc32("x", 0x22B06E5Du));
  Fake_AddFile("C:\\c.exe", ForgeCrc32("x", 0x22B06E5Du));
  Fake_AddFile("E:\\e.exe", ForgeCrc32("x", 0x22B06E5Du));
  Fake_AddFile("N:\\n.exe", ForgeCrc32("x", 0x22B06E5Du));
  Fake_AddFile("R:\\r.exe", ForgeCrc32("x", 0x22B06E5Du));
}

TEST(ScanSequence, WalksOnlyFixedDrives) {
  StartRecording();
  FiveDriveMachine();
  ScanRun(RecordEvent);
  EXPECT_EQ((Events{"STARTED", "INFECTED Vexlor.b C:\\c.exe", "PROGRESS C:\\c.exe", "FINISHED"}), recordedEvents);
  EXPECT_EQ(0, Fake_OpenHandles());
}

TEST(ScanSequence, NoFixedDriveFinishesWithoutAWalk) {
  StartRecording();
  Fake_AddDrive("A:\\", PLATFORM_DRIVE_REMOVABLE);
  Fake_AddDrive("N:\\", PLATFORM_DRIVE_REMOTE);
  Fake_AddFile("N:\\n.txt", "x");
  ScanRun(RecordEvent);
  EXPECT_EQ((Events{"STARTED", "FINISHED"}), recordedEvents);
  EXPECT_EQ(1, Fake_CallCount("FindFirst"));  // the log-file search's listing of C:\WINDOWS only
}

TEST(ScanSequence, DriveListFailingFinishes) {
  StartRecording();
  FiveDriveMachine();
  Fake_Fail("GetLogicalDriveStrings");
  ScanRun(RecordEvent);
  EXPECT_EQ((Events{"STARTED", "FINISHED"}), recordedEvents);
}

TEST(ScanSequence, DriveListFailingWithAStopRequestedStops) {
  StartRecording();
  FiveDriveMachine();
  Fake_Fail("GetLogicalDriveStrings");
  Fake_StopAt("GetLogicalDriveStrings");
  ScanRun(RecordEvent);
  EXPECT_EQ((Events{"STARTED", "STOPPED"}), recordedEvents);
}

TEST(ScanSequence, StopBeforeTheFirstTestPointStillStartsFirstAndStopsLast) {
  StartRecording();
  FiveDriveMachine();
  ScanControl_RequestStop();
  ScanRun(RecordEvent);
  EXPECT_EQ((Events{"STARTED", "STOPPED"}), recordedEvents);
  EXPECT_EQ(0, Fake_OpenHandles());
}

TEST(ScanSequence, StopDuringTheFirstOfTwoFixedDrivesReportsOneStop) {
  StartRecording();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddDrive("D:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddFile("C:\\1.txt", "x");
  Fake_AddFile("C:\\2.txt", "x");
  Fake_AddFile("D:\\3.txt", "x");
  Fake_StopAt("FindNext", "2.txt");
  ScanRun(RecordEvent);
  EXPECT_EQ((Events{"STARTED", "PROGRESS C:\\1.txt", "STOPPED"}), recordedEvents);
  EXPECT_EQ(2, Fake_CallCount("FindFirst"));  // C:\WINDOWS for its log files, then C:\ only
  EXPECT_EQ(0, Fake_OpenHandles());
}

TEST(ScanSequence, StopAfterTheLastEntryOfTheLastDriveStops) {
  StartRecording();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddFile("C:\\1.txt", "x");
  // Set as the listing reports that it has nothing more: only the final test sees it.
  Fake_StopAt("FindNext", "");
  ScanRun(RecordEvent);
  EXPECT_EQ((Events{"STARTED", "PROGRESS C:\\1.txt", "STOPPED"}), recordedEvents);
}

TEST(ScanSequence, StopBetweenDrivesIsSeenBeforeTheNextDrive) {
  StartRecording();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddDrive("D:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddFile("D:\\3.txt", "x");
  Fake_StopAt("GetDriveType", "C:\\");
  Fake_Fail("GetDriveType", "C:\\");
  ScanRun(RecordEvent);
  EXPECT_EQ((Events{"STARTED", "STOPPED"}), recordedEvents);
  EXPECT_EQ(1, Fake_CallCount("FindFirst"));  // the log-file search's listing of C:\WINDOWS only
}

TEST(ScanSequence, ThreadRunsTheScanAndEnds) {
  StartRecording();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddFile("C:\\1.txt", "x");
  ScanHandle scan = Scan_Start(RecordEvent);
  ASSERT_NE(nullptr, scan);
  Scan_Wait(scan);
  Scan_Close(scan);
  EXPECT_EQ((Events{"STARTED", "PROGRESS C:\\1.txt", "FINISHED"}), recordedEvents);
}

}  // namespace
