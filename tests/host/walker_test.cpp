// The drive walker: what it reports, in which order, and where it stops.
#include <gtest/gtest.h>
#include <pthread.h>

#include "crc_forge.h"
#include "event_recorder.h"
#include "fake_platform.h"
#include "walker.h"

namespace {

const uint32_t VEXLOR_Y = 0xB566B395u;

void Walk(const char* directory) {
  WalkRequest walk = {directory, RecordEvent, nullptr};
  WalkDirectory(&walk);
}

typedef void (*MachineSetup)();

struct WalkCase {
  const char* name;
  MachineSetup setup;
  const char* root;
  std::vector<std::string> expected;
};

void PrintTo(const WalkCase& walkCase, std::ostream* out) { *out << walkCase.name; }

class WalkCases : public ::testing::TestWithParam<WalkCase> {};

TEST_P(WalkCases, ReportsExactlyTheseEvents) {
  StartRecording();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  GetParam().setup();
  Walk(GetParam().root);
  EXPECT_EQ(GetParam().expected, recordedEvents);
  EXPECT_EQ(0, Fake_OpenHandles());
}

// The same walk with its files read by a pool of four threads, the reads finishing out of order.
TEST_P(WalkCases, ReportsTheSameEventsWhenAPoolReadsOutOfOrder) {
  StartRecording();
  Fake_SetCpuCount(4);
  Fake_ScrambleReads(true);
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  GetParam().setup();
  Walk(GetParam().root);
  EXPECT_EQ(GetParam().expected, recordedEvents);
  EXPECT_EQ(0, Fake_OpenHandles());
  EXPECT_EQ(4, Fake_CallCount("StartThread"));
}

const WalkCase WALK_CASES[] = {
    {"SizeLimitIsInclusive",
     [] {
       Fake_AddFile("C:\\limit.exe", ForgeCrc32(std::string(41984 - 4, 'a'), VEXLOR_Y));
       Fake_AddFile("C:\\over.exe", ForgeCrc32(std::string(41985 - 4, 'a'), VEXLOR_Y));
     },
     "C:\\",
     {"INFECTED Vexlor.y C:\\limit.exe", "PROGRESS C:\\limit.exe", "PROGRESS C:\\over.exe"}},
    {"DotNamesAreSilentEvenWhenInfected",
     [] {
       Fake_AddFile("C:\\.hidden.exe", ForgeCrc32("x", VEXLOR_Y));
       Fake_AddFile("C:\\.dir\\inside.exe", ForgeCrc32("x", VEXLOR_Y));
       Fake_AddFile("C:\\plain.txt", "text");
     },
     "C:\\",
     {"PROGRESS C:\\plain.txt"}},
    {"NestedMatchHasSingleBackslashesFromADriveRoot",
     [] { Fake_AddFile("C:\\one\\two\\v.exe", ForgeCrc32("body", 0x7278A0B5u)); },
     "C:\\",
     {"INFECTED Vexlor.a C:\\one\\two\\v.exe", "PROGRESS C:\\one\\two\\v.exe"}},
    {"RootWithoutTrailingBackslash",
     [] { Fake_AddFile("C:\\dir\\f.txt", "x"); },
     "C:\\dir",
     {"PROGRESS C:\\dir\\f.txt"}},
    {"EmptyAndUnlistableDirectoriesAreSilent",
     [] {
       Fake_AddDirectory("C:\\empty");
       Fake_AddFile("C:\\locked\\secret.exe", ForgeCrc32("x", VEXLOR_Y));
       Fake_Fail("FindFirst", "C:\\locked\\*");
     },
     "C:\\",
     {}},
    {"FilesThatCannotBeReadStillGiveProgress",
     [] {
       Fake_AddFile("C:\\in-use.exe", ForgeCrc32("x", VEXLOR_Y));
       Fake_AddFile("C:\\empty.exe", "");
       Fake_Fail("OpenForChecksum", "C:\\in-use.exe");
     },
     "C:\\",
     {"PROGRESS C:\\in-use.exe", "PROGRESS C:\\empty.exe"}},
    {"ListingOrderIsKept",
     [] {
       Fake_AddFile("C:\\b.txt", "1");
       Fake_AddFile("C:\\sub\\x.txt", "2");
       Fake_AddFile("C:\\a.txt", "3");
     },
     "C:\\",
     {"PROGRESS C:\\b.txt", "PROGRESS C:\\sub\\x.txt", "PROGRESS C:\\a.txt"}},
    {"LinkToAnAncestorIsNotWalkedAgain",
     [] {
       Fake_AddFile("C:\\a\\v.exe", ForgeCrc32("x", VEXLOR_Y));
       Fake_AddLink("C:\\a\\b\\loop", "C:\\a");
     },
     "C:\\",
     {"INFECTED Vexlor.y C:\\a\\v.exe", "PROGRESS C:\\a\\v.exe"}},
    {"LoopThroughTwoLinksIsCut",
     [] {
       Fake_AddFile("C:\\a\\f.txt", "1");
       Fake_AddFile("C:\\b\\g.txt", "2");
       Fake_AddLink("C:\\a\\to-b", "C:\\b");
       Fake_AddLink("C:\\b\\to-a", "C:\\a");
     },
     "C:\\a",
     {"PROGRESS C:\\a\\f.txt", "PROGRESS C:\\a\\to-b\\g.txt"}},
    {"LinkElsewhereIsFollowed",
     [] {
       Fake_AddFile("C:\\data\\f.txt", "1");
       Fake_AddLink("C:\\walk\\data-link", "C:\\data");
     },
     "C:\\walk",
     {"PROGRESS C:\\walk\\data-link\\f.txt"}},
    {"DevicesAndEmptyEntriesAreNeverRead",
     [] {
       Fake_AddFile("C:\\dev\\aux.log", ForgeCrc32("x", VEXLOR_Y));
       Fake_AddDevice("C:\\dev\\aux.log");  // lists with a size, opens as a serial port
       Fake_AddDevice("C:\\dev\\con");      // lists as empty
       Fake_AddFile("C:\\dev\\v.exe", ForgeCrc32("x", VEXLOR_Y));
     },
     "C:\\",
     {"PROGRESS C:\\dev\\aux.log", "PROGRESS C:\\dev\\con", "INFECTED Vexlor.y C:\\dev\\v.exe",
      "PROGRESS C:\\dev\\v.exe"}},
    {"FileThatFailsPartWayGivesNoFinding",
     [] {
       Fake_AddFile("C:\\torn.exe", ForgeCrc32(std::string(9000, 't'), VEXLOR_Y));
       Fake_Fail("ReadFile", "C:\\torn.exe", 2);
       Fake_AddFile("C:\\grown.exe", ForgeCrc32(std::string(9000, 'g'), VEXLOR_Y));
       Fake_GrowOnRead("C:\\grown.exe", 2, "tail");
     },
     "C:\\",
     {"PROGRESS C:\\torn.exe", "PROGRESS C:\\grown.exe"}},
    {"TwoLinksToOneFolderOutsideTheWalkAreWalkedOnce",
     [] {
       Fake_AddFile("C:\\elsewhere\\v.exe", ForgeCrc32("x", VEXLOR_Y));
       Fake_AddLink("C:\\walk\\one", "C:\\elsewhere");
       Fake_AddLink("C:\\walk\\two", "C:\\elsewhere");
     },
     "C:\\walk",
     {"INFECTED Vexlor.y C:\\walk\\one\\v.exe", "PROGRESS C:\\walk\\one\\v.exe"}},
};

INSTANTIATE_TEST_SUITE_P(Walker, WalkCases, ::testing::ValuesIn(WALK_CASES),
                         [](const ::testing::TestParamInfo<WalkCase>& info) { return std::string(info.param.name); });

TEST(Walker, PathsPastMaxPathAreWalkedAndOnesPastThePlatformLimitAreSkippedNotCut) {
  StartRecording();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  std::string deep = "C:";
  for (int i = 0; i < 3; ++i) deep += "\\" + std::string(200, 'd');  // 603 characters
  Fake_AddFile(deep + "\\v.exe", ForgeCrc32("x", VEXLOR_Y));
  // 32,767 UTF-16 units is the wide calls' limit, the \\?\ before the path included.
  std::string tooDeep = "C:\\t";
  while (tooDeep.size() < PLATFORM_MAX_WIDE_PATH - 12) tooDeep += "\\" + std::string(100, 't');
  Fake_AddFile(tooDeep + "\\v.exe", ForgeCrc32("x", VEXLOR_Y));
  Walk("C:\\");
  EXPECT_EQ((std::vector<std::string>{"INFECTED Vexlor.y " + deep + "\\v.exe", "PROGRESS " + deep + "\\v.exe"}),
            recordedEvents);
  EXPECT_EQ(0, Fake_OpenHandles());
}

// The scan's excluded folder (PurgewellScan's quarantine) is not entered, whatever the case of its name; a
// folder whose name only begins the same is walked. In the unattended settings the folder is a skip of its own.
TEST(Walker, ExcludedFolderIsNotEntered) {
  for (int32_t actions : {SCAN_ACTIONS_INTERACTIVE, SCAN_ACTIONS_UNATTENDED}) {
    StartRecording();
    Recording_SetActions(actions);
    Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
    Fake_AddFile("C:\\ProgramData\\Q\\1.body", ForgeCrc32("moved in", VEXLOR_Y));
    Fake_AddFile("C:\\ProgramData\\Q2\\x.exe", ForgeCrc32("beside it", VEXLOR_Y));
    ScanReporter reporter = RecordEvent;
    reporter.excludedFolder = "c:\\programdata\\q";
    WalkRequest walk = {"C:\\", reporter, nullptr};
    WalkDirectory(&walk);
    std::vector<std::string> expected;
    if (actions == SCAN_ACTIONS_UNATTENDED) expected.push_back("SKIP-EXCLUDED C:\\ProgramData\\Q");
    expected.push_back("INFECTED Vexlor.y C:\\ProgramData\\Q2\\x.exe");
    expected.push_back("PROGRESS C:\\ProgramData\\Q2\\x.exe");
    EXPECT_EQ(expected, recordedEvents);
    EXPECT_EQ(0, Fake_CallCount("OpenForChecksum") - 1) << "only the neighbour's file is read";
    EXPECT_EQ(0, Fake_OpenHandles());
  }
}

// A listed name that holds a separator, as Wine lists the Linux names "bs\x.exe" (beside a folder "bs") and
// "a/b.txt", is never joined into a path: the folder's x.exe is read and reported once, under its own path, and
// the other entries are neither read nor reported as it. In the unattended settings each is a skip of its own.
TEST(Walker, NameHoldingASeparatorIsNeverJoinedIntoAnotherEntrysPath) {
  for (int32_t actions : {SCAN_ACTIONS_INTERACTIVE, SCAN_ACTIONS_UNATTENDED}) {
    for (uint32_t cpus : {1u, 4u}) {
      StartRecording();
      Recording_SetActions(actions);
      Fake_SetCpuCount(cpus);
      Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
      Fake_AddFile("C:\\top\\bs\\x.exe", ForgeCrc32("in the folder", VEXLOR_Y));
      Fake_AddFile("C:\\top\\listed-1", ForgeCrc32("beside it", 0x411A3D2Au));
      Fake_ListAs("C:\\top\\listed-1", "bs\\x.exe");
      Fake_AddFile("C:\\top\\listed-2", "text");
      Fake_ListAs("C:\\top\\listed-2", "a/b.txt");
      Walk("C:\\");
      std::vector<std::string> expected = {"INFECTED Vexlor.y C:\\top\\bs\\x.exe", "PROGRESS C:\\top\\bs\\x.exe"};
      if (actions == SCAN_ACTIONS_UNATTENDED) {
        expected.push_back("SKIP-NAME C:\\top\\bs\\x.exe");
        expected.push_back("SKIP-NAME C:\\top\\a/b.txt");
      }
      EXPECT_EQ(expected, recordedEvents) << (actions == SCAN_ACTIONS_UNATTENDED ? "unattended" : "interactive")
                                          << ", " << cpus << " CPUs";
      EXPECT_EQ(0, Fake_OpenHandles());
    }
  }
  Recording_SetActions(SCAN_ACTIONS_INTERACTIVE);
}

// The walk keeps its listings and its path on the heap: a tree far deeper than a fixed buffer per level on
// the stack would allow (two 520-byte paths and a listing entry, about 1.4 KiB a level, so 2.8 MiB here) is
// walked on a thread with a 256 KiB stack.
TEST(Walker, DeepTreeOnASmallStack) {
  StartRecording();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  std::string deep = "C:";
  for (int i = 0; i < 2000; ++i) deep += "\\d";
  Fake_AddFile(deep + "\\v.exe", ForgeCrc32("x", VEXLOR_Y));
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, 256 * 1024);
  pthread_t thread;
  ASSERT_EQ(0, pthread_create(&thread, &attributes, [](void*) -> void* {
    Walk("C:\\");
    return nullptr;
  }, nullptr));
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  EXPECT_EQ((std::vector<std::string>{"INFECTED Vexlor.y " + deep + "\\v.exe", "PROGRESS " + deep + "\\v.exe"}),
            recordedEvents);
  EXPECT_EQ(0, Fake_OpenHandles());
}

