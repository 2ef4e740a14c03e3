// The application: refuses unsupported systems, otherwise runs the main
// window once and ends.
#pragma once

#include "framework/win/afxwin.h"

class CViewerApp : public CWinApp {
 public:
  CViewerApp();
  BOOL InitInstance() override;

  BOOL m_bWin98OrLater;
  BOOL m_bWin2000OrLater;

  DECLARE_MESSAGE_MAP()
};
