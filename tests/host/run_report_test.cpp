// The texts both programs show and the findings rule, with fixed times: exact lines, cut lines, which events
// are listed and which count as traces; the progress refresh against a scripted tick count.
#include <gtest/gtest.h>

#include <string>

#include "event_recorder.h"
#include "finding_list.h"
#include "progress_refresh.h"
#include "run_report.h"
#include "signatures.h"

namespace {

struct TimeLineCase {
  const char* name;
  RunLine which;
  RunTime time;
  const char* line;
};

void PrintTo(const TimeLineCase& c, std::ostream* out) { *out << c.name; }

class TimeLines : public testing::TestWithParam<TimeLineCase> {};

TEST_P(TimeLines, ShowTheGivenMoment) {
  const TimeLineCase& c = GetParam();
  char line[RUN_REPORT_LINE_SIZE];
  RunReport_TimeLine(line, sizeof line, c.which, c.time);
  EXPECT_STREQ(c.line, line);
}

INSTANTIATE_TEST_SUITE_P(
    Moments, TimeLines,
    testing::Values(
        TimeLineCase{"Started", RUN_LINE_STARTED, {9, 5, 7, 6, 12, 2026},
                     "--- Removal process started at 09:05:07 on 6 December 2026 ---"},
        TimeLineCase{"FinishedJustBeforeMidnight", RUN_LINE_FINISHED, {23, 59, 59, 31, 12, 2026},
                     "--- Removal process finished at 23:59:59 on 31 December 2026 ---"},
        TimeLineCase{"StoppedAtMidnight", RUN_LINE_STOPPED, {0, 0, 0, 1, 1, 2027},
                     "--- Removal process stopped at 00:00:00 on 1 January 2027 ---"},
        TimeLineCase{"MonthOutOfRangeHasNoName", RUN_LINE_STARTED, {12, 0, 0, 1, 13, 2026},
                     "--- Removal process started at 12:00:00 on 1  2026 ---"},
        TimeLineCase{"MonthZeroHasNoName", RUN_LINE_STARTED, {12, 0, 0, 1, 0, 2026},
                     "--- Removal process started at 12:00:00 on 1  2026 ---"}),
    [](const testing::TestParamInfo<TimeLineCase>& info) { return std::string(info.param.name); });

TEST(TimeLines, AreCutToTheirBuffer) {
  char line[12];
  RunReport_TimeLine(line, sizeof line, RUN_LINE_STOPPED, RunTime{1, 2, 3, 4, 5, 2026});
  EXPECT_STREQ("--- Removal", line);
}

struct TraceCase {
  const char* name;
  ScanEvent event;
  const char* text;
  const ThreatSignature* signature;
  const char* line;  // null: no line
  int32_t listed;    // findings the rule adds
  int32_t traces;    // tracesFound afterwards, from 0
};

void PrintTo(const TraceCase& c, std::ostream* out) { *out << c.name; }

class TraceEvents : public testing::TestWithParam<TraceCase> {};

// The line each event shows, whether its file enters the findings list and whether it counts as a trace.
TEST_P(TraceEvents, LineListAndTraceFlag) {
  const TraceCase& c = GetParam();
  char line[RUN_REPORT_LINE_SIZE] = "untouched";
  bool shown = RunReport_TraceLine(line, sizeof line, c.event, c.text, c.signature);
  if (c.line != nullptr) {
    EXPECT_TRUE(shown);
    EXPECT_STREQ(c.line, line);
  } else {
    EXPECT_FALSE(shown);
    EXPECT_STREQ("untouched", line);
  }

  FindingList_Clear();
  RunRecord record;
  RunRecord_Start(&record);
  RunRecord_Note(&record, c.event, c.text);
  EXPECT_EQ(c.listed, FindingList_Count());
  EXPECT_EQ(c.traces, record.tracesFound.load());
  FindingList_Clear();
}

const ThreatSignature* const vexlorY = &SignatureTable[22];

INSTANTIATE_TEST_SUITE_P(
    Events, TraceEvents,
    testing::Values(
        TraceCase{"ProcessKilled", SCAN_EV_PROCESS_KILLED, nullptr, vexlorY,
                  "Vexlor.y was found and terminated in memory", 0, 1},
        TraceCase{"ProcessKilledWithoutSignature", SCAN_EV_PROCESS_KILLED, nullptr, nullptr,
                  "Vexlor was found and terminated in memory", 0, 1},
        TraceCase{"InfectedFile", SCAN_EV_INFECTED_FILE, "D:\\a\\b.exe", vexlorY,
                  "A Vexlor.y infected file was found: D:\\a\\b.exe", 1, 1},
        TraceCase{"InfectedFileWithoutPath", SCAN_EV_INFECTED_FILE, nullptr, vexlorY, nullptr, 0, 0},
        TraceCase{"DroppedFile", SCAN_EV_DROPPED_FILE, "C:\\windows\\zip1.tmp", nullptr,
                  "A Vexlor infected file was found: C:\\windows\\zip1.tmp", 1, 1},
        TraceCase{"RegistryCleaned", SCAN_EV_REGISTRY_CLEANED, nullptr, nullptr,
                  "Vexlor was found removed from the registry", 0, 1},
        TraceCase{"LogFile", SCAN_EV_LOG_FILE, "C:\\windows\\pk_zip1.log", nullptr,
                  "A file dropped by Vexlor was found: C:\\windows\\pk_zip1.log", 1, 1},
        TraceCase{"LogFileWithoutPath", SCAN_EV_LOG_FILE, nullptr, nullptr, nullptr, 0, 0},
        TraceCase{"Progress", SCAN_EV_PROGRESS, "D:\\a\\b.exe", nullptr, nullptr, 0, 0},
        TraceCase{"Started", SCAN_EV_STARTED, nullptr, nullptr, nullptr, 0, 0},
        TraceCase{"Finished", SCAN_EV_FINISHED, nullptr, nullptr, nullptr, 0, 0},
        TraceCase{"Stopped", SCAN_EV_STOPPED, nullptr, nullptr, nullptr, 0, 0},
        TraceCase{"UnknownCode", 1065, "D:\\x.exe", vexlorY, nullptr, 0, 0}),
    [](const testing::TestParamInfo<TraceCase>& info) { return std::string(info.param.name); });

// A path line cut to its buffer is still terminated; the file is listed whole.
TEST(TraceEvents, LongPathLineIsCutButListedWhole) {
  std::string path = "D:\\" + std::string(700, 'p') + ".exe";
  char line[RUN_REPORT_LINE_SIZE];
  ASSERT_TRUE(RunReport_TraceLine(line, sizeof line, SCAN_EV_INFECTED_FILE, path.c_str(), vexlorY));
  EXPECT_EQ(static_cast<size_t>(RUN_REPORT_LINE_SIZE - 1), std::string(line).size());
  EXPECT_EQ(0u, std::string(line).rfind("A Vexlor.y infected file was found: D:\\ppp", 0));
}

// The line the programs show carries the whole path, at every length a walk can reach.
TEST(TraceEvents, MadeLineShowsTheWholePath) {
  for (size_t length : {size_t{1}, size_t{519}, size_t{520}, size_t{700}, size_t{98000}}) {
    std::string path = "D:\\" + std::string(length, 'p');
    TraceLine line;
    ASSERT_TRUE(RunReport_MakeTraceLine(&line, SCAN_EV_INFECTED_FILE, path.c_str(), vexlorY)) << length;
    EXPECT_EQ("A Vexlor.y infected file was found: " + path, std::string(line.text)) << "path length " << length;
    RunReport_FreeTraceLine(&line);
    ASSERT_TRUE(RunReport_MakeTraceLine(&line, SCAN_EV_LOG_FILE, path.c_str(), nullptr)) << length;
    EXPECT_EQ("A file dropped by Vexlor was found: " + path, std::string(line.text)) << "path length " << length;
    RunReport_FreeTraceLine(&line);
  }
  TraceLine none;
  EXPECT_FALSE(RunReport_MakeTraceLine(&none, SCAN_EV_PROGRESS, "D:\\x.exe", nullptr));
  RunReport_FreeTraceLine(&none);
}

TEST(RunRecord, StartClearsTheTraceFlag) {
  FindingList_Clear();
  RunRecord record;
  RunRecord_Start(&record);
  RunRecord_Note(&record, SCAN_EV_REGISTRY_CLEANED, nullptr);
  ASSERT_EQ(1, record.tracesFound.load());
  RunRecord_Start(&record);
  EXPECT_EQ(0, record.tracesFound.load());
}

TEST(RemovalTexts, QuestionResultAndOutcomes) {
  char line[RUN_REPORT_LINE_SIZE];
  RunReport_RemovalQuestion(line, sizeof line, 2);
  EXPECT_STREQ("Vexlor was found in 2 files on your PC. Would you like to remove the infected files?", line);
  RunReport_RemovalResult(line, sizeof line, FindingRemoval{2, 3});
  EXPECT_STREQ("2 out of 3 files were successfully removed!", line);
  EXPECT_STREQ("Vexlor-traces was found and removed from your computer!", RunReport_EmptyListOutcome(true));
  EXPECT_STREQ("Vexlor was not found on your computer!", RunReport_EmptyListOutcome(false));
  EXPECT_STREQ("Warning! Your computer may still be infected by Vexlor. Are you sure you want to continue?",
               RUN_TEXT_NOT_SURE);
}

struct RefreshCase {
  const char* name;
  std::vector<uint32_t> ticks;
  std::vector<bool> due;
};

void PrintTo(const RefreshCase& c, std::ostream* out) { *out << c.name; }

class Refresh : public testing::TestWithParam<RefreshCase> {};

// The first event of a scan is shown, then one at most every PROGRESS_REFRESH_MS of the given clock.
TEST_P(Refresh, DueAtMostEveryInterval) {
  const RefreshCase& c = GetParam();
  ProgressRefresh refresh;
  ProgressRefresh_Reset(&refresh);
  std::vector<bool> due;
  for (uint32_t tick : c.ticks) due.push_back(ProgressRefresh_IsDue(&refresh, tick));
  EXPECT_EQ(c.due, due);
}

INSTANTIATE_TEST_SUITE_P(
    Clocks, Refresh,
    testing::Values(RefreshCase{"FirstThenEveryInterval", {1000, 1001, 1039, 1040, 1079, 1080},
                                {true, false, false, true, false, true}},
                    RefreshCase{"SameTickOnlyOnce", {5, 5, 5}, {true, false, false}},
                    RefreshCase{"AcrossTheCounterWrap", {0xFFFFFFF0u, 0xFFFFFFFFu, 0x17u, 0x18u},
                                {true, false, false, true}},
                    RefreshCase{"LongPauseThenAtOnce", {100, 100000}, {true, true}}),
    [](const testing::TestParamInfo<RefreshCase>& info) { return std::string(info.param.name); });

TEST(Refresh, ResetShowsTheNextScansFirstEventAtOnce) {
  ProgressRefresh refresh;
  ProgressRefresh_Reset(&refresh);
  ASSERT_TRUE(ProgressRefresh_IsDue(&refresh, 500));
  ProgressRefresh_Reset(&refresh);
  EXPECT_TRUE(ProgressRefresh_IsDue(&refresh, 501));
}

}  // namespace
