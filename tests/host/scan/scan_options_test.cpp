// PurgewellScan's switches: what each command line selects, and the reason a bad one is refused.
#include <gtest/gtest.h>

#include <vector>

#include "scan_options.h"

namespace {

struct CommandLineCase {
  const char* name;
  std::vector<const char*> arguments;
  bool accepted;
  int task;
  int removal;
  const char* detail;  // the value the case is about, or the reason of a refusal
};

void PrintTo(const CommandLineCase& lineCase, std::ostream* out) { *out << lineCase.name; }

class CommandLines : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLines, SelectOrRefuse) {
  const CommandLineCase& lineCase = GetParam();
  std::vector<const char*> argv = {"PurgewellScan.exe"};
  argv.insert(argv.end(), lineCase.arguments.begin(), lineCase.arguments.end());
  ScanOptions options;
  std::string error;
  bool accepted = ScanOptions_Parse(static_cast<int>(argv.size()), argv.data(), &options, &error);

  ASSERT_EQ(lineCase.accepted, accepted) << error;
  if (!accepted) {
    EXPECT_EQ(lineCase.detail, error);
    return;
  }
  EXPECT_EQ(lineCase.task, options.task);
  EXPECT_EQ(lineCase.removal, options.removal);
  std::string values = options.reportPath + "|" + options.quarantineDirectory + "|" + options.restoreId + "|" +
                       options.rollupDirectory + "|" + options.since + "|" + options.csvPath +
                       (options.note.empty() ? "" : "|" + options.note);
  EXPECT_EQ(lineCase.detail, values);
}

const CommandLineCase COMMAND_LINES[] = {
    {"NoSwitchIsReportOnly", {}, true, TASK_SCAN, REMOVAL_NONE, "|||||"},
    {"RemoveWithValues", {"/remove", "/report:\\\\srv\\r\\m1.json", "/quarantine:D:\\q:x"}, true, TASK_SCAN,
     REMOVAL_QUARANTINE, "\\\\srv\\r\\m1.json|D:\\q:x||||"},
    {"NamesIgnoreCaseAndDashWorks", {"-DELETE", "/Quiet"}, true, TASK_SCAN, REMOVAL_DELETE, "|||||"},
    {"RemoveTwiceIsStillRemove", {"/remove", "/remove"}, true, TASK_SCAN, REMOVAL_QUARANTINE, "|||||"},
    {"List", {"/list", "/quarantine:Q"}, true, TASK_LIST, REMOVAL_NONE, "|Q||||"},
    {"RestoreAll", {"/restore:all"}, true, TASK_RESTORE, REMOVAL_NONE, "||all|||"},
    {"Rollup", {"/rollup:\\\\srv\\r", "/since:2026-12-01", "/csv:r.csv"}, true, TASK_ROLLUP, REMOVAL_NONE,
     "|||\\\\srv\\r|2026-12-01|r.csv"},
    {"NoteKeepsItsColonsAndSpaces", {"/remove", "/note:certutil is missing: run unchecked"}, true, TASK_SCAN,
     REMOVAL_QUARANTINE, "||||||certutil is missing: run unchecked"},
    {"NoteWithList", {"/list", "/note:x"}, false, 0, 0, "/note belongs to a scan only"},
    {"Help", {"/?"}, true, TASK_HELP, REMOVAL_NONE, "|||||"},
    {"UnknownSwitch", {"/bogus"}, false, 0, 0, "unknown switch /bogus"},
    {"UnknownSwitchWithValue", {"/bogus:1"}, false, 0, 0, "unknown switch /bogus"},
    {"FlagGivenAValue", {"/remove:yes"}, false, 0, 0, "unknown switch /remove"},
    {"NotASwitch", {"C:\\"}, false, 0, 0, "not a switch: C:\\"},
    {"LoneSlash", {"/"}, false, 0, 0, "not a switch: /"},
    {"EmptyValue", {"/report:"}, false, 0, 0, "/report needs a value after ':'"},
    {"RemoveAndDelete", {"/remove", "/delete"}, false, 0, 0, "/remove and /delete exclude each other"},
    {"TwoTasks", {"/list", "/restore:all"}, false, 0, 0, "/list, /restore, /rollup and /? exclude each other"},
    {"RemoveWithList", {"/list", "/remove"}, false, 0, 0, "/remove, /delete and /report belong to a scan only"},
    {"TrustWithoutRollup", {"/remove", "/trust:CORP\\ansible"}, false, 0, 0, "/trust belongs to /rollup only"},
    {"SinceWithoutRollup", {"/since:2026-01-01"}, false, 0, 0, "/since and /csv belong to /rollup only"},
    {"QuarantineWithRollup", {"/rollup:R", "/quarantine:Q"}, false, 0, 0, "/quarantine does not belong to /rollup"},
};

INSTANTIATE_TEST_SUITE_P(ScanOptions, CommandLines, ::testing::ValuesIn(COMMAND_LINES),
                         [](const ::testing::TestParamInfo<CommandLineCase>& info) { return info.param.name; });

}  // namespace
