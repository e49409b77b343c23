// The roll-up of a folder of reports, built with the report writer itself: states, latest report, silence, CSV.
#include <gtest/gtest.h>

#include "exit_codes.h"
#include "fake_platform.h"
#include "rollup.h"
#include "rollup_table.h"
#include "scan_options.h"
#include "scan_report.h"

namespace {

const RollupTrust TRUST = {"2026-12-12T00:00:00Z", ""};

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
  Rollup_AddReport(&machines, Report("M2", "2026-12-10T08:00:00Z", 2, 3, 3), "M2.json", "CORP\\M2$", TRUST);
  Rollup_AddReport(&machines, Report("M1", "2026-12-10T08:00:00Z", 0, 0, 0), "M1.json", "CORP\\M1$", TRUST);
  Rollup_AddReport(&machines, Report("M3", "2026-12-10T09:00:00Z", 1, 2, 0), "M3.json", "CORP\\M3$", TRUST);
  // An older report of M2 read after the newer one does not win; a newer one of M3 does.
  Rollup_AddReport(&machines, Report("M2", "2026-12-09T08:00:00Z", 0, 0, 0), "old.json", "CORP\\M2$", TRUST);
  Rollup_AddReport(&machines, Report("M3", "2026-12-11T09:00:00Z", 3, 1, 1), "M3-new.json", "CORP\\M3$", TRUST);
  Rollup_AddReport(&machines, "{\"schema\":\"purgewell-scan-report\",", "M4.json", "CORP\\M4$", TRUST);
  Rollup_AddReport(&machines, Report("M5", "2026-11-01T00:00:00Z", 0, 0, 0), "M5.json", "CORP\\M5$", TRUST);
  Rollup_AddReport(&machines, Report("M6", "2026-12-10T08:00:00Z", 5, 0, 0), "M6.json", "CORP\\M6$", TRUST);
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
  Rollup_AddReport(&machines, "not json", "PC-7.json", "CORP\\PC-7$", TRUST);
  Rollup_AddReport(&machines, Report("PC-8", "2026-12-10T08:00:00Z", 1, 1, 0), "PC-8.json", "CORP\\PC-8$", TRUST);
  Rollup_Finish(&machines, "");
  ASSERT_EQ(2u, machines.size());
  EXPECT_EQ("PC-7", machines[0].machine);
  EXPECT_EQ("incomplete", machines[0].state);
  EXPECT_EQ("cleaned", machines[1].state);
}

TEST(Rollup, CsvQuotesEveryTextField) {
  std::vector<RollupMachine> machines;
  Rollup_AddReport(&machines, Report("A,\"B\"", "2026-12-10T08:00:00Z", 0, 0, 0), "x.json", "CORP\\A,\"B\"$", TRUST);
  Rollup_Finish(&machines, "");
  EXPECT_EQ("machine,state,last_report,findings,left,exit_code,report,owner\n"
            "\"A,\"\"B\"\"\",\"clean\",\"2026-12-10T08:00:00Z\",0,0,0,\"x.json\",\"CORP\\A,\"\"B\"\"$\"\n",
            Rollup_Csv(machines));
}

// The owner rule over the platform: a folder of reports on the stand-in machine, each file with its owner, rolled
// up as the program does it (the roll-up begins at the stand-in's clock, 2026-12-10T14:25:41Z).
struct OwnerCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> owned;  // report file and its owner ("" for none)
  const char* trust;                                       // /trust's account, "" for none
  std::string table;                                       // the printed table, without its header
};

void PrintTo(const OwnerCase& ownerCase, std::ostream* out) { *out << ownerCase.name; }

const char* const HEADER = "MACHINE                  STATE          LAST REPORT           FINDINGS  LEFT EXIT\n";

// The reports of the cases: PC-1 clean, PC-2 left infected, and a forgery saying PC-2 is clean, from later.
std::string CaseReport(const std::string& file) {
  if (file == "PC-1.json") return Report("PC-1", "2026-12-10T08:00:00Z", 0, 0, 0);
  if (file == "PC-2.json") return Report("PC-2", "2026-12-10T08:00:00Z", 2, 1, 1);
  if (file == "future.json") return Report("PC-1", "2099-01-01T00:00:00Z", 0, 0, 0);
  return Report("PC-2", "2026-12-10T09:00:00Z", 0, 0, 0);
}

