// What the trace stages do and report in each setting: interactive, report only, unattended.
#include <gtest/gtest.h>

#include "crc_forge.h"
#include "event_recorder.h"
#include "fake_platform.h"
#include "scan_sequence.h"

namespace {

typedef std::vector<std::string> Events;

const uint32_t VEXLOR_Y = 0xB566B395u;
const uint32_t VEXLOR_K = 0x411A3D2Au;
const std::string DEEP_FILE = "C:\\deep\\" + std::string(250, 'a') + "\\" + std::string(250, 'b') + "\\" + std::string(21, 'c');

// One machine with a trace for every stage and an entry for every reason to skip one.
void PlantEveryTrace() {
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_SetWindowsDirectory("C:\\WINDOWS");
  Fake_AddFile("C:\\run\\svch0st.exe", ForgeCrc32("MZ process", VEXLOR_K));
  Fake_AddProcess(21, "svch0st.exe", "C:\\run\\svch0st.exe");
  Fake_AddRunString("Tiny AV", "fooding.exe -antivirus service");
  Fake_AddFile("C:\\WINDOWS\\fooding.exe", ForgeCrc32("MZ run file", VEXLOR_Y));
  Fake_AddFile("C:\\WINDOWS\\zip1.tmp", "dropped");
  Fake_AddFile("C:\\WINDOWS\\pk_zip1.log", "log");
  Fake_AddFile("C:\\data\\game.exe", ForgeCrc32("MZ game", VEXLOR_Y));
  Fake_AddFileOfSize("C:\\data\\big.bin", 41985);
  Fake_AddFile("C:\\data\\locked.bin", "in use");
  Fake_Fail("OpenForChecksum", "C:\\data\\locked.bin");
  Fake_AddFile("C:\\data\\empty.txt", "");
  Fake_AddDirectory("C:\\denied");
  Fake_Fail("FindFirst", "C:\\denied\\*");
  Fake_AddLink("C:\\data\\loop", "C:\\data");
  // 531 characters: past MAX_PATH, walked all the same.
  Fake_AddFile(DEEP_FILE, "x");
}

// The events of the system stages and of the walk of C:\, leaving out the walk of C:\WINDOWS.
Events Interesting(const Events& events) {
  Events kept;
  for (const std::string& line : events) {
    if (line.rfind("PROGRESS C:\\WINDOWS\\", 0) == 0) continue;
    kept.push_back(line);
  }
  return kept;
}

struct ActionsCase {
  const char* name;
  int32_t actions;
  Events expected;
  bool processRunning;
  bool runValueLeft;
  bool runFileLeft;
};

void PrintTo(const ActionsCase& actionsCase, std::ostream* out) { *out << actionsCase.name; }

class ActionsCases : public ::testing::TestWithParam<ActionsCase> {};

TEST_P(ActionsCases, EveryStageActsOnlyAsTheSettingAllows) {
  const ActionsCase& actionsCase = GetParam();
  StartRecording();
  Recording_SetActions(actionsCase.actions);
  PlantEveryTrace();

  ScanRun(RecordEvent);

  EXPECT_EQ(actionsCase.expected, Interesting(recordedEvents));
  EXPECT_EQ(actionsCase.processRunning, Fake_ProcessRunning(21));
  EXPECT_EQ(actionsCase.runValueLeft, !Fake_RunValueNames().empty());
  EXPECT_EQ(actionsCase.runFileLeft, Fake_FileExists("C:\\WINDOWS\\fooding.exe"));
  // The walk and the other stages never delete anything themselves.
  for (const char* path : {"C:\\WINDOWS\\zip1.tmp", "C:\\WINDOWS\\pk_zip1.log", "C:\\data\\game.exe"}) {
    EXPECT_TRUE(Fake_FileExists(path)) << path;
  }
  EXPECT_EQ(0, Fake_OpenHandles());
  Recording_SetActions(SCAN_ACTIONS_INTERACTIVE);
}

// The walk's part, the same in the two unattended settings.
const Events UNATTENDED_WALK = {
    "INFECTED Vexlor.k C:\\run\\svch0st.exe", "PROGRESS C:\\run\\svch0st.exe",
    "INFECTED Vexlor.y C:\\WINDOWS\\fooding.exe", "INFECTED Vexlor.y C:\\data\\game.exe", "PROGRESS C:\\data\\game.exe",
    "SKIP-LARGE C:\\data\\big.bin", "PROGRESS C:\\data\\big.bin", "SKIP-UNREADABLE C:\\data\\locked.bin",
    "PROGRESS C:\\data\\locked.bin", "PROGRESS C:\\data\\empty.txt", "SKIP-LOOP C:\\data\\loop",
    "SKIP-UNLISTABLE C:\\denied", "PROGRESS " + DEEP_FILE};

Events Join(Events head, const Events& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

const ActionsCase ACTIONS_CASES[] = {
    {"InteractiveActsAndReportsAsBefore", SCAN_ACTIONS_INTERACTIVE,
     {"STARTED", "KILLED Vexlor.k C:\\run\\svch0st.exe", "PROGRESS svch0st.exe", "REGISTRY Tiny AV", "PROGRESS Tiny AV",
      "DROPPED C:\\WINDOWS\\zip1.tmp", "LOG C:\\WINDOWS\\pk_zip1.log", "INFECTED Vexlor.k C:\\run\\svch0st.exe",
      "PROGRESS C:\\run\\svch0st.exe", "INFECTED Vexlor.y C:\\data\\game.exe",
      "PROGRESS C:\\data\\game.exe", "PROGRESS C:\\data\\big.bin", "PROGRESS C:\\data\\locked.bin",
      "PROGRESS C:\\data\\empty.txt", "PROGRESS " + DEEP_FILE, "FINISHED"},
     false, false, false},
    {"ReportOnlyTouchesNothing", SCAN_ACTIONS_REPORT_ONLY,
     Join({"STARTED", "PROCESS Vexlor.k C:\\run\\svch0st.exe", "PROGRESS svch0st.exe", "RUNVALUE Tiny AV",
           "DROPPED C:\\WINDOWS\\fooding.exe", "PROGRESS Tiny AV", "DROPPED C:\\WINDOWS\\zip1.tmp",
           "LOG C:\\WINDOWS\\pk_zip1.log"},
          Join(UNATTENDED_WALK, {"FINISHED"})),
     true, true, true},
    {"UnattendedLeavesTheRunFileToTheCaller", SCAN_ACTIONS_UNATTENDED,
     Join({"STARTED", "PROCESS Vexlor.k C:\\run\\svch0st.exe", "KILLED Vexlor.k C:\\run\\svch0st.exe", "PROGRESS svch0st.exe",
           "RUNVALUE Tiny AV", "REGISTRY Tiny AV", "DROPPED C:\\WINDOWS\\fooding.exe", "PROGRESS Tiny AV",
           "DROPPED C:\\WINDOWS\\zip1.tmp", "LOG C:\\WINDOWS\\pk_zip1.log"},
          Join(UNATTENDED_WALK, {"FINISHED"})),
     false, false, true},
};

INSTANTIATE_TEST_SUITE_P(ScanActions, ActionsCases, ::testing::ValuesIn(ACTIONS_CASES),
                         [](const ::testing::TestParamInfo<ActionsCase>& info) { return info.param.name; });

}  // namespace