// A scan's drive walk: the fixed drives' volumes are known, so a link into one of them is left to the ordinary
// walk of that drive, while a volume mounted in a folder, reachable only through the link, is walked once.
void WalkDrive(const char* root) {
  WalkVolumes volumes;
  volumes.count = 0;
  ASSERT_TRUE(WalkVolumes_AddRoot(&volumes, "C:\\"));
  ASSERT_TRUE(WalkVolumes_AddRoot(&volumes, "D:\\"));
  WalkRequest walk = {root, RecordEvent, &volumes};
  WalkDirectory(&walk);
}

TEST(Walker, LinkIntoAWalkedDriveIsLeftToThatDrivesWalk) {
  StartRecording();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddDrive("D:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddFile("C:\\data\\v.exe", ForgeCrc32("x", VEXLOR_Y));
  Fake_AddFile("D:\\d.txt", "x");
  Fake_AddLink("C:\\a-link", "C:\\data");  // listed before its target
  Fake_AddLink("C:\\to-d", "D:\\");
  WalkDrive("C:\\");
  EXPECT_EQ((std::vector<std::string>{"INFECTED Vexlor.y C:\\data\\v.exe", "PROGRESS C:\\data\\v.exe"}),
            recordedEvents);
  EXPECT_EQ(0, Fake_OpenHandles());
}

TEST(Walker, VolumeMountedInAFolderIsWalkedOnceThroughItsLinks) {
  StartRecording();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddDrive("D:\\", PLATFORM_DRIVE_FIXED);
  // A volume without a drive letter, mounted at C:\\mnt and at C:\\again, with a link back to C:\\.
  Fake_AddFile("V:\\inner\\v.exe", ForgeCrc32("x", VEXLOR_Y));
  Fake_AddLink("V:\\inner\\up", "C:\\");
  Fake_AddLink("C:\\mnt", "V:\\");
  Fake_AddLink("C:\\again", "V:\\");
  WalkDrive("C:\\");
  EXPECT_EQ((std::vector<std::string>{"INFECTED Vexlor.y C:\\mnt\\inner\\v.exe", "PROGRESS C:\\mnt\\inner\\v.exe"}),
            recordedEvents);
  EXPECT_EQ(0, Fake_OpenHandles());
}

TEST(Walker, SecondLetterForOneFolderIsNotWalkedAgain) {
  Fake_Reset();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddLink("S:\\", "C:\\");  // a substituted drive
  WalkVolumes volumes;
  volumes.count = 0;
  EXPECT_TRUE(WalkVolumes_AddRoot(&volumes, "C:\\"));
  EXPECT_FALSE(WalkVolumes_AddRoot(&volumes, "S:\\"));
}

// A file deleted after its folder was listed and before the walk reaches it gives progress only.
TEST(Walker, FileDeletedDuringTheWalkGivesOnlyProgress) {
  StartRecording();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddFile("C:\\first.txt", "x");
  Fake_AddFile("C:\\gone.exe", ForgeCrc32("x", VEXLOR_Y));
  ScanReportFunction removeLater = [](void* context, ScanEvent event, const char* text, const ThreatSignature* signature) {
    RecordEvent.report(context, event, text, signature);
    if (event == SCAN_EV_PROGRESS && std::string(text) == "C:\\first.txt") Fake_RemoveFile("C:\\gone.exe");
  };
  WalkRequest walk = {"C:\\", {removeLater, RecordEvent.context}, nullptr};
  WalkDirectory(&walk);
  EXPECT_EQ((std::vector<std::string>{"PROGRESS C:\\first.txt", "PROGRESS C:\\gone.exe"}), recordedEvents);
  EXPECT_EQ(0, Fake_OpenHandles());
}

TEST(Walker, StopAlreadyRequestedListsNothingAndReportsOnce) {
  StartRecording();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddFile("C:\\f.txt", "x");
  ScanControl_RequestStop();
  Walk("C:\\");
  Walk("C:\\");
  EXPECT_EQ(std::vector<std::string>{"STOPPED"}, recordedEvents);
  EXPECT_EQ(0, Fake_CallCount("FindFirst"));
}

TEST(Walker, StopBeforeAnEntryClosesTheListing) {
  StartRecording();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddFile("C:\\1.txt", "x");
  Fake_AddFile("C:\\2.txt", "x");
  Fake_StopAt("FindNext", "2.txt");
  Walk("C:\\");
  EXPECT_EQ((std::vector<std::string>{"PROGRESS C:\\1.txt", "STOPPED"}), recordedEvents);
  EXPECT_EQ(0, Fake_OpenHandles());
}

TEST(Walker, StopOnEntryToASubdirectoryUnwindsWithOneStop) {
  StartRecording();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddFile("C:\\a\\first.txt", "x");
  Fake_AddDirectory("C:\\target");
  Fake_AddLink("C:\\a\\link", "C:\\target");
  Fake_AddFile("C:\\a\\later.txt", "x");
  Fake_AddFile("C:\\target\\deep.txt", "x");
  // The link's identity check is the last call before the walk enters C:\a\link.
  Fake_StopAt("GetDirectoryId", "C:\\a\\link");
  Walk("C:\\");
  EXPECT_EQ((std::vector<std::string>{"PROGRESS C:\\a\\first.txt", "STOPPED"}), recordedEvents);
  EXPECT_EQ(0, Fake_OpenHandles());
}

}  // namespace