const OwnerCase OWNER_CASES[] = {
    {"OwnerIsTheMachine", {{"PC-1.json", "CORP\\PC-1$"}}, "",
     "PC-1                     clean          2026-12-10T08:00:00Z         0     0    0\n"
     "Machines: clean 1, cleaned 0, left infected 0, incomplete 0, silent 0, total 1\n"},
    {"OwnerIsAnotherMachine", {{"PC-2.json", "CORP\\PC-2$"}, {"zz.json", "CORP\\PC-1$"}}, "",
     "PC-2                     left infected  2026-12-10T08:00:00Z         1     1    2\n"
     "Machines: clean 0, cleaned 0, left infected 1, incomplete 0, silent 0, total 1\n"
     "Untrusted reports (counted for no machine):\n"
     "  zz.json (owner CORP\\PC-1$, says PC-2): its file's owner is not PC-2$\n"},
    {"OwnerIsAUser", {{"zz.json", "CORP\\alice"}}, "",
     "Machines: clean 0, cleaned 0, left infected 0, incomplete 0, silent 0, total 0\n"
     "Untrusted reports (counted for no machine):\n"
     "  zz.json (owner CORP\\alice, says PC-2): its file's owner is not PC-2$\n"},
    {"NoOwner", {{"PC-1.json", ""}}, "",
     "Machines: clean 0, cleaned 0, left infected 0, incomplete 0, silent 0, total 0\n"
     "Untrusted reports (counted for no machine):\n"
     "  PC-1.json (owner unknown, says PC-1): its file's owner cannot be read\n"},
    {"EndedAfterTheRollupBegan", {{"PC-1.json", "CORP\\PC-1$"}, {"future.json", "CORP\\PC-1$"}}, "",
     "PC-1                     clean          2026-12-10T08:00:00Z         0     0    0\n"
     "Machines: clean 1, cleaned 0, left infected 0, incomplete 0, silent 0, total 1\n"
     "Untrusted reports (counted for no machine):\n"
     "  future.json (owner CORP\\PC-1$, says PC-1): it says it ended after this roll-up began\n"},
    {"TwoOwnersForOneMachine", {{"PC-2.json", "CORP\\PC-2$"}, {"PC-2-again.json", "OTHER\\PC-1$"}}, "",
     "PC-2                     left infected  2026-12-10T08:00:00Z         1     1    2\n"
     "Machines: clean 0, cleaned 0, left infected 1, incomplete 0, silent 0, total 1\n"
     "Untrusted reports (counted for no machine):\n"
     "  PC-2-again.json (owner OTHER\\PC-1$, says PC-2): its file's owner is not PC-2$\n"},
    {"TrustedGathererByFullName", {{"PC-2.json", "CORP\\ansible"}, {"zz.json", "CORP\\ansible"}}, "corp\\ANSIBLE",
     "PC-2                     clean          2026-12-10T09:00:00Z         0     0    0\n"
     "Machines: clean 1, cleaned 0, left infected 0, incomplete 0, silent 0, total 1\n"},
    {"TrustedGathererByNameAlone", {{"PC-1.json", "CORP\\ansible"}}, "ansible",
     "PC-1                     clean          2026-12-10T08:00:00Z         0     0    0\n"
     "Machines: clean 1, cleaned 0, left infected 0, incomplete 0, silent 0, total 1\n"},
    {"GathererOfAnotherDomainIsNotTrusted", {{"PC-1.json", "EVIL\\ansible"}}, "CORP\\ansible",
     "Machines: clean 0, cleaned 0, left infected 0, incomplete 0, silent 0, total 0\n"
     "Untrusted reports (counted for no machine):\n"
     "  PC-1.json (owner EVIL\\ansible, says PC-1): its file's owner is not PC-1$\n"},
};

class OwnerRule : public ::testing::TestWithParam<OwnerCase> {};

TEST_P(OwnerRule, OnlyTheMachinesOwnReportsCount) {
  Fake_Reset();
  Fake_AddDrive("N:\\", PLATFORM_DRIVE_REMOTE);
  Fake_AddDirectory("N:\\reports");
  for (const auto& owned : GetParam().owned) {
    std::string path = "N:\\reports\\" + owned.first;
    Fake_AddFile(path, CaseReport(owned.first));
    Fake_SetOwner(path, owned.second);
  }
  const char* arguments[] = {"PurgewellScan", "/rollup:N:\\reports", "/csv:N:\\rollup.csv", nullptr, nullptr};
  std::string trust = std::string("/trust:") + GetParam().trust;
  if (*GetParam().trust != '\0') arguments[3] = trust.c_str();
  ScanOptions options;
  std::string error;
  ASSERT_TRUE(ScanOptions_Parse(arguments[3] != nullptr ? 4 : 3, arguments, &options, &error)) << error;
  testing::internal::CaptureStdout();
  int code = Rollup_Run(options);
  std::string shown = testing::internal::GetCapturedStdout();
  EXPECT_EQ(EXIT_CLEAN, code);
  EXPECT_EQ(HEADER + GetParam().table, shown);
  // The CSV has a row of its own for each untrusted report, with its state, file and owner.
  std::string csv = Fake_Contents("N:\\rollup.csv");
  for (const auto& owned : GetParam().owned) {
    if (GetParam().table.find("  " + owned.first + " (") == std::string::npos) continue;
    std::string row = "\"untrusted\",";
    EXPECT_NE(std::string::npos, csv.find(row)) << csv;
    EXPECT_NE(std::string::npos, csv.find("\"" + owned.first + "\",\"" + owned.second + "\"\n")) << csv;
  }
  EXPECT_EQ(0, Fake_OpenHandles());
}

INSTANTIATE_TEST_SUITE_P(Rollup, OwnerRule, ::testing::ValuesIn(OWNER_CASES),
                         [](const ::testing::TestParamInfo<OwnerCase>& info) { return info.param.name; });

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
