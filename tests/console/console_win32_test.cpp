// The console control handler's ignored and close events, the one end of a run on the program's thread, and
// the progress line's width and compaction, on the real Win32 API with a fixed clock and scripted keys.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "console_main.h"
#include "console_output.h"
#include "console_reporter.h"
#include "finding_list.h"
#include "progress_refresh.h"
#include "scan_events.h"
#include "scan_sequence.h"
#include "signatures.h"

namespace {

// The tests' clock: always 12:00:00 on 10 December 2026, and a tick count they move themselves.
uint32_t testTicks = 0;
RunTime FixedTime() { return RunTime{12, 0, 0, 10, 12, 2026}; }
uint32_t TestTicks() { return testTicks; }

// The summary's answers, one key per read; -1 once they run out, as without console input.
std::string scriptedKeys;
size_t nextKey = 0;
int ScriptedKey() { return nextKey < scriptedKeys.size() ? scriptedKeys[nextKey++] : -1; }

// The program's run made ready for one test: width 109 unless given, the fixed clock, these keys.
void PrepareRun(const char* keys, int32_t width = 109) {
  ConsoleRun_Prepare(&consoleRun, width);
  consoleRun.clock = RunClock{FixedTime, TestTicks};
  consoleRun.readKey = ScriptedKey;
  scriptedKeys = keys;
  nextKey = 0;
}

void Report(ScanEvent event, const char* text, const ThreatSignature* signature) {
  ConsoleReporter(&consoleRun, event, text, signature);
}

}  // namespace

struct IgnoredControlEvent {
  const char* name;
  DWORD type;
};

void PrintTo(const IgnoredControlEvent& c, std::ostream* out) { *out << c.name; }

class ConsoleControlHandlerIgnores : public testing::TestWithParam<IgnoredControlEvent> {};

// Ctrl+Break and the other events neither stop the scan nor touch the findings, yet count as handled.
TEST_P(ConsoleControlHandlerIgnores, LeavesScanAndFindingsAlone) {
  ScanControl_Reset();
  FindingList_Clear();
  FindingList_Add("D:\\one.exe", SCAN_EV_INFECTED_FILE);
  FindingList_Add("D:\\two.exe", SCAN_EV_INFECTED_FILE);

  EXPECT_EQ(TRUE, ConsoleControlHandler(GetParam().type));

  EXPECT_FALSE(ScanControl_StopRequested());
  EXPECT_EQ(2, FindingList_Count());
  FindingList_Clear();
}

INSTANTIATE_TEST_SUITE_P(
    OtherEvents, ConsoleControlHandlerIgnores,
    testing::Values(IgnoredControlEvent{"Break", CTRL_BREAK_EVENT}, IgnoredControlEvent{"Logoff", CTRL_LOGOFF_EVENT},
                    IgnoredControlEvent{"Shutdown", CTRL_SHUTDOWN_EVENT}, IgnoredControlEvent{"Unassigned3", 3},
                    IgnoredControlEvent{"Unassigned4", 4}, IgnoredControlEvent{"Unknown", 0x7FFF}),
    [](const testing::TestParamInfo<IgnoredControlEvent>& info) { return std::string(info.param.name); });

TEST(ConsoleControlHandler, WindowCloseStopsTheScanAndEmptiesTheFindings) {
  ScanControl_Reset();
  FindingList_Add("D:\\one.exe", SCAN_EV_INFECTED_FILE);

  EXPECT_EQ(TRUE, ConsoleControlHandler(CTRL_CLOSE_EVENT));

  EXPECT_TRUE(ScanControl_StopRequested());
  EXPECT_EQ(0, FindingList_Count());
  ScanControl_Reset();
}

// Ctrl+C arrives on a thread of its own at the start of the scan, and that thread is then held until the end of
// the run is over: the scan stops, its thread ends and the main thread ends the run while the handler's thread
// has not run again. (The order in which the removal question used to be lost.)
struct HeldCtrlC {
  HANDLE handler;
  HANDLE requested;
  HANDLE release;
  int presses;
  int handled;  // presses the handler took as handled
};

DWORD WINAPI PressCtrlCAndHold(void* context) {
  HeldCtrlC* held = static_cast<HeldCtrlC*>(context);
  for (int press = 0; press < held->presses; ++press) held->handled += ConsoleControlHandler(CTRL_C_EVENT) == TRUE;
  SetEvent(held->requested);
  WaitForSingleObject(held->release, INFINITE);
  return 0;
}

