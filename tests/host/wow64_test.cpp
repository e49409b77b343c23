// 64-bit Windows: the scan's view of System32 and SysWOW64, the redirector around reports and removal,
// both registry views of the Run key, and process images in either system folder.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "crc_forge.h"
#include "event_recorder.h"
#include "fake_platform.h"
#include "finding_list.h"
#include "scan_sequence.h"
#include "traces.h"

namespace {

typedef std::vector<std::string> Events;

const uint32_t VEXLOR_A = 0x7278A0B5u, VEXLOR_K = 0x411A3D2Au, VEXLOR_Y = 0xB566B395u;
const char SYSTEM32_FILE[] = "C:\\WINDOWS\\System32\\vx.exe";
const char SYSWOW64_FILE[] = "C:\\WINDOWS\\SysWOW64\\vx.exe";

std::string Body(uint32_t crc) { return ForgeCrc32("MZ stand-in body", crc); }

// Records each event with the redirector's state on the reporting thread: the front-end's code must
// always run in the ordinary view.
int reportsWithRedirectorOff;
void RecordWithViewCall(void*, ScanEvent event, const char* text, const ThreatSignature* signature) {
  if (Fake_RedirectionOffOnThisThread()) reportsWithRedirectorOff += 1;
  ScanReport(RecordEvent, event, text, signature);
}
const ScanReporter RecordWithView = {RecordWithViewCall, nullptr};

void StartOn(bool wow64) {
  StartRecording();
  reportsWithRedirectorOff = 0;
  Fake_SetWow64(wow64);
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
}

// --- The walk ---

struct WalkViewCase {
  const char* name;
  bool wow64;
  bool redirectorRefuses;  // Wow64DisableWow64FsRedirection fails
  Events expected;
};

void PrintTo(const WalkViewCase& walkCase, std::ostream* out) { *out << walkCase.name; }

class WalkViewCases : public ::testing::TestWithParam<WalkViewCase> {};

// A scan of a machine with a Vexlor file in System32 (and in SysWOW64 on 64-bit Windows), on this many CPUs.
void ScanSystemFolders(const WalkViewCase& walkCase, uint32_t cpus) {
  StartOn(walkCase.wow64);
  Fake_SetCpuCount(cpus);
  Fake_AddFile(SYSTEM32_FILE, Body(VEXLOR_A));
  if (walkCase.wow64) Fake_AddFile(SYSWOW64_FILE, Body(VEXLOR_K));
  if (walkCase.redirectorRefuses) Fake_Fail("RedirectionOff");

  ScanRun(RecordWithView);

  EXPECT_EQ(walkCase.expected, recordedEvents);
  EXPECT_EQ(0, reportsWithRedirectorOff);
  EXPECT_FALSE(Fake_RedirectionOffOnThisThread());
  // Every time the redirector was turned off it was restored; where it never was, nothing is restored.
  bool turnedOff = walkCase.wow64 && !walkCase.redirectorRefuses;
  EXPECT_EQ(turnedOff ? Fake_CallCount("RedirectionOff") : 0, Fake_CallCount("RedirectionRestore"));
}

TEST_P(WalkViewCases, EachSystemFolderIsWalkedAsItIsOnDisk) { ScanSystemFolders(GetParam(), 1); }

// Each reader thread of the pool turns its own redirector off: the files it reads are the ones the walk listed.
TEST_P(WalkViewCases, ReaderThreadsSeeTheDiskAsTheWalkDoes) { ScanSystemFolders(GetParam(), 2); }

const WalkViewCase WALK_VIEW_CASES[] = {
    {"RedirectorOffShowsTheRealSystem32AndSysWOW64Once",
     true,
     false,
     {"STARTED", std::string("INFECTED Vexlor.a ") + SYSTEM32_FILE, std::string("PROGRESS ") + SYSTEM32_FILE,
      std::string("INFECTED Vexlor.k ") + SYSWOW64_FILE, std::string("PROGRESS ") + SYSWOW64_FILE, "FINISHED"}},
    // What a 32-bit program sees when it cannot turn the redirector off: SysWOW64 twice, System32 never.
    {"RedirectorThatStaysOnShowsSysWOW64Twice",
     true,
     true,
     {"STARTED", std::string("INFECTED Vexlor.k ") + SYSTEM32_FILE, std::string("PROGRESS ") + SYSTEM32_FILE,
      std::string("INFECTED Vexlor.k ") + SYSWOW64_FILE, std::string("PROGRESS ") + SYSWOW64_FILE, "FINISHED"}},
    {"NoRedirectorOn32BitWindows",
     false,
     false,
     {"STARTED", std::string("INFECTED Vexlor.a ") + SYSTEM32_FILE, std::string("PROGRESS ") + SYSTEM32_FILE,
      "FINISHED"}},
};

INSTANTIATE_TEST_SUITE_P(Wow64, WalkViewCases, ::testing::ValuesIn(WALK_VIEW_CASES),
                         [](const ::testing::TestParamInfo<WalkViewCase>& info) { return info.param.name; });

struct StopViewCase {
  const char* name;
  const char* operation;
  const char* argument;
  Events expected;
};

void PrintTo(const StopViewCase& stopCase, std::ostream* out) { *out << stopCase.name; }

class StopViewCases : public ::testing::TestWithParam<StopViewCase> {};

TEST_P(StopViewCases, RedirectorIsBackOnAfterAStop) {
  StartOn(true);
  Fake_AddFile(SYSTEM32_FILE, Body(VEXLOR_A));
  Fake_AddFile(SYSWOW64_FILE, Body(VEXLOR_K));
  Fake_AddRunString("Updater", "C:\\tools\\updater.exe", PLATFORM_RUN_KEY_32BIT);
  Fake_StopAt(GetParam().operation, GetParam().argument);

  ScanRun(RecordWithView);

  EXPECT_EQ(GetParam().expected, recordedEvents);
  EXPECT_EQ(0, reportsWithRedirectorOff);
  EXPECT_FALSE(Fake_RedirectionOffOnThisThread());
  EXPECT_EQ(Fake_CallCount("RedirectionOff"), Fake_CallCount("RedirectionRestore"));
  EXPECT_EQ(0, Fake_OpenHandles());
}

const StopViewCase STOP_VIEW_CASES[] = {
    {"InTheRunKeyOf32BitPrograms", "OpenRunKey", "32-bit", {"STARTED", "STOPPED"}},
    {"DuringTheWalkOfSystem32",
     "OpenForChecksum",
     SYSTEM32_FILE,
     {"STARTED", "PROGRESS Updater", std::string("INFECTED Vexlor.a ") + SYSTEM32_FILE,
      std::string("PROGRESS ") + SYSTEM32_FILE, "STOPPED"}},
};

INSTANTIATE_TEST_SUITE_P(Wow64, StopViewCases, ::testing::ValuesIn(STOP_VIEW_CASES),
                         [](const ::testing::TestParamInfo<StopViewCase>& info) { return info.param.name; });

// The setting is per thread: the scan's thread turning it off does nothing for the thread that removes.
TEST(Wow64, RemovalOnAnotherThreadDeletesTheFilesUnderTheirRealNames) {
  StartOn(true);
  Fake_AddFile(SYSTEM32_FILE, Body(VEXLOR_A));
  Fake_AddFile(SYSWOW64_FILE, "MZ clean 32-bit program of the same name");
  FindingList_Clear();
  ASSERT_NE(nullptr, FindingList_Add(SYSTEM32_FILE, static_cast<int32_t>(SCAN_EV_INFECTED_FILE)));

  FindingRemoval removal = {0, 0};
  std::thread remover([&removal] { removal = FindingList_RemoveAll(); });
  remover.join();

  EXPECT_EQ(1, removal.deleted);
  EXPECT_FALSE(Fake_FileExists(SYSTEM32_FILE));
  EXPECT_TRUE(Fake_FileExists(SYSWOW64_FILE));
  FindingList_Clear();
}

// --- The Run key in both views ---

TEST(Wow64, RunKeyCleanupExaminesBothViewsByTheSameRules) {
  StartOn(true);
  Fake_AddRunString("SysMonXP", "SysMonXP.exe");
  Fake_AddRunString("Updater", "C:\\tools\\updater.exe");
  // Two adjacent Vexlor values: the second moves into the index of the first when that is deleted.
  Fake_AddRunString("before", "before.exe", PLATFORM_RUN_KEY_32BIT);
  Fake_AddRunString("Tiny AV", "fooding.exe -antivirus service", PLATFORM_RUN_KEY_32BIT);
  Fake_AddRunString("Jammer2nd", "Jammer2nd.exe", PLATFORM_RUN_KEY_32BIT);
  Fake_AddRunString("ICQ Net", "winlogon.exe -stealth", PLATFORM_RUN_KEY_32BIT);  // its file is not there
  Fake_AddRunString("Updater", "C:\\tools\\updater.exe", PLATFORM_RUN_KEY_32BIT);
  for (const char* name : {"SysMonXP.exe", "fooding.exe", "Jammer2nd.exe"}) {
    Fake_AddFile(std::string("C:\\WINDOWS\\") + name, Body(VEXLOR_Y));
  }

  EXPECT_TRUE(Traces_RunKeyCleanup(RecordEvent, "C:\\WINDOWS"));

  EXPECT_EQ((Events{"REGISTRY SysMonXP", "PROGRESS SysMonXP", "PROGRESS Updater", "PROGRESS before", "REGISTRY Tiny AV",
                    "PROGRESS Tiny AV", "REGISTRY Jammer2nd", "PROGRESS Jammer2nd", "PROGRESS ICQ Net", "PROGRESS Updater"}),
            recordedEvents);
  EXPECT_EQ((Events{"Updater"}), Fake_RunValueNames(PLATFORM_RUN_KEY_NATIVE));
  EXPECT_EQ((Events{"before", "ICQ Net", "Updater"}), Fake_RunValueNames(PLATFORM_RUN_KEY_32BIT));
  for (const char* name : {"SysMonXP.exe", "fooding.exe", "Jammer2nd.exe"}) {
    EXPECT_FALSE(Fake_FileExists(std::string("C:\\WINDOWS\\") + name)) << name;
  }
  EXPECT_EQ(0, Fake_OpenHandles());
}

TEST(Wow64, RunKeyViewThatCannotBeOpenedLeavesTheOther) {
  for (const char* view : {"native", "32-bit"}) {
    StartOn(true);
    Fake_AddRunString("native value", "a.exe");
    Fake_AddRunString("32-bit value", "b.exe", PLATFORM_RUN_KEY_32BIT);
    Fake_Fail("OpenRunKey", view);

    EXPECT_TRUE(Traces_RunKeyCleanup(RecordEvent, "C:\\WINDOWS"));

    EXPECT_EQ((Events{std::string("PROGRESS ") + (view == std::string("native") ? "32-bit value" : "native value")}),
              recordedEvents)
        << view;
    EXPECT_EQ(0, Fake_OpenHandles());
  }
}

// --- Processes ---

struct ProcessViewCase {
  const char* name;
  std::string imagePath;  // "" when the image path cannot be read
  uint32_t system32Crc;   // 0: a clean file
  uint32_t sysWow64Crc;
  Events expected;
};

void PrintTo(const ProcessViewCase& processCase, std::ostream* out) { *out << processCase.name; }

class ProcessViewCases : public ::testing::TestWithParam<ProcessViewCase> {};

TEST_P(ProcessViewCases, TheImageChecksummedIsTheFileTheProcessRunsFrom) {
  StartOn(true);
  const ProcessViewCase& processCase = GetParam();
  Fake_AddFile(SYSTEM32_FILE, processCase.system32Crc != 0 ? Body(processCase.system32Crc) : "MZ clean 64-bit");
  Fake_AddFile(SYSWOW64_FILE, processCase.sysWow64Crc != 0 ? Body(processCase.sysWow64Crc) : "MZ clean 32-bit");
  Fake_AddProcess(40, "vx.exe", processCase.imagePath);
  Fake_Fail("GetLogicalDriveStrings");  // the trace stages only

  ScanRun(RecordEvent);

  EXPECT_EQ(processCase.expected, recordedEvents);
  EXPECT_EQ(processCase.expected.size() == 4, !Fake_ProcessRunning(40));
}

const ProcessViewCase PROCESS_VIEW_CASES[] = {
    {"ThirtyTwoBitProcessFromSysWOW64", SYSWOW64_FILE, 0, VEXLOR_K,
     {"STARTED", "KILLED Vexlor.k " + std::string(SYSWOW64_FILE), "PROGRESS vx.exe", "FINISHED"}},
    {"SixtyFourBitProcessFromTheRealSystem32", SYSTEM32_FILE, VEXLOR_A, 0,
     {"STARTED", "KILLED Vexlor.a " + std::string(SYSTEM32_FILE), "PROGRESS vx.exe", "FINISHED"}},
    // The 32-bit file of the same name is Vexlor, but this process does not run from it.
    {"CleanSixtyFourBitProcessOfAVexlorName", SYSTEM32_FILE, 0, VEXLOR_K, {"STARTED", "PROGRESS vx.exe", "FINISHED"}},
    {"SixtyFourBitProcessWhoseImageCannotBeRead", "", VEXLOR_A, VEXLOR_K, {"STARTED", "PROGRESS vx.exe", "FINISHED"}},
};

INSTANTIATE_TEST_SUITE_P(Wow64, ProcessViewCases, ::testing::ValuesIn(PROCESS_VIEW_CASES),
                         [](const ::testing::TestParamInfo<ProcessViewCase>& info) { return info.param.name; });

}  // namespace
