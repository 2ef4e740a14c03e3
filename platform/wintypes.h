// The Windows types, records and constants that the program uses.
// On Windows they come from the system headers; elsewhere we declare the
// same names with the same layouts, so the algorithms compile unchanged.
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <setupapi.h>
#include <commctrl.h>

#else  // !_WIN32

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned char UCHAR;
typedef unsigned short WORD;
typedef unsigned short USHORT;
typedef std::uint32_t DWORD;
typedef std::uint32_t ULONG;
typedef unsigned int UINT;
typedef int INT;
typedef char CHAR;
typedef char16_t WCHAR;
typedef std::intptr_t INT_PTR;
typedef std::uintptr_t UINT_PTR;
typedef std::uintptr_t ULONG_PTR;
typedef std::uintptr_t WPARAM;
typedef std::intptr_t LPARAM;
typedef std::intptr_t LRESULT;
typedef void* HANDLE;
typedef void* HMODULE;
typedef void* HINSTANCE;
typedef void* HWND;
typedef void* HDEVINFO;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef DWORD* LPDWORD;
typedef INT_PTR (*FARPROC)();

#define TRUE 1
#define FALSE 0
#define WINAPI
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))
#define MAX_PATH 260
#define INFINITE 0xFFFFFFFFu
#define CP_ACP 0
#define CP_THREAD_ACP 3

struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
};

struct SECURITY_ATTRIBUTES;
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
struct OVERLAPPED;
typedef OVERLAPPED* LPOVERLAPPED;

// Setup API records: 8-byte packing on 64-bit platforms, byte packing on
// 32-bit ones, as the platform declares them.
#if UINTPTR_MAX > 0xFFFFFFFFu
#pragma pack(push, 8)
#else
#pragma pack(push, 1)
#endif
struct SP_DEVINFO_DATA {
  DWORD cbSize;
  GUID ClassGuid;
  DWORD DevInst;
  ULONG_PTR Reserved;
};
struct SP_DEVICE_INTERFACE_DATA {
  DWORD cbSize;
  GUID InterfaceClassGuid;
  DWORD Flags;
  ULONG_PTR Reserved;
};
struct SP_DEVICE_INTERFACE_DETAIL_DATA_A {
  DWORD cbSize;
  CHAR DevicePath[1];
};
#pragma pack(pop)
typedef SP_DEVINFO_DATA* PSP_DEVINFO_DATA;
typedef SP_DEVICE_INTERFACE_DATA* PSP_DEVICE_INTERFACE_DATA;
typedef SP_DEVICE_INTERFACE_DETAIL_DATA_A* PSP_DEVICE_INTERFACE_DETAIL_DATA_A;

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2
#define SEM_NOOPENFILEERRORBOX 0x8000
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define OPEN_EXISTING 3
#define ERROR_SUCCESS 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_BAD_UNIT 20
#define ERROR_NOT_READY 21
#define ERROR_GEN_FAILURE 31
#define ERROR_NOT_SUPPORTED 50
#define ERROR_DEV_NOT_EXIST 55
#define ERROR_INVALID_PARAMETER 87
#define ERROR_SEM_TIMEOUT 121
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_NO_MORE_ITEMS 259
#define ERROR_IO_DEVICE 1117
#define ERROR_DEVICE_NOT_CONNECTED 1167
#define ERROR_TIMEOUT 1460
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define DIGCF_PRESENT 0x00000002
#define DIGCF_PROFILE 0x00000008
#define DIGCF_DEVICEINTERFACE 0x00000010
#define MB_OK 0x00000000u
#define MB_ICONEXCLAMATION 0x00000030u
#define IDOK 1
#define IDCANCEL 2
#define LVIF_TEXT 0x0001

#endif  // _WIN32

#ifndef ERROR_NO_SUCH_DEVICE  // not in every set of Windows headers
#define ERROR_NO_SUCH_DEVICE 433
#endif

// {53F56308-B6BF-11D0-94F2-00A0C91EFB8B}: the CD-ROM device interface class.
extern const GUID kGuidDevinterfaceCdrom;

// The fixed part of the interface detail record: 5 bytes on 32-bit Windows,
// 8 on 64-bit, which is what the Setup API checks cbSize against.
static_assert(sizeof(void*) == 8 || sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 5,
              "32-bit interface detail record must be byte-packed");
static_assert(sizeof(void*) == 4 || sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 8,
              "64-bit interface detail record must be 8 bytes");
static_assert(sizeof(void*) == 8 || sizeof(SP_DEVICE_INTERFACE_DATA) == 28,
              "32-bit interface data record is 28 bytes");
static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA is 148 bytes");
