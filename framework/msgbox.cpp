#include "framework/msgbox.h"

#include <cstdio>

#include "framework/cstring.h"
#include "platform/windows_api.h"

namespace {
HWND g_owner = nullptr;
const UINT kIconMask = 0x000000F0u;

CString ApplicationName() {
  char path[MAX_PATH + 1] = {0};
  DWORD length = Win().GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length > MAX_PATH) length = MAX_PATH;
  CString name(path, static_cast<int>(length));
  int slash = name.ReverseFind('\\');
  int forward = name.ReverseFind('/');
  if (forward > slash) slash = forward;
  name = name.Mid(slash + 1);
  int dot = name.ReverseFind('.');
  if (dot > 0) name = name.Left(dot);
  return name;
}
}  // namespace

void AfxSetMessageBoxOwner(HWND owner) { g_owner = owner; }

int AfxMessageBox(const char* text, UINT type, UINT /*helpId*/) {
  // A system without boxes gets the text on its error stream.
  if (!HaveWindowsApi()) {
    std::fputs(text != nullptr ? text : "", stderr);
    std::fputc('\n', stderr);
    return IDOK;
  }
  if ((type & kIconMask) == 0) type |= MB_ICONEXCLAMATION;
  CString caption = ApplicationName();
  return Win().MessageBoxA(g_owner, text, caption, type);
}
