// The system-trace stages: process sweep, Run-key cleanup, dropped-file probe and log-file search.
#include <gtest/gtest.h>

#include <functional>

#include "crc_forge.h"
#include "event_recorder.h"
#include "fake_platform.h"
#include "finding_list.h"
#include "scan_sequence.h"
#include "traces.h"

namespace {

typedef std::vector<std::string> Events;

const uint32_t VEXLOR_Y = 0xB566B395u;
const char TINY_AV_COMMAND[] = "fooding.exe -antivirus service";

std::string VexlorBody() { return ForgeCrc32("MZ stand-in body", VEXLOR_Y); }

// --- Stage A: process sweep ---

TEST(ProcessSweep, KillsEveryProcessStartedFromAVexlorFileAndGivesProgressForAll) {
  StartRecording();
  Fake_AddFile("C:\\x\\a.exe", VexlorBody());
  Fake_AddFile("C:\\y\\b.exe", VexlorBody());
  Fake_AddFile("C:\\clean.exe", "MZ clean");
  Fake_AddFile("C:\\locked.exe", VexlorBody());
  Fake_AddProcess(10, "system.exe", "C:\\x\\a.exe");  // cannot be opened
  Fake_AddProcess(11, "a.exe", "C:\\x\\a.exe");
  Fake_AddProcess(12, "b.exe", "C:\\y\\b.exe");  // a second copy of the same build
  Fake_AddProcess(13, "clean.exe", "C:\\clean.exe");
  Fake_AddProcess(14, "noimage.exe", "");
  Fake_AddProcess(15, "locked.exe", "C:\\locked.exe");  // image file cannot be read
  Fake_Fail("OpenProcess", "10");
  Fake_Fail("OpenForChecksum", "C:\\locked.exe");

  EXPECT_TRUE(Traces_ProcessSweep(RecordEvent));

  EXPECT_EQ((Events{"PROGRESS system.exe", "KILLED Vexlor.y C:\\x\\a.exe", "PROGRESS a.exe",
                    "KILLED Vexlor.y C:\\y\\b.exe", "PROGRESS b.exe",
                    "PROGRESS clean.exe", "PROGRESS noimage.exe", "PROGRESS locked.exe"}),
            recordedEvents);
  EXPECT_EQ((std::vector<uint32_t>{11, 12}), Fake_TerminatedProcesses());
  EXPECT_TRUE(Fake_ProcessRunning(10));
  EXPECT_TRUE(Fake_ProcessRunning(15));
  EXPECT_EQ(5, Fake_CallCount("CloseProcess"));
  EXPECT_EQ(0, Fake_OpenHandles());
}

TEST(ProcessSweep, ProcessThatWillNotDieIsReportedAsAnInfectedFile) {
  StartRecording();
  Fake_AddFile("C:\\x\\a.exe", VexlorBody());
  Fake_AddProcess(11, "a.exe", "C:\\x\\a.exe");
  Fake_Fail("TerminateProcess", "11");

  EXPECT_TRUE(Traces_ProcessSweep(RecordEvent));

  EXPECT_EQ((Events{"INFECTED Vexlor.y C:\\x\\a.exe", "PROGRESS a.exe"}), recordedEvents);
  EXPECT_TRUE(Fake_ProcessRunning(11));
  EXPECT_EQ(0, Fake_OpenHandles());
}

// Unattended, the failure is said of the process itself first, so the caller need not pair events by their order.
TEST(ProcessSweep, UnattendedProcessThatWillNotDieIsNamedBeforeItsFile) {
  StartRecording();
  Fake_AddFile("C:\\x\\a.exe", VexlorBody());
  Fake_AddProcess(11, "a.exe", "C:\\x\\a.exe");
  Fake_Fail("TerminateProcess", "11");
  Recording_SetActions(SCAN_ACTIONS_UNATTENDED);

  EXPECT_TRUE(Traces_ProcessSweep(RecordEvent));
  Recording_SetActions(SCAN_ACTIONS_INTERACTIVE);

  EXPECT_EQ((Events{"PROCESS Vexlor.y C:\\x\\a.exe", "NOT-KILLED Vexlor.y C:\\x\\a.exe",
                    "INFECTED Vexlor.y C:\\x\\a.exe", "PROGRESS a.exe"}),
            recordedEvents);
  EXPECT_EQ(0, Fake_OpenHandles());
}

TEST(ProcessSweep, NoSnapshotHandsOverToTheRunKey) {
  StartRecording();
  Fake_AddFile("C:\\x\\a.exe", VexlorBody());
  Fake_AddProcess(11, "a.exe", "C:\\x\\a.exe");
  Fake_AddRunString("other", "other.exe");
  Fake_Fail("SnapshotProcesses");

  ScanRun(RecordEvent);

  EXPECT_EQ((Events{"STARTED", "PROGRESS other", "FINISHED"}), recordedEvents);
  EXPECT_TRUE(Fake_ProcessRunning(11));
}

// --- Stage B: Run-key cleanup ---

TEST(RunKeyCleanup, KeyThatCannotBeOpenedIsSkippedSilently) {
  StartRecording();
  Fake_AddRunString("Tiny AV", TINY_AV_COMMAND);
  Fake_AddFile("C:\\WINDOWS\\fooding.exe", VexlorBody());
  Fake_Fail("OpenRunKey");

  EXPECT_TRUE(Traces_RunKeyCleanup(RecordEvent, "C:\\WINDOWS"));

  EXPECT_EQ(Events{}, recordedEvents);
  EXPECT_EQ(Events{"Tiny AV"}, Fake_RunValueNames());
  EXPECT_TRUE(Fake_FileExists("C:\\WINDOWS\\fooding.exe"));
}

TEST(RunKeyCleanup, OnlyNamedPlainStringValuesThatFitAreExamined) {
  StartRecording();
  Fake_AddFile("C:\\WINDOWS\\fooding.exe", VexlorBody());
  Fake_AddFile("C:\\WINDOWS\\SysMonXP.exe", VexlorBody());
  Fake_AddRunString("", TINY_AV_COMMAND);                             // the key's default value
  Fake_AddRunValue("Tiny AV", 2, std::string(TINY_AV_COMMAND) + '\0');  // REG_EXPAND_SZ
  Fake_AddRunString(std::string(128, 'n'), "x.exe");                  // name without room for its terminator
  Fake_AddRunString(std::string(127, 'm'), "x.exe");
  Fake_AddRunString("long data", std::string(261, 'd'));  // 262 bytes with the terminator
  Fake_AddRunString("full data", std::string(260, 'd'));
  Fake_AddRunValue("SysMonXP", PLATFORM_REG_SZ, "SysMonXP.exe");  // stored without a terminator
  Fake_AddRunValue("unterminated", PLATFORM_REG_SZ, std::string(261, 'u'));

  EXPECT_TRUE(Traces_RunKeyCleanup(RecordEvent, "C:\\WINDOWS"));

  EXPECT_EQ((Events{"PROGRESS " + std::string(127, 'm'), "PROGRESS full data", "REGISTRY SysMonXP", "PROGRESS SysMonXP"}),
            recordedEvents);
  EXPECT_TRUE(Fake_FileExists("C:\\WINDOWS\\fooding.exe"));
  EXPECT_FALSE(Fake_FileExists("C:\\WINDOWS\\SysMonXP.exe"));
  EXPECT_EQ(7u, Fake_RunValueNames().size());
  EXPECT_EQ(0, Fake_OpenHandles());
}

// An error that is not about one value's size (here: every read fails, as when the key is deleted
// during the scan) ends the enumeration instead of trying every index up to 2^32.
TEST(RunKeyCleanup, EnumerationErrorOfTheWholeKeyEndsTheStage) {
  StartRecording();
  Fake_AddFile("C:\\WINDOWS\\fooding.exe", VexlorBody());
  Fake_AddRunString("Tiny AV", TINY_AV_COMMAND);
  Fake_Fail("EnumValue");

  EXPECT_TRUE(Traces_RunKeyCleanup(RecordEvent, "C:\\WINDOWS"));

  EXPECT_EQ(Events{}, recordedEvents);
  EXPECT_EQ(1, Fake_CallCount("EnumValue"));
  EXPECT_EQ(0, Fake_OpenHandles());
}

struct RunValueCase {
  std::string name;
  std::string windowsDirectory;
  std::function<void()> setup;  // the Run value and the files
  Events expected;
  bool valueLeft;
  std::string file;  // the file the value starts
  bool fileLeft;
  std::string untouched;  // a file that must survive ("" for none)
};

void PrintTo(const RunValueCase& runCase, std::ostream* out) { *out << runCase.name; }

class RunValueCases : public ::testing::TestWithParam<RunValueCase> {};

TEST_P(RunValueCases, CleansExactlyTheMatchingValueAndItsFile) {
  const RunValueCase& runCase = GetParam();
  StartRecording();
  runCase.setup();
  if (!runCase.untouched.empty()) Fake_AddFile(runCase.untouched, "keep");

  EXPECT_TRUE(Traces_RunKeyCleanup(RecordEvent, runCase.windowsDirectory.c_str()));

  EXPECT_EQ(runCase.expected, recordedEvents);
  EXPECT_EQ(runCase.valueLeft, !Fake_RunValueNames().empty());
  EXPECT_EQ(runCase.fileLeft, Fake_FileExists(runCase.file));
  if (!runCase.untouched.empty()) {
    EXPECT_TRUE(Fake_FileExists(runCase.untouched));
  }
  EXPECT_EQ(0, Fake_OpenHandles());
}

// The stages' path buffers hold the longest Windows directory and the longest name, as UTF-8.
const std::string LONGEST_FITTING_DIRECTORY = "C:\\" + std::string(TRACE_PATH_SIZE - 16, 'w');  // + "\\fooding.exe"
const std::string TOO_LONG_DIRECTORY = "C:\\" + std::string(TRACE_PATH_SIZE - 15, 'w');

const RunValueCase RUN_VALUE_CASES[] = {
    {"ExactData", "C:\\WINDOWS",
     [] {
       Fake_AddRunString("Tiny AV", TINY_AV_COMMAND);
       Fake_AddFile("C:\\WINDOWS\\fooding.exe", VexlorBody());
     },
     {"REGISTRY Tiny AV", "PROGRESS Tiny AV"}, false, "C:\\WINDOWS\\fooding.exe", false, ""},
    {"DataInCapitals", "C:\\WINDOWS",
     [] {
       Fake_AddRunString("TINY AV", "FOODING.EXE -ANTIVIRUS SERVICE");
       Fake_AddFile("C:\\WINDOWS\\fooding.exe", VexlorBody());
     },
     {"REGISTRY TINY AV", "PROGRESS TINY AV"}, false, "C:\\WINDOWS\\fooding.exe", false, ""},
    {"OtherData", "C:\\WINDOWS",
     [] {
       Fake_AddRunString("Tiny AV", "fooding.exe -antivirus");
       Fake_AddFile("C:\\WINDOWS\\fooding.exe", VexlorBody());
     },
     {"PROGRESS Tiny AV"}, true, "C:\\WINDOWS\\fooding.exe", true, ""},
    {"DataOfAnotherRow", "C:\\WINDOWS",
     [] {
       Fake_AddRunString("Tiny AV", "maja.exe -antivirus service");
       Fake_AddFile("C:\\WINDOWS\\maja.exe", VexlorBody());
     },
     {"PROGRESS Tiny AV"}, true, "C:\\WINDOWS\\maja.exe", true, ""},
    {"FileMissingLeavesTheValue", "C:\\WINDOWS", [] { Fake_AddRunString("Tiny AV", TINY_AV_COMMAND); },
     {"PROGRESS Tiny AV"}, true, "C:\\WINDOWS\\fooding.exe", false, ""},
    {"ValueDeletionFailing", "C:\\WINDOWS",
     [] {
       Fake_AddRunString("Tiny AV", TINY_AV_COMMAND);
       Fake_AddFile("C:\\WINDOWS\\fooding.exe", VexlorBody());
       Fake_Fail("DeleteValue");
     },
     {"PROGRESS Tiny AV"}, true, "C:\\WINDOWS\\fooding.exe", false, ""},
    {"FileDeletionFailingListsTheFile", "C:\\WINDOWS",
     [] {
       Fake_AddRunString("Tiny AV", TINY_AV_COMMAND);
       Fake_AddFile("C:\\WINDOWS\\fooding.exe", VexlorBody());
       Fake_Fail("DeleteOpenFile");
     },
     {"REGISTRY Tiny AV", "DROPPED C:\\WINDOWS\\fooding.exe", "PROGRESS Tiny AV"}, false, "C:\\WINDOWS\\fooding.exe", true,
     ""},
    {"BothDeletionsFailing", "C:\\WINDOWS",
     [] {
       Fake_AddRunString("Tiny AV", TINY_AV_COMMAND);
       Fake_AddFile("C:\\WINDOWS\\fooding.exe", VexlorBody(), PLATFORM_ATTR_READONLY);
       Fake_Fail("DeleteValue");
     },
     {"DROPPED C:\\WINDOWS\\fooding.exe", "PROGRESS Tiny AV"}, true, "C:\\WINDOWS\\fooding.exe", true, ""},
    // A link in the file's place is never deleted (its target would go on Wine): the link is listed instead.
    {"FileThatIsALinkIsListedNotDeleted", "C:\\WINDOWS",
     [] {
       Fake_AddRunString("Tiny AV", TINY_AV_COMMAND);
       Fake_AddFile("C:\\WINDOWS\\fooding.exe", VexlorBody(), PLATFORM_ATTR_ARCHIVE | PLATFORM_ATTR_REPARSE_POINT);
     },
     {"REGISTRY Tiny AV", "DROPPED C:\\WINDOWS\\fooding.exe", "PROGRESS Tiny AV"}, false, "C:\\WINDOWS\\fooding.exe", true,
     ""},
    {"WindowsInADriveRoot", "C:\\",
     [] {
       Fake_AddRunString("Tiny AV", TINY_AV_COMMAND);
       Fake_AddFile("C:\\fooding.exe", VexlorBody());
       Fake_Fail("DeleteOpenFile");
     },
     {"REGISTRY Tiny AV", "DROPPED C:\\fooding.exe", "PROGRESS Tiny AV"}, false, "C:\\fooding.exe", true, ""},
    // Cutting the arguments off the joined path would stop at the space and delete C:\My.
    {"SpaceInTheWindowsDirectory", "C:\\My Windows",
     [] {
       Fake_AddRunString("Tiny AV", TINY_AV_COMMAND);
       Fake_AddFile("C:\\My Windows\\fooding.exe", VexlorBody());
     },
     {"REGISTRY Tiny AV", "PROGRESS Tiny AV"}, false, "C:\\My Windows\\fooding.exe", false, "C:\\My"},
    {"LongestPathThatFits", LONGEST_FITTING_DIRECTORY,
     [] {
       Fake_AddRunString("Tiny AV", TINY_AV_COMMAND);
       Fake_AddFile(LONGEST_FITTING_DIRECTORY + "\\fooding.exe", VexlorBody());
     },
     {"REGISTRY Tiny AV", "PROGRESS Tiny AV"}, false, LONGEST_FITTING_DIRECTORY + "\\fooding.exe", false, ""},
    // One character more: the path would be cut to ...\fooding.ex, a different file.
    {"PathTooLongIsSkippedNotCut", TOO_LONG_DIRECTORY,
     [] {
       Fake_AddRunString("Tiny AV", TINY_AV_COMMAND);
       Fake_AddFile(TOO_LONG_DIRECTORY + "\\fooding.exe", VexlorBody());
     },
     {"PROGRESS Tiny AV"}, true, TOO_LONG_DIRECTORY + "\\fooding.exe", true, TOO_LONG_DIRECTORY + "\\fooding.ex"},
};

INSTANTIATE_TEST_SUITE_P(RunKeyCleanup, RunValueCases, ::testing::ValuesIn(RUN_VALUE_CASES),
                         [](const ::testing::TestParamInfo<RunValueCase>& info) { return info.param.name; });

TEST(RunKeyCleanup, AdjacentVexlorValuesAreBothRemoved) {
  StartRecording();
  Fake_AddRunString("before", "before.exe");
  Fake_AddRunString("Tiny AV", TINY_AV_COMMAND);
  Fake_AddRunString("SysMonXP", "SysMonXP.exe");
  Fake_AddRunString("after", "after.exe");
  Fake_AddFile("C:\\WINDOWS\\fooding.exe", VexlorBody());
  Fake_AddFile("C:\\WINDOWS\\SysMonXP.exe", VexlorBody());

  EXPECT_TRUE(Traces_RunKeyCleanup(RecordEvent, "C:\\WINDOWS"));

  EXPECT_EQ((Events{"PROGRESS before", "REGISTRY Tiny AV", "PROGRESS Tiny AV", "REGISTRY SysMonXP", "PROGRESS SysMonXP",
                    "PROGRESS after"}),
            recordedEvents);
  EXPECT_EQ((Events{"before", "after"}), Fake_RunValueNames());
  EXPECT_FALSE(Fake_FileExists("C:\\WINDOWS\\fooding.exe"));
  EXPECT_FALSE(Fake_FileExists("C:\\WINDOWS\\SysMonXP.exe"));
  EXPECT_EQ(0, Fake_OpenHandles());
}

TEST(RunKeyCleanup, ValuesThatCannotBeDeletedAreEachExaminedOnce) {
  StartRecording();
  Fake_AddRunString("Tiny AV", TINY_AV_COMMAND);
  Fake_AddRunString("SysMonXP", "SysMonXP.exe");
  Fake_AddFile("C:\\WINDOWS\\fooding.exe", VexlorBody());
  Fake_AddFile("C:\\WINDOWS\\SysMonXP.exe", VexlorBody());
  Fake_Fail("DeleteValue");
  Fake_Fail("DeleteOpenFile");

  EXPECT_TRUE(Traces_RunKeyCleanup(RecordEvent, "C:\\WINDOWS"));

  EXPECT_EQ((Events{"DROPPED C:\\WINDOWS\\fooding.exe", "PROGRESS Tiny AV", "DROPPED C:\\WINDOWS\\SysMonXP.exe",
                    "PROGRESS SysMonXP"}),
            recordedEvents);
  EXPECT_EQ(3, Fake_CallCount("EnumValue"));
  EXPECT_EQ((Events{"Tiny AV", "SysMonXP"}), Fake_RunValueNames());
}

// --- Stages C and D: dropped files and log files ---

const char* const DROPPED_NAMES[] = {
    "base64.tmp", "zip1.tmp",  "zip2.tmp",  "zip3.tmp",  "zipped.tmp",     "firewalllogger.txt",  "zippedbase64.tmp",
    "zipo0.txt",  "zipo1.txt", "zipo2.txt", "zipo3.txt", "pk_zip_alg.log", "fuck_you_vexlor.txt", "uinmzertinmds.opm",
};

TEST(DroppedFileProbe, ReportsEachKnownNameThatExistsInItsOrder) {
  StartRecording();
  // Created in reverse so that the probe's own order shows.
  for (int i = 13; i >= 0; --i) Fake_AddFile(std::string("C:\\WINDOWS\\") + DROPPED_NAMES[i], "x");
  Fake_AddFile("C:\\WINDOWS\\zip4.tmp", "x");
  Fake_AddFile("C:\\WINDOWS\\sub\\zip1.tmp", "x");
  Fake_RemoveFile("C:\\WINDOWS\\zip2.tmp");

  Traces_DroppedFileProbe(RecordEvent, "C:\\WINDOWS");

  Events expected;
  for (const char* name : DROPPED_NAMES) {
    if (std::string(name) != "zip2.tmp") expected.push_back(std::string("DROPPED C:\\WINDOWS\\") + name);
  }
  EXPECT_EQ(expected, recordedEvents);
  EXPECT_TRUE(Fake_FileExists("C:\\WINDOWS\\zip1.tmp"));  // left to the removal at the end of the run
}

TEST(DroppedFileProbe, NameThatDoesNotFitBesideTheWindowsDirectoryIsSkipped) {
  StartRecording();
  // pk_zip_alg.log just fits beside it, zippedbase64.tmp does not.
  const std::string windows = "C:\\" + std::string(TRACE_PATH_SIZE - 19, 'w');
  for (const char* name : {"pk_zip_alg.log", "zippedbase64.tmp"}) {
    std::string path = windows + "\\" + name;
    Fake_AddFile(path, "x");
    Fake_AddFile(path.substr(0, TRACE_PATH_SIZE - 1), "decoy");  // where a cut path would lead
  }

  Traces_DroppedFileProbe(RecordEvent, windows.c_str());

  EXPECT_EQ(Events{"DROPPED " + windows + "\\pk_zip_alg.log"}, recordedEvents);
}

TEST(LogFileSearch, ReportsPkZipNamesWithALogExtension) {
  StartRecording();
  // The longest name a listing gives, 259 characters, fits beside any Windows directory.
  const std::string longest = "pk_zip" + std::string(249, 'l') + ".log";
  for (const std::string& name : {std::string("pk_zip1.log"), std::string("pk_zip.txt"), std::string("PK_ZIP9.log"),
                                  std::string("pk_zip2.LOG"), std::string("pk_zip"), std::string("pk_zip.log.bak"),
                                  std::string("pk_zip."), std::string("old.pk_zip.Log"), longest}) {
    Fake_AddFile("C:\\WINDOWS\\" + name, "x");
  }
  Fake_AddDirectory("C:\\WINDOWS\\pk_zipdir.log");
  Fake_AddFile("C:\\WINDOWS\\pk_zipdir.log\\pk_zip3.log", "x");

  EXPECT_TRUE(Traces_LogFileSearch(RecordEvent, "C:\\WINDOWS"));

  EXPECT_EQ((Events{"LOG C:\\WINDOWS\\pk_zip1.log", "LOG C:\\WINDOWS\\pk_zip2.LOG", "LOG C:\\WINDOWS\\old.pk_zip.Log",
                    "LOG C:\\WINDOWS\\" + longest}),
            recordedEvents);
  EXPECT_TRUE(Fake_FileExists("C:\\WINDOWS\\pk_zip1.log"));
  EXPECT_EQ(0, Fake_OpenHandles());
}

TEST(LogFileSearch, ListingThatCannotBeStartedHandsOver) {
  StartRecording();
  Fake_AddFile("C:\\WINDOWS\\pk_zip1.log", "x");
  Fake_Fail("FindFirst", "C:\\WINDOWS\\*");
  EXPECT_TRUE(Traces_LogFileSearch(RecordEvent, "C:\\WINDOWS"));
  EXPECT_EQ(Events{}, recordedEvents);
}

TEST(LogFileSearch, PkZipAlgLogIsReportedAndListedTwice) {
  StartRecording();
  FindingList_Clear();
  Fake_AddFile("C:\\WINDOWS\\pk_zip_alg.log", "x");

  ScanRun(RecordAndList);

  EXPECT_EQ((Events{"STARTED", "DROPPED C:\\WINDOWS\\pk_zip_alg.log", "LOG C:\\WINDOWS\\pk_zip_alg.log", "FINISHED"}),
            recordedEvents);
  ASSERT_EQ(2, FindingList_Count());
  FindingRemoval removal = FindingList_RemoveAll();
  EXPECT_EQ(1, removal.deleted);
  EXPECT_EQ(2, removal.total);
  EXPECT_FALSE(Fake_FileExists("C:\\WINDOWS\\pk_zip_alg.log"));
  FindingList_Clear();
}

// --- The stages in the scan ---

struct WindowsDirectoryCase {
  std::string name;
  std::string windowsDirectory;
  std::string prefix;  // the Windows directory with exactly one backslash after it
};

void PrintTo(const WindowsDirectoryCase& windowsCase, std::ostream* out) { *out << windowsCase.name; }

class WindowsDirectoryCases : public ::testing::TestWithParam<WindowsDirectoryCase> {};

TEST_P(WindowsDirectoryCases, EveryStageJoinsItsPathsWithOneBackslash) {
  const std::string& prefix = GetParam().prefix;
  StartRecording();
  Fake_SetWindowsDirectory(GetParam().windowsDirectory);
  Fake_AddRunString("Jammer2nd", "Jammer2nd.exe");
  Fake_AddFile(prefix + "Jammer2nd.exe", VexlorBody());
  Fake_AddFile(prefix + "zip3.tmp", "x");
  Fake_AddFile(prefix + "pk_zip1.log", "x");
  Fake_AddFile(prefix + "pk_zip2.LOG", "x");

  ScanRun(RecordEvent);

  EXPECT_EQ((Events{"STARTED", "REGISTRY Jammer2nd", "PROGRESS Jammer2nd", "DROPPED " + prefix + "zip3.tmp",
                    "LOG " + prefix + "pk_zip1.log", "LOG " + prefix + "pk_zip2.LOG", "FINISHED"}),
            recordedEvents);
  EXPECT_FALSE(Fake_FileExists(prefix + "Jammer2nd.exe"));
  EXPECT_TRUE(Fake_RunValueNames().empty());
}

const WindowsDirectoryCase WINDOWS_DIRECTORY_CASES[] = {
    {"WithoutTrailingBackslash", "C:\\WINDOWS", "C:\\WINDOWS\\"},
    {"WithTrailingBackslash", "C:\\WINDOWS\\", "C:\\WINDOWS\\"},
    {"DriveRoot", "C:\\", "C:\\"},
};

INSTANTIATE_TEST_SUITE_P(Traces, WindowsDirectoryCases, ::testing::ValuesIn(WINDOWS_DIRECTORY_CASES),
                         [](const ::testing::TestParamInfo<WindowsDirectoryCase>& info) { return info.param.name; });

TEST(Traces, UnreadableWindowsDirectorySkipsTheStagesThatNeedIt) {
  StartRecording();
  Fake_AddProcess(11, "a.exe", "C:\\a.exe");
  Fake_AddFile("C:\\a.exe", "MZ clean");
  Fake_AddRunString("Jammer2nd", "Jammer2nd.exe");
  Fake_AddFile("C:\\WINDOWS\\Jammer2nd.exe", VexlorBody());
  Fake_AddFile("C:\\WINDOWS\\pk_zip1.log", "x");
  Fake_Fail("GetWindowsDirectory");

  ScanRun(RecordEvent);

  EXPECT_EQ((Events{"STARTED", "PROGRESS a.exe", "FINISHED"}), recordedEvents);
  EXPECT_EQ(0, Fake_CallCount("OpenRunKey"));
  EXPECT_TRUE(Fake_FileExists("C:\\WINDOWS\\Jammer2nd.exe"));
}

// A machine with something for every stage: two processes, two Run values, a dropped file, two logs.
void TracesMachine() {
  Fake_AddFile("C:\\p1.exe", "MZ one");
  Fake_AddFile("C:\\p2.exe", "MZ two");
  Fake_AddProcess(21, "p1.exe", "C:\\p1.exe");
  Fake_AddProcess(22, "p2.exe", "C:\\p2.exe");
  Fake_AddRunString("v0", "v0.exe");
  Fake_AddRunString("v1", "v1.exe");
  Fake_AddFile("C:\\WINDOWS\\zip1.tmp", "x");
  Fake_AddFile("C:\\WINDOWS\\pk_zip1.log", "x");
  Fake_AddFile("C:\\WINDOWS\\pk_zip2.LOG", "x");
  Fake_AddDrive("D:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddFile("D:\\d.txt", "x");
}

struct StopCase {
  std::string name;
  std::string operation;  // the call during which the stop is requested
  std::string argument;
  Events expected;
  std::vector<std::string> notCalled;  // operations of the stages that must not run
};

void PrintTo(const StopCase& stopCase, std::ostream* out) { *out << stopCase.name; }

class StopCases : public ::testing::TestWithParam<StopCase> {};

TEST_P(StopCases, StopEndsTheRunWithOneStopEvent) {
  StartRecording();
  TracesMachine();
  Fake_StopAt(GetParam().operation, GetParam().argument);

  ScanRun(RecordEvent);

  EXPECT_EQ(GetParam().expected, recordedEvents);
  for (const std::string& operation : GetParam().notCalled) EXPECT_EQ(0, Fake_CallCount(operation)) << operation;
  EXPECT_EQ(0, Fake_OpenHandles());
}

const StopCase STOP_CASES[] = {
    {"BeforeTheFirstProcess", "FirstProcess", "", {"STARTED", "STOPPED"}, {"OpenProcess", "OpenRunKey", "FindFirst"}},
    {"BeforeTheSecondProcess", "NextProcess", "1", {"STARTED", "PROGRESS p1.exe", "STOPPED"}, {"OpenRunKey"}},
    {"BeforeTheFirstRunValue",
     "OpenRunKey",
     "",
     {"STARTED", "PROGRESS p1.exe", "PROGRESS p2.exe", "STOPPED"},
     {"EnumValue", "FileExists", "FindFirst"}},
    {"BeforeTheSecondRunValue",
     "EnumValue",
     "0",
     {"STARTED", "PROGRESS p1.exe", "PROGRESS p2.exe", "PROGRESS v0", "STOPPED"},
     {"FileExists", "FindFirst"}},
    // The dropped-file probe is not interrupted; the log-file search sees the stop at its first entry.
    {"DuringTheDroppedFileProbe",
     "FileExists",
     "C:\\WINDOWS\\base64.tmp",
     {"STARTED", "PROGRESS p1.exe", "PROGRESS p2.exe", "PROGRESS v0", "PROGRESS v1", "DROPPED C:\\WINDOWS\\zip1.tmp",
      "STOPPED"},
     {"FindNext", "GetLogicalDriveStrings"}},
    {"BeforeALogFileEntry",
     "FindNext",
     "pk_zip2.LOG",
     {"STARTED", "PROGRESS p1.exe", "PROGRESS p2.exe", "PROGRESS v0", "PROGRESS v1", "DROPPED C:\\WINDOWS\\zip1.tmp",
      "LOG C:\\WINDOWS\\pk_zip1.log", "STOPPED"},
     {"GetLogicalDriveStrings"}},
};

INSTANTIATE_TEST_SUITE_P(Traces, StopCases, ::testing::ValuesIn(STOP_CASES),
                         [](const ::testing::TestParamInfo<StopCase>& info) { return info.param.name; });

TEST(Traces, RunWithoutAStopGoesOnToTheDrives) {
  StartRecording();
  TracesMachine();
  ScanRun(RecordEvent);
  EXPECT_EQ((Events{"STARTED", "PROGRESS p1.exe", "PROGRESS p2.exe", "PROGRESS v0", "PROGRESS v1",
                    "DROPPED C:\\WINDOWS\\zip1.tmp", "LOG C:\\WINDOWS\\pk_zip1.log", "LOG C:\\WINDOWS\\pk_zip2.LOG",
                    "PROGRESS D:\\d.txt", "FINISHED"}),
            recordedEvents);
  EXPECT_EQ(0, Fake_OpenHandles());
}

}  // namespace
