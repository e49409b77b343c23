// The walk's reader pool: the same events in the same order as a serial walk whatever order the reads finish
// in, its size from the usable CPUs, and exactly one closing event wherever a stop comes.
#include <gtest/gtest.h>

#include <algorithm>

#include "crc_forge.h"
#include "event_recorder.h"
#include "fake_platform.h"
#include "scan_sequence.h"

namespace {

typedef std::vector<std::string> Events;

const uint32_t VEXLOR_A = 0x7278A0B5u, VEXLOR_K = 0x411A3D2Au, VEXLOR_Y = 0xB566B395u;

// Two fixed drives with every kind of entry a walk meets, in several folders: plain and Vexlor files, empty,
// too large, unopenable, torn and growing files, devices, dot names, an unlistable folder, a loop and a link.
void BusyMachine() {
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddDrive("D:\\", PLATFORM_DRIVE_FIXED);
  const uint32_t builds[] = {VEXLOR_A, VEXLOR_K, VEXLOR_Y};
  for (int folder = 0; folder < 8; ++folder) {
    std::string base = "C:\\f" + std::to_string(folder) + "\\";
    for (int file = 0; file < 12; ++file) {
      std::string name = base + "n" + std::to_string(file);
      if (file % 5 == 2) {
        Fake_AddFile(name + ".exe", ForgeCrc32(std::string(100 + file * 700, 'v'), builds[(folder + file) % 3]));
      } else {
        Fake_AddFile(name + ".txt", std::string(1 + file * 800, static_cast<char>('a' + folder)));
      }
    }
    Fake_AddFile(base + "empty.dat", "");
    Fake_AddFile(base + "big.bin", std::string(41985, 'b'));
    Fake_AddFile(base + "sub\\deeper\\d.exe", ForgeCrc32("deep", VEXLOR_Y));
  }
  Fake_AddFile("C:\\f1\\in-use.exe", ForgeCrc32("x", VEXLOR_Y));
  Fake_Fail("OpenForChecksum", "C:\\f1\\in-use.exe");
  Fake_AddFile("C:\\f2\\torn.exe", ForgeCrc32(std::string(9000, 't'), VEXLOR_Y));
  Fake_Fail("ReadFile", "C:\\f2\\torn.exe", 2);
  Fake_AddFile("C:\\f3\\grown.exe", ForgeCrc32(std::string(9000, 'g'), VEXLOR_Y));
  Fake_GrowOnRead("C:\\f3\\grown.exe", 2, "tail");
  Fake_AddFile("C:\\f4\\aux.log", ForgeCrc32("x", VEXLOR_Y));
  Fake_AddDevice("C:\\f4\\aux.log");
  Fake_AddFile("C:\\f5\\.hidden.exe", ForgeCrc32("x", VEXLOR_Y));
  Fake_AddFile("C:\\locked\\secret.exe", ForgeCrc32("x", VEXLOR_Y));
  Fake_Fail("FindFirst", "C:\\locked\\*");
  Fake_AddLink("C:\\f6\\sub\\loop", "C:\\f6");
  Fake_AddFile("D:\\elsewhere\\v.exe", ForgeCrc32("x", VEXLOR_K));
  Fake_AddFile("D:\\plain.txt", "d");
}

// One whole scan of the busy machine in the unattended settings, so the skip events are in the sequence too.
Events ScanBusyMachine(uint32_t cpus, bool scramble, void (*adjust)()) {
  StartRecording();
  Recording_SetActions(SCAN_ACTIONS_UNATTENDED);
  Fake_SetCpuCount(cpus);
  Fake_ScrambleReads(scramble);
  BusyMachine();
  if (adjust != nullptr) adjust();
  ScanRun(RecordEvent);
  EXPECT_EQ(0, Fake_OpenHandles());
  return recordedEvents;
}

TEST(ReadPool, ReadsFinishingOutOfOrderChangeNoEventAndReadEachFileOnce) {
  Events serial = ScanBusyMachine(1, false, nullptr);
  std::vector<std::string> serialReads = Fake_ReadOrder();
  ASSERT_EQ("FINISHED", serial.back());
  ASSERT_GT(std::count_if(serial.begin(), serial.end(),
                          [](const std::string& event) { return event.rfind("INFECTED", 0) == 0; }),
            20);

  Events pooled = ScanBusyMachine(4, true, nullptr);
  std::vector<std::string> pooledReads = Fake_ReadOrder();
  EXPECT_EQ(serial, pooled);
  EXPECT_NE(serialReads, pooledReads) << "the reads did not finish out of order";
  std::sort(serialReads.begin(), serialReads.end());
  std::sort(pooledReads.begin(), pooledReads.end());
  EXPECT_EQ(serialReads, pooledReads);
}

struct PoolCase {
  const char* name;
  uint32_t cpus;
  void (*adjust)();
  int startCalls;  // thread starts asked for in the scan: its two fixed drives have one walk and one pool each
};

void PrintTo(const PoolCase& poolCase, std::ostream* out) { *out << poolCase.name; }

class PoolCases : public ::testing::TestWithParam<PoolCase> {};

// However many readers there are, and when none can be had, the events are the serial walk's.
TEST_P(PoolCases, StartsThisManyReadersAndReportsAsTheSerialWalk) {
  Events serial = ScanBusyMachine(1, false, nullptr);
  Events pooled = ScanBusyMachine(GetParam().cpus, false, GetParam().adjust);
  EXPECT_EQ(serial, pooled);
  EXPECT_EQ(GetParam().startCalls, Fake_CallCount("StartThread"));
}

const PoolCase POOL_CASES[] = {
    {"OneCpuIsTheSerialWalk", 1, nullptr, 0},
    {"TwoCpusTwoReaders", 2, nullptr, 4},
    {"ThreeCpusThreeReaders", 3, nullptr, 6},
    {"ManyCpusAtMostEightReaders", 64, nullptr, 16},
    // The first refusal ends the pool's starts: none on either drive, so both walks read their files themselves.
    {"NoThreadIsTheSerialWalk", 4, [] { Fake_Fail("StartThread"); }, 2},
    // C: gets one reader, D: four.
    {"OneReaderIsAPool", 4, [] { Fake_Fail("StartThread", "", 2); }, 6},
};

INSTANTIATE_TEST_SUITE_P(ReadPool, PoolCases, ::testing::ValuesIn(POOL_CASES),
                         [](const ::testing::TestParamInfo<PoolCase>& info) { return std::string(info.param.name); });

TEST(ReadPool, NoSemaphoreIsTheSerialWalk) {
  Events serial = ScanBusyMachine(1, false, nullptr);
  Events pooled = ScanBusyMachine(4, false, [] { Fake_Fail("CreateSemaphore"); });
  EXPECT_EQ(serial, pooled);
  EXPECT_EQ(0, Fake_CallCount("StartThread"));
}

// --- Stops ---

struct PoolStopCase {
  const char* name;
  const char* operation;  // "Progress": the reporter asks for the stop when it gets this file's progress
  const char* argument;
  int nth;
};

void PrintTo(const PoolStopCase& stopCase, std::ostream* out) { *out << stopCase.name; }

class PoolStopCases : public ::testing::TestWithParam<PoolStopCase> {};

const PoolStopCase* stopAt;

void StopOnProgress(void* context, ScanEvent event, const char* text, const ThreatSignature* signature) {
  ScanReport(RecordEvent, event, text, signature);
  (void)context;
  if (event == SCAN_EV_PROGRESS && std::string(text) == stopAt->argument) ScanControl_RequestStop();
}

// Wherever the stop comes, the events are those of the whole serial scan up to some file, then one STOPPED.
TEST_P(PoolStopCases, EndsWithOneStopAfterAPrefixOfTheSerialEvents) {
  Events whole = ScanBusyMachine(1, false, nullptr);
  whole.pop_back();  // FINISHED
  stopAt = &GetParam();
  StartRecording();
  Recording_SetActions(SCAN_ACTIONS_UNATTENDED);
  Fake_SetCpuCount(4);
  Fake_ScrambleReads(true);
  BusyMachine();
  bool fromReporter = std::string(GetParam().operation) == "Progress";
  if (!fromReporter) Fake_StopAt(GetParam().operation, GetParam().argument, GetParam().nth);
  ScanRun(fromReporter ? ScanReporter{StopOnProgress, nullptr, SCAN_ACTIONS_UNATTENDED} : RecordEvent);

  ASSERT_FALSE(recordedEvents.empty());
  EXPECT_EQ("STOPPED", recordedEvents.back());
  EXPECT_EQ(1, std::count(recordedEvents.begin(), recordedEvents.end(), "STOPPED"));
  Events before(recordedEvents.begin(), recordedEvents.end() - 1);
  ASSERT_LE(before.size(), whole.size());
  EXPECT_TRUE(std::equal(before.begin(), before.end(), whole.begin())) << "not a prefix of the serial events";
  EXPECT_EQ(0, Fake_OpenHandles());
}

const PoolStopCase POOL_STOP_CASES[] = {
    {"BeforeTheWalkStarts", "UsableCpuCount", "", 1},
    {"WhileTheWalkLists", "FindNext", "n8.txt", 3},
    {"OnEntryToAFolder", "FindFirst", "C:\\f4\\*", 1},
    {"WhileAReaderOpens", "OpenForChecksum", "C:\\f2\\n3.txt", 1},
    {"WhileAReaderReads", "ReadFile", "C:\\f5\\n8.txt", 1},
    {"AsAReaderCloses", "CloseFile", "C:\\f0\\n0.txt", 1},
    {"OnTheLastFileOfADrive", "ReadFile", "C:\\f7\\sub\\deeper\\d.exe", 1},
    {"OnTheSecondDrive", "FindFirst", "D:\\elsewhere\\*", 1},
    {"FromTheReporterMidWalk", "Progress", "C:\\f3\\n4.txt", 0},
    {"FromTheReporterOnTheLastFile", "Progress", "D:\\plain.txt", 0},
};

INSTANTIATE_TEST_SUITE_P(ReadPool, PoolStopCases, ::testing::ValuesIn(POOL_STOP_CASES),
                         [](const ::testing::TestParamInfo<PoolStopCase>& info) { return std::string(info.param.name); });

}  // namespace
