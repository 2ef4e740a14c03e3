// GoogleTest's start signal for its own threads, for Windows compilers whose
// thread model has no std::mutex or std::condition_variable. The program is
// built with that model so that it needs no threads library (which would
// tie it to Windows Vista or later); GoogleTest takes this class instead.
#pragma once

#ifdef _WIN32
#include <windows.h>

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() : m_event(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { ::CloseHandle(m_event); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;
  void Notify() { ::SetEvent(m_event); }
  void WaitForNotification() { ::WaitForSingleObject(m_event, INFINITE); }

 private:
  HANDLE m_event;
};

}  // namespace internal
}  // namespace testing
#endif
