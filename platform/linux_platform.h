// The operating-system seam on Linux. The algorithms above the seam speak
// the platform's Windows terms; here those calls are carried out with what
// Linux has: the optical drives that sysfs lists stand for the CD-ROM
// interface set, /dev/srN for the opened drive, and the SG_IO ioctl for the
// SCSI pass-through control. There is no ASPI library, so the version record
// always says NT and the device list takes the pass-through road.
#pragma once

#include <sys/stat.h>

#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

// The few system calls the seam makes, so tests can stand in for the kernel.
// Each returns what the system call returns, or -errno on failure.
class LinuxSystem {
 public:
  virtual ~LinuxSystem() {}
  // open(2); a descriptor, or -errno.
  virtual int Open(const char* path, int flags) = 0;
  // ioctl(2); the call's result, or -errno.
  virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
  // close(2); 0, or -errno.
  virtual int Close(int fd) = 0;
  // stat(2); 0, or -errno.
  virtual int Stat(const char* path, struct stat* info) = 0;
};

// The kernel itself.
LinuxSystem& RealLinuxSystem();

// Where the seam looks; tests point them at a tree of their own.
struct LinuxPaths {
  std::string sysfs = "/sys";
  std::string dev = "/dev";
  std::string groupFile = "/etc/group";
};

// What the seam knows of a drive it found in sysfs.
struct LinuxDrive {
  std::string name;  // srN
  int address[4];    // SCSI host, channel, target, lun
};

class LinuxPlatform : public PlatformApi {
 public:
  LinuxPlatform();
  LinuxPlatform(const LinuxPaths& paths, LinuxSystem& system);
  ~LinuxPlatform() override;

  // The optical drives of sysfs, in SCSI address order.
  std::vector<LinuxDrive> ListDrives() const;
  // After a drive could not be opened for want of permission: which node,
  // and who may open it. Empty when every open succeeded.
  std::string AccessAdvice() const override { return m_accessAdvice; }
  // SG_IO calls made so far.
  unsigned long SgIoCount() const { return m_sgIoCount; }

  BOOL GetVersionExA(OSVERSIONINFOA* info) override;
  UINT SetErrorMode(UINT mode) override;
  HMODULE LoadLibraryA(const char* name) override;
  FARPROC GetProcAddress(HMODULE module, const char* name) override;
  BOOL FreeLibrary(HMODULE module) override;
  HANDLE CreateFileA(const char* path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                     DWORD disposition, DWORD flags, HANDLE templ) override;
  DWORD GetLastError() override { return m_lastError; }
  BOOL CloseHandle(HANDLE handle) override;
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
  // Writes "caption: text" to standard error: there is no window to own a box.
  int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) override;

 private:
  LinuxPlatform(const LinuxPlatform&);
  LinuxPlatform& operator=(const LinuxPlatform&);

  BOOL Fail(DWORD error);
  BOOL PassThrough(int fd, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned);
  void NoteAccessProblem(const char* path);
  std::string GroupName(unsigned gid) const;

  LinuxPaths m_paths;
  LinuxSystem& m_system;
  DWORD m_lastError;
  unsigned long m_sgIoCount;
  std::string m_accessAdvice;
  // Handles are small numbers of our own, so a stale or foreign handle is
  // refused instead of closing somebody else's descriptor.
  std::map<std::uintptr_t, int> m_files;
  std::map<std::uintptr_t, std::vector<std::string> > m_sets;
  std::uintptr_t m_nextHandle;
};

// Maps an errno value to the platform's error code.
DWORD ErrorFromErrno(int error);
