// The Windows calls of the program (versions, libraries, files, events,
// paths, text, the Setup API, version resources, message boxes), in the
// platform's own terms: same names, arguments and results. Windows builds
// forward them to the system (win_platform.cpp); tests install a scripted
// stand-in. Other systems have none of them: drive access goes through the
// drive port (drive_port.h), and text through text.h.
#pragma once

#include "platform/wintypes.h"

// Calling convention of the ASPI library's entry points.
#if defined(_WIN32) && !defined(_WIN64)
#define ASPI_CALL __cdecl
#else
#define ASPI_CALL
#endif

typedef DWORD(ASPI_CALL* PFN_GetASPI32SupportInfo)();
typedef DWORD(ASPI_CALL* PFN_SendASPI32Command)(void* srb);

// Converts between entry-point types; the detour through a plain function
// type says that the conversion is meant.
template <class To, class From>
To EntryPointCast(From entry) {
  return reinterpret_cast<To>(reinterpret_cast<void (*)()>(entry));
}

class WindowsApi {
 public:
  virtual ~WindowsApi() {}

  // --- Kernel: system version and libraries ---
  // Fills the record by dwOSVersionInfoSize; FALSE leaves it as it was.
  virtual BOOL GetVersionExA(OSVERSIONINFOA* info) = 0;
  // Sets the error mode and returns the previous one.
  virtual UINT SetErrorMode(UINT mode) = 0;
  // Loads a library by name; null when it cannot be loaded.
  virtual HMODULE LoadLibraryA(const char* name) = 0;
  // Looks up an entry point; null when the library lacks it.
  virtual FARPROC GetProcAddress(HMODULE module, const char* name) = 0;
  // Releases a library that LoadLibraryA returned.
  virtual BOOL FreeLibrary(HMODULE module) = 0;

  // --- Kernel: files and devices ---
  // Opens a file or device; INVALID_HANDLE_VALUE with GetLastError on failure.
  virtual HANDLE CreateFileA(const char* path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                             DWORD disposition, DWORD flags, HANDLE templ) = 0;
  // The error code of the last failed call on this thread.
  virtual DWORD GetLastError() = 0;
  // Closes a file, device or event handle.
  virtual BOOL CloseHandle(HANDLE handle) = 0;
  // Sends a control code to an open device; synchronous without OVERLAPPED.
  virtual BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                               DWORD* returned, LPOVERLAPPED overlapped) = 0;

  // The drive letters in use, bit 0 for A:.
  virtual DWORD GetLogicalDrives() = 0;
  // What kind of drive a root ("D:\\") is: DRIVE_CDROM (5), ...
  virtual UINT GetDriveTypeA(const char* root) = 0;

  // --- Kernel: events ---
  // Creates an event; null on failure.
  virtual HANDLE CreateEventA(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState,
                              const char* name) = 0;
  // Waits up to timeout milliseconds; WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED.
  virtual DWORD WaitForSingleObject(HANDLE handle, DWORD timeout) = 0;
  // Puts an event back into the unsignalled state.
  virtual BOOL ResetEvent(HANDLE event) = 0;

  // --- Kernel: paths ---
  // Path of a module (null: the program); length copied, 0 on failure.
  virtual DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size) = 0;
  // The Windows directory; length copied, 0 on failure.
  virtual UINT GetWindowsDirectoryA(char* buffer, UINT size) = 0;
  // The system directory; length copied, 0 on failure.
  virtual UINT GetSystemDirectoryA(char* buffer, UINT size) = 0;

  // --- Text in the ANSI code page ---
  // TRUE when the byte begins a double-byte character.
  virtual BOOL IsDBCSLeadByte(BYTE ch) = 0;
  // Lower-cases length bytes in place, multibyte-aware.
  virtual DWORD CharLowerBuffA(char* text, DWORD length) = 0;
  // Converts wideLength UTF-16 units to 8-bit text in codePage; with outSize
  // 0, the bytes needed. Builds without the system's conversion use
  // NarrowFallbackChar for every character.
  virtual int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* wide, int wideLength, char* out,
                                  int outSize, const char* defaultChar, BOOL* usedDefault);
  // Converts length bytes of 8-bit text in codePage to UTF-16; with
  // wideSize 0, the units needed. Builds without the system's conversion
  // take each byte as the character of that value.
  virtual int MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, int length, WCHAR* wide,
                                  int wideSize);

  // --- Setup API ---
  // The set of device interfaces of a class; INVALID_HANDLE_VALUE on failure.
  virtual HDEVINFO SetupDiGetClassDevsA(const GUID* guid, const char* enumerator, HWND parent, DWORD flags) = 0;
  // Interface number index of the set; FALSE when there is none.
  virtual BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA info, const GUID* guid, DWORD index,
                                           PSP_DEVICE_INTERFACE_DATA data) = 0;
  // The interface's detail record; with no buffer, the size it needs.
  virtual BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                                PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD size,
                                                DWORD* required, PSP_DEVINFO_DATA info) = 0;
  // Releases the set that SetupDiGetClassDevsA returned.
  virtual BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) = 0;

  // --- Version information ---
  // Size of the file's version block; 0 when it has none or cannot be read.
  virtual DWORD GetFileVersionInfoSizeA(const char* path, DWORD* handle) = 0;
  // Copies the version block into data; FALSE on failure.
  virtual BOOL GetFileVersionInfoA(const char* path, DWORD handle, DWORD size, void* data) = 0;
  // Finds a value inside a version block; the pointer points into the block.
  virtual BOOL VerQueryValueA(const void* block, const char* subBlock, void** value, UINT* length) = 0;

  // --- User interface ---
  // Shows a modal message box and returns the button pressed.
  virtual int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) = 0;
  // The system's text for an error code, from the system's own table
  // (FORMAT_MESSAGE_FROM_SYSTEM); length copied, 0 when it has none.
  virtual DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, char* buffer,
                               DWORD size, void* arguments) = 0;
};

// The 8-bit form of a UTF-16 unit where no code page is at hand: U+0000 to
// U+00FF as the byte of the same value, everything else as '?'.
inline char NarrowFallbackChar(unsigned unit) { return unit < 0x100 ? static_cast<char>(unit) : '?'; }

// The Windows calls in force. Windows builds start with the system's; other
// builds start with none, and a test installs the stand-in.
WindowsApi& Win();
// Whether there are Windows calls to make at all.
bool HaveWindowsApi();
// Installs other Windows calls (or the default ones, with null); returns the previous.
WindowsApi* SetWindowsApi(WindowsApi* api);
// The system's own, where the build has them; null elsewhere.
WindowsApi* DefaultWindowsApi();
