// The scripted stand-in for Windows, used by tests: it emulates drives on
// both transports (ASPI, and pass-through under the Windows drive port,
// which it installs) from a DriveProfile, answers the other calls from its
// script, and records every call it receives.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/pass_through.h"
#include "platform/windows_api.h"
#include "platform/windows_drive_port.h"
#include "tools/driveemu/aspi_engine.h"

class StandInPlatform : public WindowsApi, private driveemu::AspiHost {
 public:
  // Installs itself as the seam; the destructor restores the previous one.
  explicit StandInPlatform(const driveemu::DriveProfile& profile = driveemu::DriveProfile());
  ~StandInPlatform() override;

  // --- Script ---
  OSVERSIONINFOA version;  // what GetVersionExA reports (default: NT 5.1)
  bool versionCallFails = false;
  bool aspiLibraryPresent = true;
  bool createEventFails = false;
  // Results that WaitForSingleObject gives, in order, before it answers from
  // the events (WAIT_TIMEOUT lets a pending ASPI block stay pending).
  std::deque<DWORD> waitResults;
  bool classDevsFail = false;
  // Overrides the size that the detail size query reports, per interface.
  std::map<DWORD, DWORD> detailSizeOverride;
  std::string moduleFileName = "C:\\Program Files\\Quillanor\\Quillanor.exe";
  std::string windowsDirectory = "C:\\WINDOWS";
  std::string systemDirectory = "C:\\WINDOWS\\system32";
  // Files that CreateFileA can open (by path); the error given for others.
  std::map<std::string, DWORD> fileOpenErrors;
  std::vector<std::string> existingFiles;
  // Version blocks by path, for the version-information calls: the bytes
  // of a version resource, as a PE file holds them.
  std::map<std::string, std::vector<BYTE>> versionBlocks;
  // Real PE files on this machine by the path the program sees; their
  // version resources are read the way the version calls read them.
  std::map<std::string, std::string> peFiles;
  // The error a pass-through request gets when its drive's transport fails.
  DWORD transportError = 1117;  // ERROR_IO_DEVICE
  // A driver that claims more than the room it was given: this many bytes
  // more than the buffer and the sense area in the lengths it returns.
  ULONG passThroughOverstatement = 0;
  // A double-byte code page: the lead bytes.
  std::vector<BYTE> leadBytes;

  // --- Record ---
  struct Call {
    std::string name;
    std::string detail;
  };
  std::vector<Call> calls;
  std::vector<std::string> messages;
  std::vector<std::string> messageCaptions;
  std::vector<UINT> messageTypes;
  std::vector<std::string> aspiLog;
  // Headers of the pass-through requests as the stand-in received them
  // (before answering).
  std::vector<ScsiPassThroughDirect> passThroughRequests;
  std::vector<DWORD> passThroughSizes;
  // The data each data-out pass-through request carried, as it arrived.
  std::vector<std::vector<BYTE>> passThroughDataOut;
  // The storage property queries as received, and the room each gave for
  // the answer.
  std::vector<StoragePropertyQuery> propertyQueries;
  std::vector<DWORD> propertyRooms;
  // Copies of each host adapter inquiry block as handed to SendASPI32Command.
  std::vector<std::vector<BYTE>> aspiInquiries;
  // Copies of each execute block as it was handed to SendASPI32Command.
  std::vector<std::vector<BYTE>> aspiBlocks;
  std::map<HANDLE, int> closeCounts;

  int CountCalls(const std::string& name) const;
  int CountAspiLog(const std::string& prefix) const;
  HANDLE DriveHandle(size_t interfaceIndex) const;
  size_t OpenHandleCount() const;
  driveemu::DriveProfile& Profile() { return m_profile; }

