// Removal of found files: only the file that was examined is deleted, whatever took its place since.
#include <gtest/gtest.h>

#include <functional>

#include "crc_forge.h"
#include "event_recorder.h"
#include "fake_platform.h"
#include "finding_list.h"
#include "scan_events.h"

namespace {

const char FOUND[] = "D:\\x\\victim.dll";
const char IMPORTANT[] = "C:\\important\\victim.dll";  // a file of the same name elsewhere, never to be deleted

std::string Vexlor(const std::string& body) { return ForgeCrc32(body, 0xB566B395u); }

struct RemovalCase {
  std::string name;
  ScanEvent kind;
  std::function<void()> afterTheWalk;  // what changes between the finding and the answer
  bool removed;                        // counted, and the found name gone
};

void PrintTo(const RemovalCase& removalCase, std::ostream* out) { *out << removalCase.name; }

class RemovalCases : public ::testing::TestWithParam<RemovalCase> {};

// On every refusal nothing is deleted or changed: the file at the found path and the other folder's file
// keep their contents and attributes.
TEST_P(RemovalCases, DeletesOnlyTheExaminedFile) {
  const RemovalCase& removalCase = GetParam();
  StartRecording();
  FindingList_Clear();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddDrive("D:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddFile(FOUND, Vexlor("found body"), PLATFORM_ATTR_ARCHIVE);
  Fake_AddFile(IMPORTANT, Vexlor("important body"), PLATFORM_ATTR_READONLY);
  FindingList_Add(FOUND, static_cast<int32_t>(removalCase.kind));
  removalCase.afterTheWalk();
  bool presentBefore = Fake_FileExists(FOUND);
  uint32_t attributesBefore = Fake_Attributes(FOUND);

  FindingRemoval removal = FindingList_RemoveAll();

  EXPECT_EQ(removalCase.removed ? 1 : 0, removal.deleted);
  EXPECT_EQ(1, removal.total);
  EXPECT_TRUE(Fake_FileExists(IMPORTANT));
  EXPECT_EQ(static_cast<uint32_t>(PLATFORM_ATTR_READONLY), Fake_Attributes(IMPORTANT));
  if (removalCase.removed) {
    EXPECT_FALSE(Fake_FileExists(FOUND));
  } else if (presentBefore) {
    EXPECT_TRUE(Fake_FileExists(FOUND));
    EXPECT_EQ(attributesBefore, Fake_Attributes(FOUND)) << "a refused file is not changed";
  }
  EXPECT_EQ(0, Fake_OpenHandles());
  FindingList_Clear();
}

const RemovalCase REMOVAL_CASES[] = {
    {"Unchanged", SCAN_EV_INFECTED_FILE, [] {}, true},
    {"ReadOnlyHiddenSystem", SCAN_EV_INFECTED_FILE,
     [] { Fake_SetAttributes(FOUND, PLATFORM_ATTR_READONLY | PLATFORM_ATTR_HIDDEN | PLATFORM_ATTR_SYSTEM); }, true},
    {"AnotherFileOfTheSameName", SCAN_EV_INFECTED_FILE,
     [] {
       Fake_RemoveFile(FOUND);
       Fake_AddFile(FOUND, Vexlor("found body"));
     },
     false},
    {"SameFileGrown", SCAN_EV_INFECTED_FILE, [] { Fake_AddFile(FOUND, Vexlor("found body, longer")); }, false},
    {"SameFileWrittenAgain", SCAN_EV_INFECTED_FILE, [] { Fake_Touch(FOUND); }, false},
    // Same file, size and last write, but the contents are no Vexlor build any more.
    {"ChecksumNoLongerVexlor", SCAN_EV_INFECTED_FILE, [] { Fake_AddFile(FOUND, "found body...."); }, false},
    // A dropped or log file is found by its name: its contents are not checked.
    {"DroppedFileWithOtherContents", SCAN_EV_DROPPED_FILE, [] { Fake_AddFile(FOUND, "found body...."); }, true},
    {"FolderSwappedForALinkToAnotherFolder", SCAN_EV_INFECTED_FILE, [] { Fake_AddLink("D:\\x", "C:\\important"); },
     false},
    // The folder became a link that still leads to the same file: a link that was not there is enough.
    {"FolderBecameALink", SCAN_EV_INFECTED_FILE,
     [] { Fake_SetAttributes("D:\\x", PLATFORM_ATTR_DIRECTORY | PLATFORM_ATTR_REPARSE_POINT); }, false},
    {"FileBecameAReparsePoint", SCAN_EV_LOG_FILE,
     [] { Fake_SetAttributes(FOUND, PLATFORM_ATTR_ARCHIVE | PLATFORM_ATTR_REPARSE_POINT); }, false},
    {"FileGone", SCAN_EV_INFECTED_FILE, [] { Fake_RemoveFile(FOUND); }, false},
    // The mark fails after read-only was cleared: the attribute is put back, nothing is counted.
    {"MarkRefused", SCAN_EV_INFECTED_FILE,
     [] {
       Fake_SetAttributes(FOUND, PLATFORM_ATTR_READONLY | PLATFORM_ATTR_HIDDEN);
       Fake_Fail("DeleteOpenFile");
     },
     false},
    // The mark is reported as done but the close deletes nothing: only a name really gone counts.
    {"CloseDeletesNothing", SCAN_EV_INFECTED_FILE, [] { Fake_Fail("CloseFile", FOUND); }, false},
};

INSTANTIATE_TEST_SUITE_P(FileRemoval, RemovalCases, ::testing::ValuesIn(REMOVAL_CASES),
                         [](const ::testing::TestParamInfo<RemovalCase>& info) { return info.param.name; });

// A link that was on the path when the file was found is no reason to refuse; a refused file among others
// lowers the count by one.
TEST(FileRemoval, LinkThatWasThereAndARefusedNeighbour) {
  StartRecording();
  FindingList_Clear();
  Fake_AddDrive("D:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddFile("D:\\x\\through-link.dll", Vexlor("one"));
  Fake_AddLink("D:\\alias", "D:\\x");
  Fake_AddFile("D:\\y\\swapped.dll", Vexlor("two"));
  Fake_AddFile("D:\\z\\plain.dll", Vexlor("three"));
  FindingList_Add("D:\\alias\\through-link.dll", SCAN_EV_INFECTED_FILE);
  FindingList_Add("D:\\y\\swapped.dll", SCAN_EV_INFECTED_FILE);
  FindingList_Add("D:\\z\\plain.dll", SCAN_EV_INFECTED_FILE);
  Fake_RemoveFile("D:\\y\\swapped.dll");
  Fake_AddFile("D:\\y\\swapped.dll", Vexlor("two"));

  FindingRemoval removal = FindingList_RemoveAll();

  EXPECT_EQ(2, removal.deleted);
  EXPECT_EQ(3, removal.total);
  EXPECT_FALSE(Fake_FileExists("D:\\x\\through-link.dll"));
  EXPECT_TRUE(Fake_FileExists("D:\\y\\swapped.dll"));
  EXPECT_FALSE(Fake_FileExists("D:\\z\\plain.dll"));
  FindingList_Clear();
}

// A file with two names: removing the other name changes its change time, and this name is still removed. A
// file that had one name and gained another since is not the file that was examined.
TEST(FileRemoval, HardLinkedFile) {
  for (uint32_t linksWhenFound : {2u, 1u}) {
    StartRecording();
    FindingList_Clear();
    Fake_AddDrive("D:\\", PLATFORM_DRIVE_FIXED);
    Fake_AddFile(FOUND, Vexlor("found body"));
    Fake_SetLinks(FOUND, linksWhenFound);
    FindingList_Add(FOUND, SCAN_EV_INFECTED_FILE);
    Fake_SetLinks(FOUND, linksWhenFound == 2 ? 1 : 2);

    FindingRemoval removal = FindingList_RemoveAll();

    bool removed = linksWhenFound == 2;
    EXPECT_EQ(removed ? 1 : 0, removal.deleted) << linksWhenFound << " names when found";
    EXPECT_EQ(!removed, Fake_FileExists(FOUND)) << linksWhenFound << " names when found";
    FindingList_Clear();
  }
}

}  // namespace

namespace {

// The check before a move into quarantine: the same answers as the delete, and nothing deleted.
TEST(FileRemoval, StillExaminedChecksWithoutDeleting) {
  StartRecording();
  Fake_AddDrive("D:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddFile(FOUND, Vexlor("found body"));
  Fake_AddFile("D:\\y\\victim.dll", Vexlor("found body"));
  ExaminedFile examined;
  ASSERT_TRUE(FileRemoval_Examine(FOUND, &examined));
  EXPECT_TRUE(FileRemoval_StillExamined(FOUND, &examined, REMOVAL_NEEDS_VEXLOR_CHECKSUM));
  EXPECT_TRUE(Fake_FileExists(FOUND));
  Fake_AddLink("D:\\x", "D:\\y");
  EXPECT_FALSE(FileRemoval_StillExamined(FOUND, &examined, REMOVAL_NEEDS_VEXLOR_CHECKSUM));
  FileRemoval_Release(&examined);
  EXPECT_EQ(0, Fake_OpenHandles());
}

}  // namespace
