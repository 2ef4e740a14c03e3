// The yardstick for Quillanor.exe's start-up: the same resources (manifest
// and common controls version, dialog template, icons, cursor) and the same
// work on the window as Quillanor.exe does it (icons, image list, tree root,
// columns, title font), in plain Win32 and nothing else: no class framework,
// no drives, no version record. The ratio of the two start-ups is what the
// program adds of its own.
#include <windows.h>
#include <commctrl.h>

#include "app/resource.h"

namespace {

HFONT g_title = nullptr;
HIMAGELIST g_images = nullptr;

void SetUp(HWND dialog) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN));
  SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

  g_images = ImageList_Create(16, 16, ILC_MASK, 20, 1);
  ImageList_AddIcon(g_images, LoadIconA(instance, MAKEINTRESOURCEA(IDI_COMPUTER)));
  ImageList_AddIcon(g_images, LoadIconA(instance, MAKEINTRESOURCEA(IDI_DRIVE)));
  HWND tree = GetDlgItem(dialog, IDC_DEVICE_TREE);
  SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(g_images));
  TVINSERTSTRUCTA root = {};
  root.hParent = TVI_ROOT;
  root.hInsertAfter = TVI_LAST;
  root.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
  root.item.pszText = const_cast<char*>("No CD/DVD Devices Found");
  root.item.lParam = -1;
  SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&root));

  HWND list = GetDlgItem(dialog, IDC_INFO_LIST);
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT | LVCF_FMT;
  column.pszText = const_cast<char*>("CD/DVD Information Field");
  SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
  column.fmt = LVCFMT_CENTER;
  column.pszText = const_cast<char*>("Result");
  SendMessageA(list, LVM_INSERTCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
  RECT rect;
  GetWindowRect(list, &rect);
  SendMessageA(list, LVM_SETCOLUMNWIDTH, 0, rect.right - rect.left - 100);
  SendMessageA(list, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE_USEHEADER);

  HDC dc = GetDC(dialog);
  LOGFONTA font = {};
  font.lfHeight = -MulDiv(12, GetDeviceCaps(dc, LOGPIXELSX), 72);
  ReleaseDC(dialog, dc);
  font.lfWeight = FW_BOLD;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  lstrcpyA(font.lfFaceName, "Arial");
  g_title = CreateFontIndirectA(&font);
  SendDlgItemMessageA(dialog, IDC_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(g_title), TRUE);
}

INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    SetUp(dialog);
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  const INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, &Proc, 0);
  DeleteObject(g_title);
  ImageList_Destroy(g_images);
  return static_cast<int>(result);
}
