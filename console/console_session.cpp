// Process-wide state that lets exactly one end-of-run dialogue run and keeps the process alive until it ends.
#include "console_session.h"

#include <atomic>
#include <cstdint>

enum : int32_t { DIALOGUE_FREE = 0, DIALOGUE_BY_SCAN = 1, DIALOGUE_BY_CTRL_C = 2, DIALOGUE_CLOSED = 3 };

static std::atomic<int32_t> dialogueOwner{DIALOGUE_FREE};
static HANDLE scanClosedEvent = nullptr;
static HANDLE ctrlCDialogueDoneEvent = nullptr;

bool ConsoleSession_Init() {
  scanClosedEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ctrlCDialogueDoneEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  return scanClosedEvent != nullptr && ctrlCDialogueDoneEvent != nullptr;
}

void ConsoleSession_ScanClosed() {
  if (scanClosedEvent != nullptr) SetEvent(scanClosedEvent);
}

void ConsoleSession_WaitScanClosed() {
  if (scanClosedEvent != nullptr) WaitForSingleObject(scanClosedEvent, INFINITE);
}

static bool ClaimDialogue(int32_t owner) {
  int32_t expected = DIALOGUE_FREE;
  return dialogueOwner.compare_exchange_strong(expected, owner);
}

bool ConsoleSession_ClaimDialogueForScan() { return ClaimDialogue(DIALOGUE_BY_SCAN); }

bool ConsoleSession_ClaimDialogueForCtrlC() { return ClaimDialogue(DIALOGUE_BY_CTRL_C); }

void ConsoleSession_CtrlCDialogueDone() {
  if (ctrlCDialogueDoneEvent != nullptr) SetEvent(ctrlCDialogueDoneEvent);
}

void ConsoleSession_CloseAndWait() {
  if (ClaimDialogue(DIALOGUE_CLOSED)) return;
  if (dialogueOwner.load() == DIALOGUE_BY_CTRL_C && ctrlCDialogueDoneEvent != nullptr) {
    WaitForSingleObject(ctrlCDialogueDoneEvent, INFINITE);
  }
}
