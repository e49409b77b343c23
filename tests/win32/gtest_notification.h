// GoogleTest's Notification on a Win32 event, for the cross build.
// The win32 thread model of the toolchain has no std::mutex or std::condition_variable, which GoogleTest's own
// Notification is made of.
#pragma once

#include <windows.h>

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { SetEvent(event_); }
  void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

}  // namespace internal
}  // namespace testing

// GoogleTest then takes this one instead of defining its own.
#define GTEST_HAS_NOTIFICATION_ 1
