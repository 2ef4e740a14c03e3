#include "platform/windows_api.h"

#include <cstdio>
#include <cstdlib>

const GUID kGuidDevinterfaceCdrom = {0x53F56308, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};

namespace {
WindowsApi* g_api = nullptr;
}

bool HaveWindowsApi() {
  if (g_api == nullptr) g_api = DefaultWindowsApi();
  return g_api != nullptr;
}

WindowsApi& Win() {
  if (!HaveWindowsApi()) {
    std::fputs("quillanor: this system has no Windows calls\n", stderr);
    std::abort();
  }
  return *g_api;
}

WindowsApi* SetWindowsApi(WindowsApi* api) {
  WindowsApi* previous = g_api;
  g_api = api;
  return previous;
}

int WindowsApi::WideCharToMultiByte(UINT, DWORD, const WCHAR* wide, int wideLength, char* out, int outSize,
                                     const char*, BOOL* usedDefault) {
  if (usedDefault != nullptr) *usedDefault = FALSE;
  if (wide == nullptr || wideLength < 0 || outSize < 0) return 0;
  int n = 0;
  for (int i = 0; i < wideLength; ++i) {
    unsigned unit = static_cast<unsigned>(wide[i]);
    // A surrogate pair is one character and gets one replacement.
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < wideLength && static_cast<unsigned>(wide[i + 1]) >= 0xDC00 &&
        static_cast<unsigned>(wide[i + 1]) < 0xE000)
      ++i;
    char c = NarrowFallbackChar(unit);
    if (c == '?' && unit != '?' && usedDefault != nullptr) *usedDefault = TRUE;
    if (outSize != 0) {
      if (n >= outSize) return 0;  // too small, as the system's call
      out[n] = c;
    }
    ++n;
  }
  return n;
}

int WindowsApi::MultiByteToWideChar(UINT, DWORD, const char* text, int length, WCHAR* wide, int wideSize) {
  if (text == nullptr || length < 0 || wideSize < 0) return 0;
  if (wideSize != 0 && wideSize < length) return 0;  // too small, as the system's call
  for (int i = 0; i < length && wideSize != 0; ++i) wide[i] = static_cast<WCHAR>(static_cast<unsigned char>(text[i]));
  return length;
}
