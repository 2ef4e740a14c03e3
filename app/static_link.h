// CStaticLinkVek: a static text that draws itself as a link, shows a hand
// over itself, and opens its own text (a URL) with the shell when clicked.
#pragma once

#include "framework/win/afxwin.h"

class CStaticLinkVek : public CStatic {
  DECLARE_DYNAMIC(CStaticLinkVek)

 public:
  explicit CStaticLinkVek(UINT cursorId);
  ~CStaticLinkVek() override;

  COLORREF m_colorNormal;
  COLORREF m_colorVisited;
  BOOL m_bVisited;
  HCURSOR m_hLinkCursor;
  UINT m_nCursorId;
  CString m_strTarget;
  CFont m_fontUnderline;

 protected:
  HBRUSH CtlColor(CDC* dc, UINT ctlType);
  void OnClicked();
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);

  DECLARE_MESSAGE_MAP()
};