void CtrlCAtStart(void* context, ScanEvent event, const char* text, const ThreatSignature* signature) {
  HeldCtrlC* held = static_cast<HeldCtrlC*>(context);
  Report(event, text, signature);
  if (event != SCAN_EV_STARTED) return;
  held->handler = CreateThread(nullptr, 0, PressCtrlCAndHold, held, 0, nullptr);
  if (held->handler != nullptr) WaitForSingleObject(held->requested, INFINITE);
}

const char STOPPED_RUN_WITH_ONE_FINDING[] =
    "--- Removal process started at 12:00:00 on 10 December 2026 ---\n"
    "--- Removal process stopped at 12:00:00 on 10 December 2026 ---                \n"
    "Vexlor was found in 1 files on your PC. Would you like to remove the infected files? Y/N\n"
    "Warning! Your computer may still be infected by Vexlor. Are you sure you want to continue? Y/N\n";

class StoppedRun : public testing::TestWithParam<int> {};

// Every time, whatever the handler's thread does afterwards: the stopped line, then the removal question once,
// then "pause" is due. The answers n, y keep the file.
TEST_P(StoppedRun, ReachesTheRemovalQuestionEveryTime) {
  for (int round = 0; round < 20; ++round) {
    FindingList_Clear();
    FindingList_Add("C:\\held\\found.exe", SCAN_EV_INFECTED_FILE);
    PrepareRun("ny");
    HeldCtrlC held = {nullptr, CreateEventA(nullptr, TRUE, FALSE, nullptr), CreateEventA(nullptr, TRUE, FALSE, nullptr),
                      GetParam(), 0};
    testing::internal::CaptureStdout();
    ScanHandle scan = Scan_Start(ScanReporter{CtrlCAtStart, &held});
    ASSERT_NE(nullptr, scan);
    Scan_Wait(scan);
    Scan_Close(scan);
    bool pause = ConsoleMain_EndOfRun(&consoleRun);
    fflush(stdout);
    std::string output = testing::internal::GetCapturedStdout();
    ASSERT_NE(nullptr, held.handler);
    SetEvent(held.release);
    WaitForSingleObject(held.handler, INFINITE);
    CloseHandle(held.handler);
    CloseHandle(held.requested);
    CloseHandle(held.release);

    EXPECT_EQ(STOPPED_RUN_WITH_ONE_FINDING, output) << "round " << round;
    EXPECT_TRUE(pause) << "round " << round;
    EXPECT_EQ(GetParam(), held.handled);
    EXPECT_EQ(0, FindingList_Count());
    ASSERT_FALSE(HasFailure());
  }
  ScanControl_Reset();
}

INSTANTIATE_TEST_SUITE_P(CtrlC, StoppedRun, testing::Values(1, 2),
                         [](const testing::TestParamInfo<int>& info) { return info.param == 1 ? "Once" : "Twice"; });

struct EndCase {
  const char* name;
  uint32_t closingEvent;
  int32_t stopCause;
  const char* output;
  bool pause;
};

void PrintTo(const EndCase& c, std::ostream* out) { *out << c.name; }

class EndOfRun : public testing::TestWithParam<EndCase> {};

// After the scanning thread: one summary unless the window was closed; "pause" only after a stop by Ctrl+C.
TEST_P(EndOfRun, SummaryOnceAndPauseOnlyAfterCtrlCStopped) {
  const EndCase& c = GetParam();
  FindingList_Clear();
  PrepareRun("");
  consoleRun.closingEvent.store(c.closingEvent);
  consoleRun.stopCause.store(c.stopCause);
  testing::internal::CaptureStdout();
  bool pause = ConsoleMain_EndOfRun(&consoleRun);
  fflush(stdout);
  EXPECT_EQ(c.output, testing::internal::GetCapturedStdout());
  EXPECT_EQ(c.pause, pause);
}

const char NOT_FOUND[] = "Vexlor was not found on your computer!                                        \n";

