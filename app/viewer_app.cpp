#include "app/viewer_app.h"

#include "app/os_gate.h"
#include "app/viewer_dlg.h"

BEGIN_MESSAGE_MAP(CViewerApp, CWinApp)
  ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CViewerApp::CViewerApp() : CWinApp(nullptr), m_bWin98OrLater(FALSE), m_bWin2000OrLater(FALSE) {
  OsSupport support = EvaluateOsSupport();
  m_bWin98OrLater = support.win98OrLater;
  m_bWin2000OrLater = support.win2000OrLater;
}

BOOL CViewerApp::InitInstance() {
  if (!m_bWin98OrLater && !m_bWin2000OrLater) {
    AfxMessageBox(kUnsupportedSystemMessage, MB_OK, 0);
    return FALSE;
  }
  CViewerDlg dialog(nullptr);
  m_pMainWnd = &dialog;
  dialog.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;
}

// The one application object.
CViewerApp theApp;
