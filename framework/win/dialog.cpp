#include "framework/win/afxwin.h"

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  if (control.m_hWnd != nullptr) return;  // bound on an earlier exchange
  control.SubclassWindow(::GetDlgItem(dx->m_pDlgWnd->m_hWnd, id));
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CWnd::CenterWindow() {
  RECT rect;
  ::GetWindowRect(m_hWnd, &rect);
  RECT area;
  HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
  if (owner != nullptr && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
    ::GetWindowRect(owner, &area);
  } else {
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  }
  int width = rect.right - rect.left;
  int height = rect.bottom - rect.top;
  int x = area.left + (area.right - area.left - width) / 2;
  int y = area.top + (area.bottom - area.top - height) / 2;
  ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CDialog::DoModal() {
  // The tree and list classes must be registered before the template is read.
  INITCOMMONCONTROLSEX controls;
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES;
  ::InitCommonControlsEx(&controls);
  HWND parent = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
  return ::DialogBoxParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), parent, &DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    CDialog* dialog = reinterpret_cast<CDialog*>(lParam);
    dialog->m_hWnd = hwnd;
    Register(hwnd, dialog);
    CWinApp* app = AfxGetApp();
    if (app != nullptr && app->m_pMainWnd == dialog) AfxSetMessageBoxOwner(hwnd);
    RECT before;
    ::GetWindowRect(hwnd, &before);
    INT_PTR focus = dialog->OnInitDialog();
    // A dialog that places itself by none of its styles, and that was not
    // moved while it initialised, is centred on the screen.
    RECT after;
    ::GetWindowRect(hwnd, &after);
    const LONG placing = DS_ABSALIGN | DS_CENTER | DS_CENTERMOUSE;
    if ((::GetWindowLongA(hwnd, GWL_STYLE) & placing) == 0 && before.left == after.left && before.top == after.top)
      dialog->CenterWindow();
    return focus;
  }
  CDialog* dialog = static_cast<CDialog*>(FromHandlePermanent(hwnd));
  if (dialog == nullptr) return FALSE;
  if (message == WM_NCDESTROY) {
    CWinApp* app = AfxGetApp();
    if (app != nullptr && app->m_pMainWnd == dialog) AfxSetMessageBoxOwner(nullptr);
    Unregister(hwnd);
    dialog->m_hWnd = nullptr;
    return FALSE;
  }

  LRESULT result = 0;
  bool handled = dialog->OnWndMsg(message, wParam, lParam, &result);
  if (!handled && message == WM_COMMAND && (HIWORD(wParam) == BN_CLICKED || lParam == 0)) {
    // Exit (the default button), Enter, Escape and the close box all arrive
    // here as IDOK or IDCANCEL.
    UINT id = LOWORD(wParam);
    if (id == IDOK) {
      dialog->OnOK();
      handled = true;
    } else if (id == IDCANCEL) {
      dialog->OnCancel();
      handled = true;
    } else if (AfxGetApp() != nullptr) {
      handled = AfxGetApp()->OnCmdMsg(id, 0);
    }
  }
  if (!handled) return FALSE;
  switch (message) {
    // These return their answer directly from a dialog procedure.
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_QUERYDRAGICON:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
      return static_cast<INT_PTR>(result);
    default:
      ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
      return TRUE;
  }
}
