// The console control handler's ignored and close events, the one end-of-run dialogue, and the progress
// line's width and compaction, on the real Win32 API.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>

#include "console_main.h"
#include "console_output.h"
#include "console_reporter.h"
#include "console_session.h"
#include "progress_refresh.h"
#include "finding_list.h"
#include "scan_events.h"
#include "signatures.h"

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

static std::atomic<bool> dialogueOver{false};
static std::atomic<bool> mainSawDialogueOver{false};

// The main thread's end of a run, on a Win32 thread (the programs' toolchain has no std::thread).
static DWORD WINAPI CloseSessionAsMainThread(LPVOID) {
  ConsoleSession_CloseAndWait();
  mainSawDialogueOver.store(dialogueOver.load());
  return 0;
}

// One run has one dialogue: a second Ctrl+C, or the scan's own finish arriving after a Ctrl+C, gets none;
// the main thread, done with the scan, waits until the Ctrl+C dialogue is over. (The session is process-wide
// and never reset, so the whole sequence is one test.)
TEST(ConsoleSession, OneDialoguePerRunAndTheProgramOutlastsIt) {
  ASSERT_TRUE(ConsoleSession_Init());
  EXPECT_TRUE(ConsoleSession_ClaimDialogueForCtrlC());
  EXPECT_FALSE(ConsoleSession_ClaimDialogueForCtrlC());
  EXPECT_FALSE(ConsoleSession_ClaimDialogueForScan());

  dialogueOver.store(false);
  mainSawDialogueOver.store(false);
  HANDLE mainThread = CreateThread(nullptr, 0, CloseSessionAsMainThread, nullptr, 0, nullptr);
  ASSERT_NE(nullptr, mainThread);
  dialogueOver.store(true);
  ConsoleSession_CtrlCDialogueDone();
  WaitForSingleObject(mainThread, INFINITE);
  CloseHandle(mainThread);
  EXPECT_TRUE(mainSawDialogueOver.load());
  EXPECT_FALSE(ConsoleSession_ClaimDialogueForCtrlC());
}

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
  tracesFound.store(0);
  testing::internal::CaptureStdout();
  ConsoleReporter(c.event, c.text, c.signature);
  fflush(stdout);
  EXPECT_EQ(c.output, testing::internal::GetCapturedStdout());
  EXPECT_EQ(c.listed, FindingList_Count());
  EXPECT_EQ(c.traces, tracesFound.load());
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
  progressWidth = 20;
  testing::internal::CaptureStdout();
  ConsoleReporter(SCAN_EV_STARTED, nullptr, nullptr);
  ConsoleReporter(SCAN_EV_PROGRESS, "C:\\a-rather-long-folder\\file.txt", nullptr);
  // The line is redrawn at most every PROGRESS_REFRESH_MS: the event right after one drawn is not shown.
  ConsoleReporter(SCAN_EV_PROGRESS, "C:\\not-shown.txt", nullptr);
  Sleep(PROGRESS_REFRESH_MS + 20);
  ConsoleReporter(SCAN_EV_PROGRESS, "C:\\b.txt", nullptr);
  ConsoleReporter(SCAN_EV_INFECTED_FILE, "C:\\b.txt", vexlorY);
  ConsoleReporter(SCAN_EV_REGISTRY_CLEANED, nullptr, nullptr);
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
