// PurgewellScan's reporter over the stand-in platform: each act is paired with the finding it names, a file is
// listed once whatever the case of its name, the quarantine's own files are skipped, and progress is throttled.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "scan_reporter.h"
#include "signatures.h"

namespace {

struct Reporting {
  ScanReporterState state;
  ScanRecord record;
  ScanReporter reporter;
};

void StartReporting(Reporting* reporting, bool quiet = true, const std::string& quarantine = "") {
  Fake_Reset();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  reporting->reporter = ScanReporter_Start(&reporting->state, &reporting->record, quiet, quarantine);
}

void Send(const Reporting& reporting, ScanEvent event, const char* text) {
  ScanReport(reporting.reporter, event, text, nullptr);
}

std::string Actions(const ScanRecord& record) {
  std::string actions;
  for (const ScanFinding& finding : record.findings) {
    actions += std::string(FINDING_KIND_NAMES[finding.kind]) + " " + finding.path + ": " +
               (finding.action.empty() ? "-" : finding.action) + "\n";
  }
  return actions;
}

TEST(ScanReporter, EachActGoesToTheFindingItNames) {
  Reporting reporting;
  StartReporting(&reporting);
  Fake_AddFile("C:\\a.exe", "a");
  Send(reporting, SCAN_EV_PROCESS_FOUND, "C:\\a.exe");
  Send(reporting, SCAN_EV_PROCESS_FOUND, "C:\\b.exe");
  Send(reporting, SCAN_EV_PROCESS_KILLED, "C:\\b.exe");
  Send(reporting, SCAN_EV_PROCESS_NOT_TERMINATED, "C:\\a.exe");
  Send(reporting, SCAN_EV_INFECTED_FILE, "C:\\a.exe");
  Send(reporting, SCAN_EV_RUN_VALUE_FOUND, "Tiny AV");
  Send(reporting, SCAN_EV_RUN_VALUE_FOUND, "SysMonXP");
  Send(reporting, SCAN_EV_REGISTRY_CLEANED, "Tiny AV");
  // A process found but not acted on (report only), whose file the walk then finds: the process keeps no action.
  Send(reporting, SCAN_EV_PROCESS_FOUND, "C:\\c.exe");
  Send(reporting, SCAN_EV_PROGRESS, "c.exe");
  Send(reporting, SCAN_EV_INFECTED_FILE, "C:\\c.exe");
  EXPECT_EQ("process C:\\a.exe: not_terminated\n"
            "process C:\\b.exe: terminated\n"
            "infected_file C:\\a.exe: -\n"
            "run_value Tiny AV: deleted\n"
            "run_value SysMonXP: -\n"
            "process C:\\c.exe: -\n"
            "infected_file C:\\c.exe: -\n",
            Actions(reporting.record));
  for (ScanFinding& finding : reporting.record.findings) FileRemoval_Release(&finding.examined);
}

TEST(ScanReporter, AFileIsListedOnceWhateverItsNamesCase) {
  Reporting reporting;
  StartReporting(&reporting, true, "C:\\Q");
  Send(reporting, SCAN_EV_DROPPED_FILE, "C:\\Windows\\fooding.exe");
  ScanReport(reporting.reporter, SCAN_EV_INFECTED_FILE, "C:\\WINDOWS\\FOODING.EXE", &SignatureTable[0]);
  Send(reporting, SCAN_EV_INFECTED_FILE, "C:\\q\\1.body");
  Send(reporting, SCAN_EV_INFECTED_FILE, "C:\\qq\\x.exe");
  EXPECT_EQ("dropped_file C:\\Windows\\fooding.exe: -\ninfected_file C:\\qq\\x.exe: -\n", Actions(reporting.record));
  EXPECT_EQ(SignatureTable[0].variantName, reporting.record.findings[0].variant) << "the second stage's variant";
  EXPECT_EQ(1u, reporting.record.skipped[SKIP_IN_QUARANTINE]);
  for (ScanFinding& finding : reporting.record.findings) FileRemoval_Release(&finding.examined);
}

TEST(ScanReporter, ProgressIsShownAtMostOnceASecond) {
  Reporting reporting;
  StartReporting(&reporting, false);
  testing::internal::CaptureStderr();
  Send(reporting, SCAN_EV_PROGRESS, "first");
  Fake_AdvanceTicks(999);
  Send(reporting, SCAN_EV_PROGRESS, "too soon");
  Fake_AdvanceTicks(1);
  Send(reporting, SCAN_EV_PROGRESS, "a second later");
  EXPECT_EQ("Scanning (1 examined): first\nScanning (3 examined): a second later\n",
            testing::internal::GetCapturedStderr());
  EXPECT_EQ(3u, reporting.record.examined);
}

}  // namespace