INSTANTIATE_TEST_SUITE_P(
    Runs, EndOfRun,
    testing::Values(EndCase{"Finished", SCAN_EV_FINISHED, CONSOLE_STOP_NONE, NOT_FOUND, false},
                    EndCase{"CtrlCAfterTheFinish", SCAN_EV_FINISHED, CONSOLE_STOP_CTRL_C, NOT_FOUND, false},
                    EndCase{"StoppedByCtrlC", SCAN_EV_STOPPED, CONSOLE_STOP_CTRL_C, NOT_FOUND, true},
                    EndCase{"WindowClosed", SCAN_EV_STOPPED, CONSOLE_STOP_WINDOW_CLOSED, "", false}),
    [](const testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

struct WidthCase {
  const char* name;
  bool haveWindow;
  int32_t left;
  int32_t right;
  int32_t width;
};

void PrintTo(const WidthCase& c, std::ostream* out) { *out << c.name; }

class ProgressWidth : public testing::TestWithParam<WidthCase> {};

TEST_P(ProgressWidth, FollowsTheWindowWithinTheBuffer) {
  const WidthCase& c = GetParam();
  EXPECT_EQ(c.width, ConsoleOutput_ProgressWidth(c.haveWindow, c.left, c.right));
}

INSTANTIATE_TEST_SUITE_P(
    Windows, ProgressWidth,
    testing::Values(WidthCase{"Columns120", true, 0, 119, 109}, WidthCase{"Scrolled80", true, 40, 119, 69},
                    WidthCase{"Redirected", false, 0, 0, 69}, WidthCase{"Columns14", true, 0, 13, 4},
                    WidthCase{"Columns11", true, 0, 10, 4}, WidthCase{"Columns271", true, 0, 270, 260},
                    WidthCase{"Columns1000", true, 0, 999, 260}),
    [](const testing::TestParamInfo<WidthCase>& info) { return std::string(info.param.name); });

struct CompactCase {
  const char* name;
  const char* path;
  int32_t width;
  const char* start;  // what the compacted text must begin with
  const char* end;    // and end with
};

void PrintTo(const CompactCase& c, std::ostream* out) { *out << c.name; }

class CompactPath : public testing::TestWithParam<CompactCase> {};

// Short paths stay whole; long ones, even longer than the shell call takes, keep both ends around "...".
TEST_P(CompactPath, FitsTheWidth) {
  const CompactCase& c = GetParam();
  char compact[PROGRESS_BUFFER_SIZE];
  ConsoleOutput_CompactPath(compact, c.width, c.path);
  std::string text(compact);
  EXPECT_LE(text.size(), static_cast<size_t>(c.width - 1)) << text;
  EXPECT_EQ(0u, text.rfind(c.start, 0)) << text;
  ASSERT_GE(text.size(), std::strlen(c.end)) << text;
  EXPECT_EQ(c.end, text.substr(text.size() - std::strlen(c.end))) << text;
  if (std::strlen(c.path) > static_cast<size_t>(c.width - 1)) {
    EXPECT_NE(std::string::npos, text.find("...")) << text;
  }
}

static const std::string veryLongPath = "D:\\" + std::string(300, 'a') + "\\" + std::string(150, 'b') + "\\end.txt";

INSTANTIATE_TEST_SUITE_P(
    Paths, CompactPath,
    testing::Values(CompactCase{"Short", "C:\\windows\\notepad.exe", 109, "C:\\windows\\notepad.exe", ""},
                    CompactCase{"ExactlyFits", "C:\\abcdefgh.txt", 16, "C:\\abcdefgh.txt", ""},
                    CompactCase{"Long", "C:\\Program Files\\Some Vendor\\Some Product\\bin\\plugins\\module.dll", 30,
                                "C:\\", "module.dll"},
                    CompactCase{"LongerThanMaxPath", veryLongPath.c_str(), 109, "D:\\aaa", "end.txt"},
                    CompactCase{"Narrowest", "C:\\Program Files\\Vendor\\tool.exe", 4, "", ""}),
    [](const testing::TestParamInfo<CompactCase>& info) { return std::string(info.param.name); });

struct ReporterCase {
  const char* name;
  ScanEvent event;
  const char* text;
  const ThreatSignature* signature;
  const char* output;
  int32_t listed;   // findings added
  int32_t traces;   // tracesFound afterwards, starting from 0
};

void PrintTo(const ReporterCase& c, std::ostream* out) { *out << c.name; }

class ConsoleReporterLines : public testing::TestWithParam<ReporterCase> {};

// Each event's exact line, what it adds to the findings, and whether it counts as a trace; unknown codes do nothing.
TEST_P(ConsoleReporterLines, PrintsRecordsAndMarks) {
  const ReporterCase& c = GetParam();
  FindingList_Clear();
  PrepareRun("");
  testing::internal::CaptureStdout();
  Report(c.event, c.text, c.signature);
  fflush(stdout);
  EXPECT_EQ(c.output, testing::internal::GetCapturedStdout());
  EXPECT_EQ(c.listed, FindingList_Count());
  EXPECT_EQ(c.traces, consoleRun.record.tracesFound.load());
  FindingList_Clear();
}

static const ThreatSignature* const vexlorY = &SignatureTable[22];

INSTANTIATE_TEST_SUITE_P(
    Events, ConsoleReporterLines,
    testing::Values(
        ReporterCase{"ProcessKilled", SCAN_EV_PROCESS_KILLED, nullptr, vexlorY,
                     "Vexlor.y was found and terminated in memory\n", 0, 1},
        ReporterCase{"InfectedFile", SCAN_EV_INFECTED_FILE, "D:\\a\\b.exe", vexlorY,
                     "A Vexlor.y infected file was found: D:\\a\\b.exe\n", 1, 1},
        ReporterCase{"DroppedFile", SCAN_EV_DROPPED_FILE, "C:\\windows\\zip1.tmp", nullptr,
                     "A Vexlor infected file was found: C:\\windows\\zip1.tmp\n", 1, 1},
        ReporterCase{"RegistryCleaned", SCAN_EV_REGISTRY_CLEANED, nullptr, nullptr,
                     "Vexlor was found removed from the registry\n", 0, 1},
        ReporterCase{"LogFile", SCAN_EV_LOG_FILE, "C:\\windows\\pk_zip1.log", nullptr,
                     "A file dropped by Vexlor was found: C:\\windows\\pk_zip1.log\n", 1, 1},
        ReporterCase{"Code1035", 1035, "D:\\x.exe", vexlorY, "", 0, 0},
        ReporterCase{"Code1033", 1033, "D:\\x.exe", vexlorY, "", 0, 0},
        ReporterCase{"Code1124", 1124, "D:\\x.exe", vexlorY, "", 0, 0},
        ReporterCase{"CodeMax", 0xFFFFFFFFu, "D:\\x.exe", vexlorY, "", 0, 0}),
    [](const testing::TestParamInfo<ReporterCase>& info) { return std::string(info.param.name); });

// The progress line covers the longest compacted text, and the next message first blanks it, so neither the
// tail of a longer path nor of the progress line stays beside a shorter text.
TEST(ConsoleReporterProgress, PaddedAndBlankedBeforeTheNextMessage) {
  FindingList_Clear();
  PrepareRun("", 20);
  testing::internal::CaptureStdout();
  Report(SCAN_EV_STARTED, nullptr, nullptr);
  Report(SCAN_EV_PROGRESS, "C:\\a-rather-long-folder\\file.txt", nullptr);
  // The line is redrawn at most every PROGRESS_REFRESH_MS: the event right after one drawn is not shown.
  Report(SCAN_EV_PROGRESS, "C:\\not-shown.txt", nullptr);
  testTicks += PROGRESS_REFRESH_MS + 20;
  Report(SCAN_EV_PROGRESS, "C:\\b.txt", nullptr);
  Report(SCAN_EV_INFECTED_FILE, "C:\\b.txt", vexlorY);
  Report(SCAN_EV_REGISTRY_CLEANED, nullptr, nullptr);
  fflush(stdout);
  std::string output = testing::internal::GetCapturedStdout();
  FindingList_Clear();
  ASSERT_NE(std::string::npos, output.find("Scanning: ")) << output;
  output = output.substr(output.find("Scanning: "));  // after the start line

  char compacted[PROGRESS_BUFFER_SIZE];
  ConsoleOutput_CompactPath(compacted, 20, "C:\\a-rather-long-folder\\file.txt");
  ASSERT_EQ(19u, std::strlen(compacted)) << compacted;
  std::string expected = std::string("Scanning: ") + compacted + "\r" + "Scanning: C:\\b.txt" + std::string(11, ' ') +
                         "\r" + std::string(29, ' ') + "\r" + "A Vexlor.y infected file was found: C:\\b.txt\n" +
                         "Vexlor was found removed from the registry\n";
  EXPECT_EQ(expected, output);
}
