// The single-instance mutex of both programs.
#include "single_instance.h"

bool SingleInstance_Claim(HANDLE* mutex) {
  *mutex = CreateMutexA(nullptr, TRUE, "PurgewellToolMutex");
  return GetLastError() != ERROR_ALREADY_EXISTS;
}

void SingleInstance_Release(HANDLE* mutex) {
  if (*mutex == nullptr) return;
  ReleaseMutex(*mutex);
  CloseHandle(*mutex);
  *mutex = nullptr;
}
