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
// The report's size and checksums are of the examined file, or of nothing: a folder swapped for a link to a
// file of the same name elsewhere gives none of them, as the quarantine then refuses to move it.
TEST(FileRemoval, DescribesOnlyTheExaminedFile) {
  StartRecording();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddDrive("D:\\", PLATFORM_DRIVE_FIXED);
  std::string body = Vexlor("found body");
  Fake_AddFile(FOUND, body);
  Fake_AddFile(IMPORTANT, Vexlor("important body"));
  ExaminedFile examined;
  ASSERT_TRUE(FileRemoval_Examine(FOUND, &examined));
  ExaminedFacts facts;
  FileRemoval_Describe(FOUND, &examined, &facts);
  EXPECT_TRUE(facts.haveSize && facts.haveCrc && facts.haveSha256);
  EXPECT_EQ(body.size(), facts.size);
  EXPECT_EQ(0xB566B395u, facts.crc);

  Fake_RemoveFile("D:\\x");
  Fake_AddLink("D:\\x", "C:\\important");
  FileRemoval_Describe(FOUND, &examined, &facts);
  EXPECT_FALSE(facts.haveSize || facts.haveCrc || facts.haveSha256);
  FileRemoval_Release(&examined);
  EXPECT_EQ(0, Fake_OpenHandles());
}

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

