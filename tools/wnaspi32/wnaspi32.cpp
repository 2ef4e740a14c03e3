// The emulated ASPI library. A thin shell around AspiEngine: the profile
// named by QUILLANOR_ASPI_PROFILE says what is on the buses, and every
// command is logged to QUILLANOR_ASPI_LOG when that is set.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/aspi.h"
#include "platform/windows_api.h"
#include "tools/driveemu/aspi_engine.h"

extern "C" {
DWORD ASPI_CALL GetASPI32SupportInfo();
DWORD ASPI_CALL SendASPI32Command(void* srb);
}

namespace {

HMODULE g_self = nullptr;

std::string Environment(const char* name) {
  // The process environment as SetEnvironmentVariableA leaves it; the C
  // runtime's copy would miss changes made after it started.
  char buffer[1024];
  DWORD length = GetEnvironmentVariableA(name, buffer, sizeof(buffer));
  if (length == 0 || length >= sizeof(buffer)) return std::string();
  return std::string(buffer, length);
}

struct DeferredWork {
  DWORD milliseconds;
  std::function<void()> work;
};

DWORD WINAPI RunDeferred(void* parameter) {
  std::unique_ptr<DeferredWork> deferred(static_cast<DeferredWork*>(parameter));
  Sleep(deferred->milliseconds);
  deferred->work();
  deferred.reset();
  // The thread held a reference on the library so that it is not unloaded
  // under our feet; drop it and end in one step.
  FreeLibraryAndExitThread(g_self, 0);
  return 0;
}

class WindowsAspiHost : public driveemu::AspiHost {
 public:
  explicit WindowsAspiHost(const std::string& logPath) : m_logPath(logPath) {}

  void SignalEvent(void* event) override {
    if (event != nullptr) SetEvent(static_cast<HANDLE>(event));
  }

  void Defer(void*, DWORD milliseconds, std::function<void()> work) override {
    DeferredWork* deferred = new DeferredWork{milliseconds, std::move(work)};
    char path[MAX_PATH + 1] = {0};
    HMODULE pin = nullptr;
    if (g_self != nullptr && GetModuleFileNameA(g_self, path, MAX_PATH) != 0) pin = LoadLibraryA(path);
    HANDLE thread = pin != nullptr ? CreateThread(nullptr, 0, RunDeferred, deferred, 0, nullptr) : nullptr;
    if (thread != nullptr) {
      CloseHandle(thread);
      return;
    }
    // No thread: finish now. The caller still sees SS_PENDING and waits on
    // an event that is already signalled.
    if (pin != nullptr) FreeLibrary(pin);
    Log("DEFER no thread, completing at once");
    std::unique_ptr<DeferredWork> owned(deferred);
    owned->work();
  }

  void Log(const std::string& line) override {
    if (m_logPath.empty()) return;
    driveemu::LockHold hold(m_lock);
    // Opened per line, so that a reader (or a test that empties the file)
    // never finds it locked or half-written.
    FILE* file = std::fopen(m_logPath.c_str(), "ab");
    if (file == nullptr) return;
    std::fprintf(file, "%s\r\n", line.c_str());
    std::fclose(file);
  }

 private:
  std::string m_logPath;
  driveemu::Lock m_lock;
};

// Reads the profile; on any failure the library has no adapters.
driveemu::DriveProfile LoadProfile(const std::string& path, std::string* error) {
  driveemu::DriveProfile profile;
  profile.supportInfoSet = true;
  profile.supportInfo = static_cast<DWORD>(SS_NO_ADAPTERS) << 8;
  if (path.empty()) {
    *error = "QUILLANOR_ASPI_PROFILE is not set";
    return profile;
  }
  // Read with stdio: iostreams would make the library many times larger,
  // and slower to load, than the ASPI layer it stands in for.
  std::FILE* input = std::fopen(path.c_str(), "rb");
  if (input == nullptr) {
    *error = "cannot read the profile " + path;
    return profile;
  }
  std::string text;
  char chunk[4096];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, input)) > 0;) text.append(chunk, got);
  std::fclose(input);
  driveemu::DriveProfile parsed;
  std::string why;
  if (!driveemu::ParseProfile(text, &parsed, &why)) {
    *error = path + ": " + why;
    return profile;
  }
  return parsed;
}

class EmulatedLibrary {
 public:
  EmulatedLibrary() : m_host(Environment("QUILLANOR_ASPI_LOG")), m_engine(Load(), m_host) {
    if (!m_error.empty()) m_host.Log("PROFILE " + m_error);
  }
  driveemu::AspiEngine& Engine() { return m_engine; }

 private:
  driveemu::DriveProfile Load() { return LoadProfile(Environment("QUILLANOR_ASPI_PROFILE"), &m_error); }

  std::string m_error;  // declared first: Load() fills it during construction
  WindowsAspiHost m_host;
  driveemu::AspiEngine m_engine;
};

// Built on the first call rather than in DllMain, where reading files and
// starting threads is not safe.
EmulatedLibrary& Library() {
  static EmulatedLibrary library;
  return library;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) g_self = instance;
  return TRUE;
}

extern "C" DWORD ASPI_CALL GetASPI32SupportInfo() { return Library().Engine().GetSupportInfo(); }

extern "C" DWORD ASPI_CALL SendASPI32Command(void* srb) { return Library().Engine().SendCommand(srb); }
