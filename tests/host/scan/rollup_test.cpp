// The roll-up of a folder of reports, built with the report writer itself: states, latest report, silence, CSV.
#include <gtest/gtest.h>

#include "rollup_table.h"
#include "scan_report.h"

namespace {

std::string Report(const std::string& machine, const std::string& ended, int exitCode, int findings, int left) {
  ScanRecord record;
  record.started = record.ended = ended;
  for (int i = 0; i < findings; ++i) {
    ScanFinding finding;
    finding.path = "C:\\f" + std::to_string(i);
    finding.action = i < left ? "would_remove" : "quarantined";
    record.findings.push_back(finding);
  }
  ReportContext context;
  context.machine = machine;
  context.exitCode = exitCode;
  return ScanReport_Build(record, context);
}

TEST(Rollup, EachMachineShowsItsLatestReportsState) {
  std::vector<RollupMachine> machines;
  Rollup_AddReport(&machines, Report("M2", "2026-12-10T08:00:00Z", 2, 3, 3), "M2.json");
  Rollup_AddReport(&machines, Report("M1", "2026-12-10T08:00:00Z", 0, 0, 0), "M1.json");
  Rollup_AddReport(&machines, Report("M3", "2026-12-10T09:00:00Z", 1, 2, 0), "M3.json");
  // An older report of M2 read after the newer one does not win; a newer one of M3 does.
  Rollup_AddReport(&machines, Report("M2", "2026-12-09T08:00:00Z", 0, 0, 0), "old.json");
  Rollup_AddReport(&machines, Report("M3", "2026-12-11T09:00:00Z", 3, 1, 1), "M3-new.json");
  Rollup_AddReport(&machines, "{\"schema\":\"purgewell-scan-report\",", "M4.json");
  Rollup_AddReport(&machines, Report("M5", "2026-11-01T00:00:00Z", 0, 0, 0), "M5.json");
  Rollup_AddReport(&machines, Report("M6", "2026-12-10T08:00:00Z", 5, 0, 0), "M6.json");
  Rollup_Finish(&machines, "2026-12-01");

  EXPECT_EQ("MACHINE                  STATE          LAST REPORT           FINDINGS  LEFT EXIT\n"
            "M1                       clean          2026-12-10T08:00:00Z         0     0    0\n"
            "M2                       left infected  2026-12-10T08:00:00Z         3     3    2\n"
            "M3                       incomplete     2026-12-11T09:00:00Z         1     1    3\n"
            "M4                       silent         -                            0     0   -1\n"
            "M5                       silent         2026-11-01T00:00:00Z         0     0    0\n"
            "M6                       incomplete     2026-12-10T08:00:00Z         0     0    5\n"
            "Machines: clean 1, cleaned 0, left infected 1, incomplete 2, silent 2, total 6\n",
            Rollup_Table(machines));
}

TEST(Rollup, UnreadableReportIsAnIncompleteRunWithoutSince) {
  std::vector<RollupMachine> machines;
  Rollup_AddReport(&machines, "not json", "PC-7.json");
  Rollup_AddReport(&machines, Report("PC-8", "2026-12-10T08:00:00Z", 1, 1, 0), "PC-8.json");
  Rollup_Finish(&machines, "");
  ASSERT_EQ(2u, machines.size());
  EXPECT_EQ("PC-7", machines[0].machine);
  EXPECT_EQ("incomplete", machines[0].state);
  EXPECT_EQ("cleaned", machines[1].state);
}

TEST(Rollup, CsvQuotesEveryTextField) {
  std::vector<RollupMachine> machines;
  Rollup_AddReport(&machines, Report("A,\"B\"", "2026-12-10T08:00:00Z", 0, 0, 0), "x.json");
  Rollup_Finish(&machines, "");
  EXPECT_EQ("machine,state,last_report,findings,left,exit_code\n"
            "\"A,\"\"B\"\"\",\"clean\",\"2026-12-10T08:00:00Z\",0,0,0\n",
            Rollup_Csv(machines));
}

struct ExitCase {
  const char* name;
  bool finished, stopped, driveUnwalkable;
  std::vector<std::string> actions;
  int expected;
};

void PrintTo(const ExitCase& exitCase, std::ostream* out) { *out << exitCase.name; }

class ExitCodes : public ::testing::TestWithParam<ExitCase> {};

TEST_P(ExitCodes, SumUpTheRun) {
  ScanRecord record;
  record.finished = GetParam().finished;
  record.stopped = GetParam().stopped;
  record.driveUnwalkable = GetParam().driveUnwalkable;
  for (const std::string& action : GetParam().actions) {
    ScanFinding finding;
    finding.action = action;
    record.findings.push_back(finding);
  }
  EXPECT_EQ(GetParam().expected, ScanReport_ExitCode(record));
}

const ExitCase EXIT_CASES[] = {
    {"Clean", true, false, false, {}, 0},
    {"AllActedOn", true, false, false, {"terminated", "deleted", "quarantined"}, 1},
    {"ReportOnly", true, false, false, {"would_terminate", "would_remove"}, 2},
    {"OneRemovalFailed", true, false, false, {"quarantined", "not_quarantined"}, 2},
    {"ProcessWouldNotDie", true, false, false, {"not_terminated", "quarantined"}, 2},
    {"Stopped", true, true, false, {}, 3},
    {"NeverFinished", false, false, false, {"quarantined"}, 3},
    {"DriveNotWalked", true, false, true, {}, 3},
};

INSTANTIATE_TEST_SUITE_P(ScanReport, ExitCodes, ::testing::ValuesIn(EXIT_CASES),
                         [](const ::testing::TestParamInfo<ExitCase>& info) { return info.param.name; });

}  // namespace