// After the delete the name is looked up once more. A neighbour that differs only in case can answer to it (a
// case-sensitive folder, and a lookup that falls back to a case-insensitive match): the removal still counts, and
// the neighbour keeps its bytes. A name that leads to nothing counts too; one that still leads to the examined file
// does not.
TEST(FileRemoval, CountsTheRemovalByWhatTheNameLeadsToAfterwards) {
  struct Afterwards {
    const char* name;
    bool neighbourAnswers;  // another file answers to the name after the delete
    bool closeDeletes;      // false: the close keeps the file (the name still leads to it)
    int deleted;
  };
  const Afterwards cases[] = {{"another file", true, true, 1}, {"nothing", false, true, 1},
                              {"the examined file", false, false, 0}};
  for (const Afterwards& afterwards : cases) {
    StartRecording();
    FindingList_Clear();
    Fake_AddDrive("D:\\", PLATFORM_DRIVE_FIXED);
    Fake_AddFile(FOUND, Vexlor("found body"));
    FindingList_Add(FOUND, SCAN_EV_INFECTED_FILE);
    if (!afterwards.closeDeletes) Fake_Fail("CloseFile", FOUND);
    // Once the delete's handle is closed, the next lookup (of the folders on the path, then the name) finds the
    // neighbour under the name.
    if (afterwards.neighbourAnswers) {
      Fake_BeforeCall("CloseFile", [] { Fake_BeforeCall("GetAttributes", [] { Fake_AddFile(FOUND, "neighbour"); }); });
    }

    FindingRemoval removal = FindingList_RemoveAll();

    EXPECT_EQ(afterwards.deleted, removal.deleted) << "the name leads to " << afterwards.name;
    EXPECT_EQ(1, removal.total) << "the name leads to " << afterwards.name;
    if (afterwards.neighbourAnswers) {
      EXPECT_EQ("neighbour", Fake_Contents(FOUND)) << "the neighbour was touched";
    }
    EXPECT_EQ(!afterwards.deleted || afterwards.neighbourAnswers, Fake_FileExists(FOUND)) << afterwards.name;
    EXPECT_EQ(0, Fake_OpenHandles());
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

namespace {

// Moves into a quarantine folder on the found file's volume (a rename) or on another one (a copy, then the delete).
const char SAME_VOLUME_BODY[] = "D:\\q\\1.body";
const char OTHER_VOLUME_COPY[] = "C:\\q\\1.body.partial";

struct MoveCase {
  std::string name;
  std::function<void()> afterTheWalk;  // what changes between the finding and the move
  uint32_t moved;                      // FileRemoval_MoveTo's result
  bool copied;                         // FileRemoval_CopyTo's result
  bool swapsWhileOpen = false;         // the found path leads elsewhere once the call has begun
};

void PrintTo(const MoveCase& moveCase, std::ostream* out) { *out << moveCase.name; }

class MoveCases : public ::testing::TestWithParam<MoveCase> {
 protected:
  void SetUp() override {
    StartRecording();
    Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
    Fake_AddDrive("D:\\", PLATFORM_DRIVE_FIXED);
    Fake_AddDirectory("C:\\q");
    Fake_AddDirectory("D:\\q");
    Fake_AddFile(FOUND, Vexlor("found body"), PLATFORM_ATTR_READONLY);
    Fake_AddFile(IMPORTANT, Vexlor("important body"), PLATFORM_ATTR_READONLY);
    ASSERT_TRUE(FileRemoval_Examine(FOUND, &examined));
    GetParam().afterTheWalk();
    foundBefore = Fake_Contents(FOUND);
    attributesBefore = Fake_Attributes(FOUND);
  }
  void TearDown() override {
    FileRemoval_Release(&examined);
    EXPECT_EQ(0, Fake_OpenHandles());
  }
  // What every refusal leaves: the file where it was, unchanged, the other folder's file too.
  void ExpectNothingChanged(const char* target) {
    EXPECT_EQ("", Fake_Contents(target)) << "no body in the quarantine";
    if (!GetParam().swapsWhileOpen) {
      EXPECT_EQ(foundBefore, Fake_Contents(FOUND));
      EXPECT_EQ(attributesBefore, Fake_Attributes(FOUND));
    }
    EXPECT_EQ(Vexlor("important body"), Fake_Contents(IMPORTANT));
    EXPECT_EQ(static_cast<uint32_t>(PLATFORM_ATTR_READONLY), Fake_Attributes(IMPORTANT));
  }
  ExaminedFile examined;
  std::string foundBefore;
  uint32_t attributesBefore = 0;
};

TEST_P(MoveCases, RenamesOnlyTheExaminedFile) {
  uint32_t moved = FileRemoval_MoveTo(FOUND, &examined, REMOVAL_NEEDS_VEXLOR_CHECKSUM, SAME_VOLUME_BODY);
  EXPECT_EQ(GetParam().moved, moved);
  if (moved == MOVE_DONE) {
    EXPECT_FALSE(Fake_FileExists(FOUND));
    EXPECT_EQ(Vexlor("found body"), Fake_Contents(SAME_VOLUME_BODY));
    EXPECT_EQ(Vexlor("important body"), Fake_Contents(IMPORTANT));
  } else {
    ExpectNothingChanged(SAME_VOLUME_BODY);
  }
}

TEST_P(MoveCases, CopiesOnlyTheExaminedFile) {
  bool copied = FileRemoval_CopyTo(FOUND, &examined, REMOVAL_NEEDS_VEXLOR_CHECKSUM, OTHER_VOLUME_COPY);
  EXPECT_EQ(GetParam().copied, copied);
  if (copied) {
    EXPECT_EQ(Vexlor("found body"), Fake_Contents(OTHER_VOLUME_COPY));
    EXPECT_EQ(Vexlor("important body"), Fake_Contents(IMPORTANT));
    if (!GetParam().swapsWhileOpen) {
      EXPECT_EQ(Vexlor("found body"), Fake_Contents(FOUND)) << "a copy leaves the original";
    }
  } else {
    ExpectNothingChanged(OTHER_VOLUME_COPY);
  }
}

void SwapFolderForLink() {
  Fake_AddLink("D:\\x", "C:\\important");
}

const MoveCase MOVE_CASES[] = {
    {"Unchanged", [] {}, MOVE_DONE, true},
    {"AnotherFileOfTheSameName",
     [] {
       Fake_RemoveFile(FOUND);
       Fake_AddFile(FOUND, Vexlor("found body"), PLATFORM_ATTR_READONLY);
     },
     MOVE_REFUSED, false},
    {"SameFileGrown", [] { Fake_AddFile(FOUND, Vexlor("found body, longer"), PLATFORM_ATTR_READONLY); }, MOVE_REFUSED,
     false},
    {"ChecksumNoLongerVexlor", [] { Fake_AddFile(FOUND, "found body....", PLATFORM_ATTR_READONLY); }, MOVE_REFUSED,
     false},
    {"FolderSwappedForALinkToAnotherFolder", SwapFolderForLink, MOVE_REFUSED, false},
    {"FolderBecameALink", [] { Fake_SetAttributes("D:\\x", PLATFORM_ATTR_DIRECTORY | PLATFORM_ATTR_REPARSE_POINT); },
     MOVE_REFUSED, false},
    {"FileBecameAReparsePoint",
     [] { Fake_SetAttributes(FOUND, PLATFORM_ATTR_READONLY | PLATFORM_ATTR_REPARSE_POINT); }, MOVE_REFUSED, false},
    {"FileGone", [] { Fake_RemoveFile(FOUND); }, MOVE_FAILED, false},
    {"OpenRefused", [] { Fake_Fail("OpenForDelete", FOUND); }, MOVE_FAILED, false},
    {"RenameAndWriteRefused",
     [] {
       Fake_Fail("RenameOpenFile");
       Fake_Fail("WriteFile");
     },
     MOVE_FAILED, false},
    {"BodyNameTaken",
     [] {
       Fake_AddFile(SAME_VOLUME_BODY, "");
       Fake_AddFile(OTHER_VOLUME_COPY, "");
     },
     MOVE_FAILED, false},
    // Wine renames by the path it resolved when the file was opened: a folder swapped meanwhile moves the
    // other folder's file, which goes back; the copy reads the open file itself. Wine's drives share one file
    // system, where a rename between them works.
    {"FolderSwappedWhileOpenOnWine",
     [] {
       Fake_SetVolume("C:\\important", 'd');
       Fake_RenameByOpenPath(true);
       Fake_BeforeCall("RenameOpenFile", SwapFolderForLink);
       Fake_BeforeCall("CreateNewFile", SwapFolderForLink);
     },
     MOVE_UNVERIFIED, true, true},
};

INSTANTIATE_TEST_SUITE_P(FileRemoval, MoveCases, ::testing::ValuesIn(MOVE_CASES),
                         [](const ::testing::TestParamInfo<MoveCase>& info) { return info.param.name; });

// Across volumes the rename changes nothing and says so: the caller copies and deletes instead.
TEST(FileRemoval, MoveToAnotherVolumeChangesNothing) {
  StartRecording();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddDrive("D:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddDirectory("C:\\q");
  Fake_AddFile(FOUND, Vexlor("found body"));
  ExaminedFile examined;
  ASSERT_TRUE(FileRemoval_Examine(FOUND, &examined));
  EXPECT_EQ(static_cast<uint32_t>(MOVE_OTHER_VOLUME),
            FileRemoval_MoveTo(FOUND, &examined, REMOVAL_NEEDS_VEXLOR_CHECKSUM, "C:\\q\\1.body"));
  EXPECT_EQ(Vexlor("found body"), Fake_Contents(FOUND));
  EXPECT_FALSE(Fake_FileExists("C:\\q\\1.body"));
  // A dropped file is found by its name: its contents are copied whatever they are.
  Fake_AddFile(FOUND, "found body....");
  EXPECT_FALSE(FileRemoval_CopyTo(FOUND, &examined, REMOVAL_NEEDS_VEXLOR_CHECKSUM, "C:\\q\\1.body"));
  EXPECT_TRUE(FileRemoval_CopyTo(FOUND, &examined, 0, "C:\\q\\1.body"));
  EXPECT_EQ("found body....", Fake_Contents("C:\\q\\1.body"));
  FileRemoval_Release(&examined);
  EXPECT_EQ(0, Fake_OpenHandles());
}

}  // namespace
