// The smallest program that opens a dialog with a tree and a list, built
// like Quillanor.exe: the yardstick for its start-up time.
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <vector>

namespace {

void Align(std::vector<WORD>& t) {
  if (t.size() % 2 != 0) t.push_back(0);
}

void Text(std::vector<WORD>& t, const wchar_t* text) {
  for (; *text != 0; ++text) t.push_back(static_cast<WORD>(*text));
  t.push_back(0);
}

void Item(std::vector<WORD>& t, DWORD style, short x, short y, short cx, short cy, WORD id, const wchar_t* cls) {
  Align(t);
  DLGITEMTEMPLATE item = {style, 0, x, y, cx, cy, id};
  const WORD* words = reinterpret_cast<const WORD*>(&item);
  t.insert(t.end(), words, words + sizeof(item) / 2);
  Text(t, cls);
  t.push_back(0);  // no text
  t.push_back(0);  // no creation data
}

INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(hwnd, LOWORD(wParam));
    return TRUE;
  }
  return message == WM_INITDIALOG;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  std::vector<WORD> t;
  DLGTEMPLATE dialog = {WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 3,
                        0, 0, 428, 258};
  const WORD* words = reinterpret_cast<const WORD*>(&dialog);
  t.insert(t.end(), words, words + sizeof(dialog) / 2);
  t.push_back(0);  // no menu
  t.push_back(0);  // default class
  Text(t, L"Bare dialog");
  t.push_back(8);
  Text(t, L"MS Sans Serif");
  Item(t, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 54, 226, 50, 14, IDOK, L"Button");
  Item(t, WS_CHILD | WS_VISIBLE | WS_BORDER | TVS_HASLINES, 7, 27, 142, 77, 1001, L"SysTreeView32");
  Item(t, WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT, 157, 27, 264, 223, 1002, L"SysListView32");
  Align(t);
  return static_cast<int>(
      DialogBoxIndirectParamA(instance, reinterpret_cast<const DLGTEMPLATE*>(t.data()), nullptr, &Proc, 0));
}
