// The drive walker: what it reports, in which order, and where it stops.
#include <gtest/gtest.h>

#include "crc_forge.h"
#include "event_recorder.h"
#include "fake_platform.h"
#include "walker.h"

namespace {

const uint32_t VEXLOR_Y = 0xB566B395u;

void Walk(const char* directory) {
  WalkRequest walk = {directory, RecordEvent, nullptr, false, {0, 0, 0}};
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
};

INSTANTIATE_TEST_SUITE_P(Walker, WalkCases, ::testing::ValuesIn(WALK_CASES),
                         [](const ::testing::TestParamInfo<WalkCase>& info) { return std::string(info.param.name); });

TEST(Walker, PathTooLongForItsBufferIsSkippedNotCut) {
  StartRecording();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  std::string deep = "C:";
  for (int i = 0; i < 3; ++i) deep += "\\" + std::string(200, 'd');  // 603 characters
  Fake_AddFile(deep + "\\v.exe", ForgeCrc32("x", VEXLOR_Y));
  Fake_AddFile("C:\\ok.txt", "x");
  Walk("C:\\");
  EXPECT_EQ(std::vector<std::string>{"PROGRESS C:\\ok.txt"}, recordedEvents);
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
