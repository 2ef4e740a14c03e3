#include "app/static_link.h"

#include "platform/win_platform.h"

#include <shellapi.h>

IMPLEMENT_DYNAMIC(CStaticLinkVek, CStatic)

BEGIN_MESSAGE_MAP(CStaticLinkVek, CStatic)
  ON_WM_CTLCOLOR_REFLECT()
  ON_CONTROL_REFLECT(STN_CLICKED, OnClicked)
  ON_WM_SETCURSOR()
END_MESSAGE_MAP()

CStaticLinkVek::CStaticLinkVek(UINT cursorId)
    : m_colorNormal(RGB(0, 0, 255)),
      m_colorVisited(RGB(128, 0, 128)),
      m_bVisited(FALSE),
      m_hLinkCursor(nullptr),
      m_nCursorId(cursorId) {}

CStaticLinkVek::~CStaticLinkVek() { m_fontUnderline.DeleteObject(); }

HBRUSH CStaticLinkVek::CtlColor(CDC* dc, UINT) {
  // The template's label sends no clicks until it has SS_NOTIFY.
  DWORD style = GetStyle();
  if ((style & SS_NOTIFY) == 0) ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(style | SS_NOTIFY));
  // Only plain left, centred or right-aligned text is decorated.
  if ((style & 0xFF) > SS_RIGHT) return nullptr;

  if (m_fontUnderline.GetSafeHandle() == nullptr) {
    LOGFONTA font;
    ZeroMemory(&font, sizeof(font));
    ::GetObjectA(GetFont(), sizeof(font), &font);
    font.lfUnderline = 1;
    m_fontUnderline.CreateFontIndirect(&font);
  }
  dc->SelectObject(&m_fontUnderline);
  dc->SetTextColor(m_bVisited ? m_colorVisited : m_colorNormal);
  dc->SetBkMode(TRANSPARENT);
  return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

void CStaticLinkVek::OnClicked() {
  if (m_strTarget.IsEmpty()) GetWindowText(m_strTarget);
  // The shell is loaded on the first click, not at every start.
  static const auto shellExecute = LateBound<decltype(&::ShellExecuteA)>("shell32.dll", "ShellExecuteA");
  HINSTANCE result = shellExecute != nullptr
                         ? shellExecute(nullptr, "open", m_strTarget, nullptr, nullptr, SW_SHOWNORMAL)
                         : nullptr;
  if (reinterpret_cast<UINT_PTR>(result) > 32) {
    m_bVisited = TRUE;
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
  } else {
    ::MessageBeep(MB_OK);
  }
}

BOOL CStaticLinkVek::OnSetCursor(CWnd*, UINT, UINT) {
  if (m_hLinkCursor == nullptr)
    m_hLinkCursor = ::LoadCursorA(AfxGetResourceHandle(), MAKEINTRESOURCEA(LOWORD(m_nCursorId)));
  if (m_hLinkCursor != nullptr) ::SetCursor(m_hLinkCursor);
  return FALSE;
}
