// How a directory given to the version record becomes the one it opens.
#include "platform/windows_api.h"
#include "version/module_version.h"

namespace {

// The buffer holds one byte more than the call may fill: a path of exactly
// MAX_PATH characters (which some systems leave unterminated) still ends.
typedef char PathBuffer[MAX_PATH + 1];

CString WindowsDirectory() {
  PathBuffer buffer = {};
  Win().GetWindowsDirectoryA(buffer, MAX_PATH);
  return CString(buffer);
}

CString SystemDirectory() {
  PathBuffer buffer = {};
  Win().GetSystemDirectoryA(buffer, MAX_PATH);
  return CString(buffer);
}

// The running program's own directory: its path up to the last backslash.
CString ModuleDirectory() {
  PathBuffer buffer = {};
  Win().GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  CString path(buffer);
  int slash = path.ReverseFind('\\');
  return slash >= 0 ? path.Left(slash) : path;
}

void ReplaceFirst(CString& text, const char* macro, const CString& replacement) {
  int at = text.Find(macro);
  if (at < 0) return;
  text.Delete(at, CString(macro).GetLength());
  text.Insert(at, replacement);
}

}  // namespace

void CModuleVersionVek::ExpandPathMacros(CString& text) {
  // Asked anew each time, before any replacement.
  CString windows = WindowsDirectory();
  CString system = SystemDirectory();
  CString module = ModuleDirectory();
  ReplaceFirst(text, "$windir", windows);
  ReplaceFirst(text, "%systemroot%", windows);
  ReplaceFirst(text, "$systemdir", system);
  ReplaceFirst(text, "$targetdir", module);
}

CString CModuleVersionVek::NormalizeDirectory(const char* directory) {
  CString text(directory);
  // Lower-cased first, so that the macros match in any case; the
  // directories put in for them keep the system's own case.
  text.MakeLower();
  ExpandPathMacros(text);
  text.TrimRight('\\');
  if (text.GetAt(0) == '\\' && text.GetAt(1) != '\\') text.Insert(0, SystemDirectory().Left(2));
  return text;
}

BOOL IsFileReadable(const char* path) {
  if (path == nullptr || *path == '\0') return FALSE;
  HANDLE file = Win().CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
  if (file == INVALID_HANDLE_VALUE) return FALSE;
  Win().CloseHandle(file);
  return TRUE;
}
