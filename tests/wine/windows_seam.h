// The real Windows seam for tests under Wine, with one exception: message
// boxes are recorded instead of shown, so that an unattended run never
// waits for someone to press OK.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

PlatformApi* DefaultPlatformApi();

class WindowsSeamWithoutBoxes : public PlatformApi {
 public:
  WindowsSeamWithoutBoxes() : m_real(*DefaultPlatformApi()), m_previous(SetApi(this)) {}
  ~WindowsSeamWithoutBoxes() override { SetApi(m_previous); }

  std::vector<std::string> messages;
  std::vector<std::string> captions;
  std::vector<UINT> types;

  int MessageBoxA(HWND, const char* text, const char* caption, UINT type) override {
    messages.push_back(text != nullptr ? text : "");
    captions.push_back(caption != nullptr ? caption : "");
    types.push_back(type);
    return IDOK;
  }

  BOOL GetVersionExA(OSVERSIONINFOA* info) override { return m_real.GetVersionExA(info); }
  UINT SetErrorMode(UINT mode) override { return m_real.SetErrorMode(mode); }
  HMODULE LoadLibraryA(const char* name) override { return m_real.LoadLibraryA(name); }
  FARPROC GetProcAddress(HMODULE module, const char* name) override { return m_real.GetProcAddress(module, name); }
  BOOL FreeLibrary(HMODULE module) override { return m_real.FreeLibrary(module); }
  HANDLE CreateFileA(const char* path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                     DWORD disposition, DWORD flags, HANDLE templ) override {
    return m_real.CreateFileA(path, access, share, security, disposition, flags, templ);
  }
  DWORD GetLastError() override { return m_real.GetLastError(); }
  BOOL CloseHandle(HANDLE handle) override { return m_real.CloseHandle(handle); }
  BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                       DWORD* returned, LPOVERLAPPED overlapped) override {
    return m_real.DeviceIoControl(device, code, in, inSize, out, outSize, returned, overlapped);
  }
  HANDLE CreateEventA(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState,
                      const char* name) override {
    return m_real.CreateEventA(security, manualReset, initialState, name);
  }
  DWORD WaitForSingleObject(HANDLE handle, DWORD timeout) override {
    return m_real.WaitForSingleObject(handle, timeout);
  }
  BOOL ResetEvent(HANDLE event) override { return m_real.ResetEvent(event); }
  DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size) override {
    return m_real.GetModuleFileNameA(module, buffer, size);
  }
  UINT GetWindowsDirectoryA(char* buffer, UINT size) override { return m_real.GetWindowsDirectoryA(buffer, size); }
  UINT GetSystemDirectoryA(char* buffer, UINT size) override { return m_real.GetSystemDirectoryA(buffer, size); }
  BOOL IsDBCSLeadByte(BYTE ch) override { return m_real.IsDBCSLeadByte(ch); }
  DWORD CharLowerBuffA(char* text, DWORD length) override { return m_real.CharLowerBuffA(text, length); }
  HDEVINFO SetupDiGetClassDevsA(const GUID* guid, const char* enumerator, HWND parent, DWORD flags) override {
    return m_real.SetupDiGetClassDevsA(guid, enumerator, parent, flags);
  }
  BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA info, const GUID* guid, DWORD index,
                                   PSP_DEVICE_INTERFACE_DATA data) override {
    return m_real.SetupDiEnumDeviceInterfaces(set, info, guid, index, data);
  }
  BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                        PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD size, DWORD* required,
                                        PSP_DEVINFO_DATA info) override {
    return m_real.SetupDiGetDeviceInterfaceDetailA(set, data, detail, size, required, info);
  }
  BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) override { return m_real.SetupDiDestroyDeviceInfoList(set); }
  DWORD GetFileVersionInfoSizeA(const char* path, DWORD* handle) override {
    return m_real.GetFileVersionInfoSizeA(path, handle);
  }
  BOOL GetFileVersionInfoA(const char* path, DWORD handle, DWORD size, void* data) override {
    return m_real.GetFileVersionInfoA(path, handle, size, data);
  }
  BOOL VerQueryValueA(const void* block, const char* subBlock, void** value, UINT* length) override {
    return m_real.VerQueryValueA(block, subBlock, value, length);
  }

 private:
  WindowsSeamWithoutBoxes(const WindowsSeamWithoutBoxes&);
  WindowsSeamWithoutBoxes& operator=(const WindowsSeamWithoutBoxes&);

  PlatformApi& m_real;
  PlatformApi* m_previous;
};
