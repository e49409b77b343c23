// The quarantine over the scripted platform: moves in and restores on one volume and across two, each cut off
// at every platform call (a power cut, and a killed process), then one more run that must lose nothing.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "exit_codes.h"
#include "fake_platform.h"
#include "file_tools.h"
#include "quarantine.h"
#include "quarantine_item.h"
#include "scan_record.h"

namespace {

const char QUARANTINE[] = "C:\\q";
const char BYTES[] = "dropped file body";

struct Volumes {
  const char* name;
  const char* original;  // C: holds the quarantine: D: is another volume
};

void PrintTo(const Volumes& volumes, std::ostream* out) { *out << volumes.name; }

const Volumes VOLUME_CASES[] = {{"SameVolume", "C:\\x\\found.dll"}, {"OtherVolume", "D:\\x\\found.dll"}};

void MakeMachine(const std::string& original) {
  Fake_Reset();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddDrive("D:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddDirectory(QUARANTINE);
  Fake_AddFile(original, BYTES);
}

// What the scan gives the quarantine for a dropped file: its identity, size and hash.
ScanFinding Found(const std::string& path) {
  ScanFinding finding;
  finding.kind = FINDING_DROPPED_FILE;
  finding.path = path;
  EXPECT_TRUE(FileRemoval_Examine(path.c_str(), &finding.examined)) << path;
  finding.haveSize = FileTools_Size(path, &finding.size);
  finding.sha256 = FileTools_Sha256(path);
  return finding;
}

void MoveIn(const std::string& path, ScanFinding* finding) {
  *finding = Found(path);
  Quarantine_MoveIn(QUARANTINE, "HOST", finding);
  FileRemoval_Release(&finding->examined);
}

std::string Listing() {
  std::string names;
  for (const std::string& name : Fake_ListFolder(QUARANTINE)) names += name + " ";
  return names;
}

// The calls an uncut run of action makes, counted from a restart.
int CallsOf(const std::function<void()>& setUp, const std::function<void()>& action) {
  setUp();
  Fake_Restart();
  action();
  return Fake_CallsMade();
}

// The file is whole in exactly one place: in place with no item, or quarantined as one item with its body.
void ExpectOneWholeCopy(const std::string& original, const std::string& when) {
  std::vector<std::string> names = Fake_ListFolder(QUARANTINE);
  if (Fake_FileExists(original)) {
    EXPECT_EQ(BYTES, Fake_Contents(original)) << when;
    EXPECT_TRUE(names.empty()) << when << ": the quarantine holds " << Listing();
    return;
  }
  ASSERT_EQ(2u, names.size()) << when << ": the quarantine holds " << Listing();
  std::string id = names[0].substr(0, names[0].find('.'));
  EXPECT_EQ(id + ".body", names[0]) << when;
  EXPECT_EQ(id + ".json", names[1]) << when;
  EXPECT_EQ(BYTES, Fake_Contents(std::string(QUARANTINE) + "\\" + names[0])) << when;
}

// After the one more run: the file quarantined again if it was left in place (as the next scan with /remove
// does), then everything restored, with one item's manifest left: the restored one.
void ExpectRestorable(const std::string& original, const std::string& when, bool moveInAgain = true) {
  if (moveInAgain && Fake_FileExists(original)) {
    ScanFinding finding;
    MoveIn(original, &finding);
    EXPECT_EQ("quarantined", finding.action) << when << ": " << finding.error;
    ExpectOneWholeCopy(original, when + ", moved in again");
  }
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  int code = Quarantine_Restore(QUARANTINE, "all", true);
  std::string errors = testing::internal::GetCapturedStderr();
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(EXIT_CLEAN, code) << when << ": " << errors;
  EXPECT_EQ(BYTES, Fake_Contents(original)) << when;
  EXPECT_FALSE(Fake_FileExists(original + ".purgewell-restore")) << when;
  std::vector<std::string> names = Fake_ListFolder(QUARANTINE);
  ASSERT_EQ(1u, names.size()) << when << ": the quarantine holds " << Listing();
  EXPECT_NE(std::string::npos, names[0].find(".restored.json")) << when;
  EXPECT_EQ(0, Fake_OpenHandles()) << when;
}

// The calls an uncut move of the file at original makes.
int MoveCalls(const std::string& original) {
  ScanFinding finding;
  int calls = CallsOf([&] { MakeMachine(original); finding = Found(original); },
                      [&] { Quarantine_MoveIn(QUARANTINE, "HOST", &finding); });
  FileRemoval_Release(&finding.examined);
  return calls;
}

// A fresh machine whose move of the file at original is cut off at that call.
void CutMove(const std::string& original, int cut, bool killed) {
  MakeMachine(original);
  ScanFinding finding = Found(original);
  Fake_Restart();
  Fake_CutAt(cut, killed);
  Quarantine_MoveIn(QUARANTINE, "HOST", &finding);
  FileRemoval_Release(&finding.examined);
  Fake_Restart();
}

void Recover() {
  testing::internal::CaptureStderr();
  Quarantine_Recover(QUARANTINE, false);
  testing::internal::GetCapturedStderr();
}

class QuarantineVolumes : public ::testing::TestWithParam<Volumes> {};

TEST_P(QuarantineVolumes, MovesInAndPutsBackTheExactBytes) {
  std::string original = GetParam().original;
  MakeMachine(original);
  ScanFinding finding;
  MoveIn(original, &finding);
  EXPECT_EQ("quarantined", finding.action) << finding.error;
  EXPECT_EQ("20261210-142541-01", finding.quarantineId);
  EXPECT_FALSE(Fake_FileExists(original));
  EXPECT_EQ("20261210-142541-01.body 20261210-142541-01.json ", Listing());
  ExpectRestorable(original, "uncut");
}

// A cut at each call of the move; the next run (a scan with /remove) settles the item first.
TEST_P(QuarantineVolumes, MoveCutAtEveryCallLosesNothing) {
  std::string original = GetParam().original;
  int calls = MoveCalls(original);
  ASSERT_GT(calls, 10);
  for (bool killed : {false, true}) {
    for (int cut = 1; cut <= calls; ++cut) {
      std::string when = std::string(killed ? "killed" : "power cut") + " at call " + std::to_string(cut);
      CutMove(original, cut, killed);
      Recover();
      ExpectOneWholeCopy(original, when);
      ExpectRestorable(original, when);
    }
  }
}

// A cut at each call of a restore; the next run (/restore:all) settles the item, then restores it.
TEST_P(QuarantineVolumes, RestoreCutAtEveryCallLosesNothing) {
  std::string original = GetParam().original;
  ScanFinding finding;
  auto quarantined = [&] {
    MakeMachine(original);
    MoveIn(original, &finding);
    ASSERT_EQ("quarantined", finding.action) << finding.error;
  };
  auto restore = [] {
    testing::internal::CaptureStdout();
    Quarantine_Restore(QUARANTINE, "all", true);
    testing::internal::GetCapturedStdout();
  };
  int calls = CallsOf(quarantined, [&] {
    testing::internal::CaptureStderr();
    restore();
    testing::internal::GetCapturedStderr();
  });
  ASSERT_GT(calls, 5);
  for (bool killed : {false, true}) {
    for (int cut = 1; cut <= calls; ++cut) {
      std::string when = std::string(killed ? "killed" : "power cut") + " at call " + std::to_string(cut);
      quarantined();
      Fake_Restart();
      Fake_CutAt(cut, killed);
      testing::internal::CaptureStderr();
      restore();
      testing::internal::GetCapturedStderr();
      Fake_Restart();
      Recover();
      // Either restored, or quarantined as before.
      if (!Fake_FileExists(original)) ExpectOneWholeCopy(original, when);
      ExpectRestorable(original, when, false);
    }
  }
}

// The run that settles a cut-off move is itself cut off at each of its calls; a third run still loses nothing.
TEST_P(QuarantineVolumes, RecoveryCutAtEveryCallLosesNothing) {
  std::string original = GetParam().original;
  int moveCalls = MoveCalls(original);
  for (int moveCut = 1; moveCut <= moveCalls; ++moveCut) {
    int recoverCalls = CallsOf([&] { CutMove(original, moveCut, false); }, Recover);
    for (int cut = 1; cut <= recoverCalls; ++cut) {
      std::string when = "move cut at call " + std::to_string(moveCut) + ", recovery at " + std::to_string(cut);
      CutMove(original, moveCut, false);
      Fake_CutAt(cut);
      Recover();
      Fake_Restart();
      Recover();
      ExpectOneWholeCopy(original, when);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Quarantine, QuarantineVolumes, ::testing::ValuesIn(VOLUME_CASES),
                         [](const testing::TestParamInfo<Volumes>& info) { return std::string(info.param.name); });

// The machine changed between the scan's look at the file and its move: nothing moves, nothing of the item stays.
struct ChangeCase {
  const char* name;
  std::function<void()> change;
  const char* error;
};

void PrintTo(const ChangeCase& changeCase, std::ostream* out) { *out << changeCase.name; }

const char FOUND[] = "D:\\x\\victim.dll";
const char ELSEWHERE[] = "D:\\elsewhere\\victim.dll";

const ChangeCase CHANGE_CASES[] = {
    {"FolderSwappedForALink",
     [] {
       Fake_RemoveFile("D:\\x");
       Fake_AddLink("D:\\x", "D:\\elsewhere");
     },
     "the file is no longer the one found"},
    {"FileReplacedByACopy",
     [] {
       Fake_RemoveFile(FOUND);
       Fake_AddFile(FOUND, BYTES);
     },
     "the file is no longer the one found"},
};

class QuarantineChanges : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(QuarantineChanges, NothingMovesAndNoItemIsLeft) {
  MakeMachine(FOUND);
  Fake_AddFile(ELSEWHERE, BYTES);
  ScanFinding finding = Found(FOUND);
  GetParam().change();
  Quarantine_MoveIn(QUARANTINE, "HOST", &finding);
  FileRemoval_Release(&finding.examined);
  EXPECT_EQ("not_quarantined", finding.action);
  EXPECT_EQ(GetParam().error, finding.error);
  EXPECT_EQ(BYTES, Fake_Contents(ELSEWHERE));
  EXPECT_EQ(BYTES, Fake_Contents(FOUND));
  EXPECT_EQ("", Listing());
  EXPECT_EQ(0, Fake_OpenHandles());
}

INSTANTIATE_TEST_SUITE_P(Quarantine, QuarantineChanges, ::testing::ValuesIn(CHANGE_CASES),
                         [](const testing::TestParamInfo<ChangeCase>& info) { return std::string(info.param.name); });

// Partial copies that no item needs go; a body whose manifest is gone, and files that are not ours, stay.
TEST(QuarantineRecovery, ClearsOnlyPartialsNoItemNeeds) {
  MakeMachine("D:\\x\\found.dll");
  const std::vector<std::string> kept = {"20261209-101010-01.body", "notes.partial", "20261209-101010-02.json"};
  for (const std::string& name : kept) Fake_AddFile(std::string(QUARANTINE) + "\\" + name, "kept");
  Fake_AddFile(std::string(QUARANTINE) + "\\20261209-101010-03.body.partial", "half a copy");
  Fake_AddFile(std::string(QUARANTINE) + "\\20261209-101010-04.moving.json.partial", "{\"half");
  Fake_AddFile(std::string(QUARANTINE) + "\\20261209-101010-02.json.partial", "{\"half");
  Recover();
  EXPECT_EQ("20261209-101010-01.body 20261209-101010-02.json notes.partial ", Listing());
}

// A failed move leaves no item; a move cut off before its body left leaves its manifest, which the next run
// undoes and says so, the file untouched.
TEST(QuarantineRecovery, SaysWhatItDidToEachItem) {
  MakeMachine("D:\\x\\found.dll");
  ScanFinding finding = Found("D:\\x\\found.dll");
  Fake_Restart();
  Fake_Fail("OpenForDelete");
  Quarantine_MoveIn(QUARANTINE, "HOST", &finding);
  FileRemoval_Release(&finding.examined);
  EXPECT_EQ("", Listing()) << "a failed move leaves no item";
  Fake_Restart();
  finding = Found("D:\\x\\found.dll");
  Fake_Restart();
  // Written, then cut before the body leaves: the manifest is all there is.
  Fake_BeforeCall("OpenForDelete", [] { Fake_CutAt(1); });
  Quarantine_MoveIn(QUARANTINE, "HOST", &finding);
  FileRemoval_Release(&finding.examined);
  Fake_Restart();
  ASSERT_EQ("20261210-142541-01.moving.json ", Listing());
  testing::internal::CaptureStderr();
  Quarantine_Recover(QUARANTINE, false);
  EXPECT_EQ("PurgewellScan: 20261210-142541-01: the interrupted move was undone: the file is in place\n",
            testing::internal::GetCapturedStderr());
  EXPECT_EQ("", Listing());
  EXPECT_EQ(BYTES, Fake_Contents("D:\\x\\found.dll"));
}

}  // namespace
