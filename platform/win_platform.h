// The Windows calls of a Windows build: each forwards to the system's own.
// Tests under Wine derive from it to keep message boxes off the screen.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include "platform/windows_api.h"

// An entry point of a system library that not every run needs, bound on
// first use: the library is loaded only then, not at every start of the
// program (the Setup API serves only Windows 2000 and later, the shell only
// a click on the web link). Null when the system lacks it.
template <class Function>
Function LateBound(const char* library, const char* name) {
  HMODULE module = ::LoadLibraryA(library);
  return module != nullptr ? EntryPointCast<Function>(::GetProcAddress(module, name)) : nullptr;
}

class SystemWindowsApi : public WindowsApi {
 public:
  BOOL GetVersionExA(OSVERSIONINFOA* info) override { return ::GetVersionExA(info); }
  UINT SetErrorMode(UINT mode) override { return ::SetErrorMode(mode); }
  HMODULE LoadLibraryA(const char* name) override { return ::LoadLibraryA(name); }
  FARPROC GetProcAddress(HMODULE module, const char* name) override { return ::GetProcAddress(module, name); }
  BOOL FreeLibrary(HMODULE module) override { return ::FreeLibrary(module); }
  HANDLE CreateFileA(const char* path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                     DWORD disposition, DWORD flags, HANDLE templ) override {
    return ::CreateFileA(path, access, share, security, disposition, flags, templ);
  }
  DWORD GetLastError() override { return ::GetLastError(); }
  BOOL CloseHandle(HANDLE handle) override { return ::CloseHandle(handle); }
  DWORD GetLogicalDrives() override { return ::GetLogicalDrives(); }
  UINT GetDriveTypeA(const char* root) override { return ::GetDriveTypeA(root); }
  BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                       DWORD* returned, LPOVERLAPPED overlapped) override {
    return ::DeviceIoControl(device, code, in, inSize, out, outSize, returned, overlapped);
  }
  HANDLE CreateEventA(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState,
                      const char* name) override {
    return ::CreateEventA(security, manualReset, initialState, name);
  }
  DWORD WaitForSingleObject(HANDLE handle, DWORD timeout) override {
    return ::WaitForSingleObject(handle, timeout);
  }
  BOOL ResetEvent(HANDLE event) override { return ::ResetEvent(event); }
  DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size) override {
    return ::GetModuleFileNameA(module, buffer, size);
  }
  UINT GetWindowsDirectoryA(char* buffer, UINT size) override { return ::GetWindowsDirectoryA(buffer, size); }
  UINT GetSystemDirectoryA(char* buffer, UINT size) override { return ::GetSystemDirectoryA(buffer, size); }
  BOOL IsDBCSLeadByte(BYTE ch) override { return ::IsDBCSLeadByte(ch); }
  DWORD CharLowerBuffA(char* text, DWORD length) override { return ::CharLowerBuffA(text, length); }
  int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* wide, int wideLength, char* out, int outSize,
                          const char* defaultChar, BOOL* usedDefault) override {
    return ::WideCharToMultiByte(codePage, flags, wide, wideLength, out, outSize, defaultChar, usedDefault);
  }
  int MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, int length, WCHAR* wide,
                          int wideSize) override {
    return ::MultiByteToWideChar(codePage, flags, text, length, wide, wideSize);
  }
  HDEVINFO SetupDiGetClassDevsA(const GUID* guid, const char* enumerator, HWND parent, DWORD flags) override {
    static const auto call = LateBound<decltype(&::SetupDiGetClassDevsA)>("setupapi.dll", "SetupDiGetClassDevsA");
    if (call == nullptr) {
      ::SetLastError(ERROR_NOT_SUPPORTED);
      return INVALID_HANDLE_VALUE;
    }
    return call(guid, enumerator, parent, flags);
  }
  BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA info, const GUID* guid, DWORD index,
                                   PSP_DEVICE_INTERFACE_DATA data) override {
    static const auto call =
        LateBound<decltype(&::SetupDiEnumDeviceInterfaces)>("setupapi.dll", "SetupDiEnumDeviceInterfaces");
    return call != nullptr && call(set, info, guid, index, data);
  }
  BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                        PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD size, DWORD* required,
                                        PSP_DEVINFO_DATA info) override {
    static const auto call =
        LateBound<decltype(&::SetupDiGetDeviceInterfaceDetailA)>("setupapi.dll", "SetupDiGetDeviceInterfaceDetailA");
    return call != nullptr && call(set, data, detail, size, required, info);
  }
  BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) override {
    static const auto call =
        LateBound<decltype(&::SetupDiDestroyDeviceInfoList)>("setupapi.dll", "SetupDiDestroyDeviceInfoList");
    return call != nullptr && call(set);
  }
  DWORD GetFileVersionInfoSizeA(const char* path, DWORD* handle) override {
    return ::GetFileVersionInfoSizeA(path, handle);
  }
  BOOL GetFileVersionInfoA(const char* path, DWORD handle, DWORD size, void* data) override {
    return ::GetFileVersionInfoA(path, handle, size, data);
  }
  BOOL VerQueryValueA(const void* block, const char* subBlock, void** value, UINT* length) override {
    return ::VerQueryValueA(block, subBlock, value, length);
  }
  int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) override {
    return ::MessageBoxA(owner, text, caption, type);
  }
  DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, char* buffer, DWORD size,
                       void* arguments) override {
    return ::FormatMessageA(flags, source, messageId, languageId, buffer, size,
                            static_cast<va_list*>(arguments));
  }
};