  // --- The seam ---
  BOOL GetVersionExA(OSVERSIONINFOA* info) override;
  UINT SetErrorMode(UINT mode) override;
  HMODULE LoadLibraryA(const char* name) override;
  FARPROC GetProcAddress(HMODULE module, const char* name) override;
  BOOL FreeLibrary(HMODULE module) override;
  HANDLE CreateFileA(const char* path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                     DWORD flags, HANDLE templ) override;
  DWORD GetLastError() override;
  BOOL CloseHandle(HANDLE handle) override;
  // C: a fixed disk, and each drive's letter (EmulatedUnit::driveLetter).
  DWORD GetLogicalDrives() override;
  UINT GetDriveTypeA(const char* root) override;
  BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                       DWORD* returned, LPOVERLAPPED overlapped) override;
  HANDLE CreateEventA(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState,
                      const char* name) override;
  DWORD WaitForSingleObject(HANDLE handle, DWORD timeout) override;
  BOOL ResetEvent(HANDLE event) override;
  DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size) override;
  UINT GetWindowsDirectoryA(char* buffer, UINT size) override;
  UINT GetSystemDirectoryA(char* buffer, UINT size) override;
  BOOL IsDBCSLeadByte(BYTE ch) override;
  DWORD CharLowerBuffA(char* text, DWORD length) override;
  HDEVINFO SetupDiGetClassDevsA(const GUID* guid, const char* enumerator, HWND parent, DWORD flags) override;
  BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA info, const GUID* guid, DWORD index,
                                   PSP_DEVICE_INTERFACE_DATA data) override;
  BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                        PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD size, DWORD* required,
                                        PSP_DEVINFO_DATA info) override;
  BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) override;
  DWORD GetFileVersionInfoSizeA(const char* path, DWORD* handle) override;
  BOOL GetFileVersionInfoA(const char* path, DWORD handle, DWORD size, void* data) override;
  BOOL VerQueryValueA(const void* block, const char* subBlock, void** value, UINT* length) override;
  int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) override;
  // "error <n>" for every code, or the text scripted in errorTexts.
  DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, char* buffer, DWORD size,
                       void* arguments) override;
  std::map<DWORD, std::string> errorTexts;

  // The device path of pass-through interface n.
  static std::string InterfacePath(size_t n);

 private:
  // driveemu::AspiHost
  void SignalEvent(void* event) override;
  void Defer(void* event, DWORD milliseconds, std::function<void()> work) override;
  void Log(const std::string& line) override;

  void Record(const std::string& name, const std::string& detail = std::string());
  // The version resource for a path, from versionBlocks or peFiles.
  bool VersionResource(const char* path, std::vector<BYTE>* resource) const;
  // IOCTL_STORAGE_QUERY_PROPERTY on an open drive, answered from its unit.
  BOOL QueryProperty(const driveemu::EmulatedUnit& unit, void* in, DWORD inSize, void* out, DWORD outSize,
                     DWORD* returned);
  // The units that pass-through discovery lists, in interface order.
  std::vector<const driveemu::EmulatedUnit*> Interfaces() const;
  static DWORD ASPI_CALL GetSupportTrampoline();
  static DWORD ASPI_CALL SendCommandTrampoline(void* srb);

  driveemu::DriveProfile m_profile;
  std::unique_ptr<driveemu::AspiEngine> m_engine;
  WindowsApi* m_previous;
  WindowsDrivePort m_port;
  DrivePort* m_previousPort;
  DWORD m_lastError = 0;
  UINT m_errorMode = 0;
  HMODULE m_library = nullptr;
  uintptr_t m_nextHandle = 0x1000;
  std::map<HANDLE, const driveemu::EmulatedUnit*> m_openDrives;
  std::map<HANDLE, size_t> m_driveIndex;
  std::map<HANDLE, size_t> m_letterHandles;  // \\.\X: opened: the drive's interface number
  std::map<HANDLE, bool> m_events;  // event -> signalled
  std::set<HANDLE> m_files;
  std::vector<std::pair<void*, std::function<void()>>> m_deferred;
  HDEVINFO m_infoSet = nullptr;
};
