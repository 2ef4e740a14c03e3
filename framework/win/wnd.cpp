#include <map>

#include "framework/win/afxwin.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)
IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)
IMPLEMENT_DYNAMIC(CStatic, CWnd)

// --- Message maps ---------------------------------------------------------

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig_end, nullptr}};
  static const AFX_MSGMAP map = {nullptr, &entries[0]};
  return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY* CCmdTarget::FindEntry(UINT message, UINT code, UINT id) const {
  for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
       map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->nSig != AfxSig_end; ++entry) {
      if (entry->nMessage != message || entry->nCode != code) continue;
      if (entry->nID == 0 && entry->nLastID == 0) return entry;
      if (id >= entry->nID && id <= entry->nLastID) return entry;
    }
  }
  return nullptr;
}

bool CCmdTarget::OnCmdMsg(UINT id, UINT code) {
  const AFX_MSGMAP_ENTRY* entry = FindEntry(WM_COMMAND, code, id);
  if (entry == nullptr || entry->nSig != AfxSig_vv || id == 0) return false;
  (this->*entry->pfn)();
  return true;
}

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

// --- Windows and their objects -----------------------------------------------

namespace {
std::map<HWND, CWnd*>& Permanent() {
  static std::map<HWND, CWnd*> map;
  return map;
}

template <class To, class From>
To CallbackCast(From from) {
  return reinterpret_cast<To>(reinterpret_cast<void (*)()>(from));
}
}  // namespace

void CWnd::Register(HWND hwnd, CWnd* wnd) { Permanent()[hwnd] = wnd; }

void CWnd::Unregister(HWND hwnd) { Permanent().erase(hwnd); }

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
  auto found = Permanent().find(hwnd);
  return found == Permanent().end() ? nullptr : found->second;
}

CWnd::~CWnd() {
  if (m_hWnd != nullptr && m_pfnSuper != nullptr && ::IsWindow(m_hWnd)) UnsubclassWindow();
  if (m_hWnd != nullptr && FromHandlePermanent(m_hWnd) == this) Unregister(m_hWnd);
}

void CWnd::GetWindowText(CString& text) const {
  int length = ::GetWindowTextLengthA(m_hWnd);
  char* buffer = text.GetBuffer(length + 1);
  int copied = ::GetWindowTextA(m_hWnd, buffer, length + 1);
  text.ReleaseBuffer(copied < 0 ? 0 : copied);
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
  if (hwnd == nullptr || m_hWnd != nullptr || FromHandlePermanent(hwnd) != nullptr) return FALSE;
  m_hWnd = hwnd;
  Register(hwnd, this);
  m_pfnSuper = CallbackCast<WNDPROC>(::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  return SubclassWindow(::GetDlgItem(parent->m_hWnd, static_cast<int>(id)));
}

HWND CWnd::UnsubclassWindow() {
  HWND hwnd = m_hWnd;
  if (m_pfnSuper != nullptr) ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  m_pfnSuper = nullptr;
  Unregister(hwnd);
  m_hWnd = nullptr;
  return hwnd;
}

LRESULT CALLBACK CWnd::AfxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = FromHandlePermanent(hwnd);
  if (wnd == nullptr) return ::DefWindowProcA(hwnd, message, wParam, lParam);
  WNDPROC super = wnd->m_pfnSuper;
  if (message == WM_NCDESTROY) {
    // The window is going: hand it back and forget it.
    wnd->UnsubclassWindow();
    return ::CallWindowProcA(super, hwnd, message, wParam, lParam);
  }
  LRESULT result = 0;
  if (wnd->OnWndMsg(message, wParam, lParam, &result)) return result;
  return ::CallWindowProcA(super, hwnd, message, wParam, lParam);
}

bool CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC)
    return OnWndMsg(WM_REFLECT_BASE + WM_CTLCOLOR_MESSAGE, wParam, static_cast<LPARAM>(message - WM_CTLCOLORMSGBOX),
                    result);
  return OnWndMsg(WM_REFLECT_BASE + message, wParam, lParam, result);
}

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  UINT code = 0;
  UINT id = 0;
  if (message == WM_NOTIFY) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    code = header->code;
    id = static_cast<UINT>(header->idFrom);
  } else if (message == WM_COMMAND || message == WM_REFLECT_BASE + WM_COMMAND) {
    code = HIWORD(wParam);
    id = LOWORD(wParam);
  }

  // Messages about a control of ours go to the control first.
  if ((message == WM_COMMAND && lParam != 0) || (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC)) {
    CWnd* child = FromHandlePermanent(reinterpret_cast<HWND>(lParam));
    if (child != nullptr && child != this && child->OnChildNotify(message, wParam, lParam, result)) return true;
  }

  const AFX_MSGMAP_ENTRY* entry = FindEntry(message, code, id);
  if (entry == nullptr) return false;
  return Dispatch(entry, wParam, lParam, result);
}

bool CWnd::Dispatch(const AFX_MSGMAP_ENTRY* entry, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  union {
    AFX_PMSG pfn;
    void (CCmdTarget::*vv)();
    void (CCmdTarget::*notify)(NMHDR*, LRESULT*);
    HBRUSH (CCmdTarget::*ctlColor)(CDC*, UINT);
    BOOL (CCmdTarget::*setCursor)(CWnd*, UINT, UINT);
    HCURSOR (CCmdTarget::*hcursor)();
  } handler;
  handler.pfn = entry->pfn;
  bool wasDefault = m_bDefault;
  m_bDefault = false;
  bool handled = true;
  switch (entry->nSig) {
    case AfxSig_vv:
      (this->*handler.vv)();
      *result = 0;
      break;
    case AfxSig_vNotify:
      *result = 0;
      (this->*handler.notify)(reinterpret_cast<NMHDR*>(lParam), result);
      break;
    case AfxSig_hbrCtl: {
      CDC dc(reinterpret_cast<HDC>(wParam));
      HBRUSH brush = (this->*handler.ctlColor)(&dc, static_cast<UINT>(lParam));
      *result = reinterpret_cast<LRESULT>(brush);
      // A null brush means: let the parent colour it as usual.
      handled = brush != nullptr;
      break;
    }
    case AfxSig_bSetCursor:
      *result = (this->*handler.setCursor)(FromHandlePermanent(reinterpret_cast<HWND>(wParam)), LOWORD(lParam),
                                             HIWORD(lParam));
      break;
    case AfxSig_hcurv:
      *result = reinterpret_cast<LRESULT>((this->*handler.hcursor)());
      break;
    case AfxSig_end:
      handled = false;
      break;
  }
  if (m_bDefault) handled = false;  // the handler asked for the default processing
  m_bDefault = wasDefault;
  return handled;
}

// --- Graphics -------------------------------------------------------------------

BOOL CGdiObject::Attach(HGDIOBJ object) {
  if (object == nullptr) return FALSE;
  DeleteObject();
  m_hObject = object;
  return TRUE;
}

BOOL CGdiObject::DeleteObject() {
  if (m_hObject == nullptr) return FALSE;
  BOOL ok = ::DeleteObject(m_hObject);
  m_hObject = nullptr;
  return ok;
}

BOOL CFont::CreateFontIndirect(const LOGFONTA* font) { return Attach(::CreateFontIndirectA(font)); }

CPaintDC::CPaintDC(CWnd* wnd) : m_hWnd(wnd->m_hWnd) { m_hDC = ::BeginPaint(m_hWnd, &m_ps); }

CPaintDC::~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }

CClientDC::CClientDC(CWnd* wnd) : m_hWnd(wnd->m_hWnd) { m_hDC = ::GetDC(m_hWnd); }

CClientDC::~CClientDC() { ::ReleaseDC(m_hWnd, m_hDC); }

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
  DeleteImageList();
  m_hImageList = ImageList_Create(cx, cy, flags, initial, grow);
  return m_hImageList != nullptr;
}

BOOL CImageList::DeleteImageList() {
  if (m_hImageList == nullptr) return FALSE;
  BOOL ok = ImageList_Destroy(m_hImageList);
  m_hImageList = nullptr;
  return ok;
}

// --- Controls -----------------------------------------------------------------------

HTREEITEM CTreeCtrl::InsertItem(UINT mask, const char* text, int image, int selectedImage, UINT state,
                                UINT stateMask, LPARAM data, HTREEITEM parent, HTREEITEM after) {
  TVINSERTSTRUCTA insert;
  ZeroMemory(&insert, sizeof(insert));
  insert.hParent = parent;
  insert.hInsertAfter = after;
  insert.item.mask = mask;
  insert.item.pszText = const_cast<char*>(text);
  insert.item.iImage = image;
  insert.item.iSelectedImage = selectedImage;
  insert.item.state = state;
  insert.item.stateMask = stateMask;
  insert.item.lParam = data;
  return InsertItem(&insert);
}

BOOL CTreeCtrl::SetItemData(HTREEITEM item, DWORD_PTR data) {
  TVITEMA tv;
  ZeroMemory(&tv, sizeof(tv));
  tv.mask = TVIF_PARAM;
  tv.hItem = item;
  tv.lParam = static_cast<LPARAM>(data);
  return static_cast<BOOL>(SendMessage(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tv)));
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM item) const {
  TVITEMA tv;
  ZeroMemory(&tv, sizeof(tv));
  tv.mask = TVIF_PARAM;
  tv.hItem = item;
  SendMessage(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
  return static_cast<DWORD_PTR>(tv.lParam);
}

int CListCtrl::InsertItem(UINT mask, int item, const char* text, UINT state, UINT stateMask, int image,
                          LPARAM data) {
  LVITEMA lv;
  ZeroMemory(&lv, sizeof(lv));
  lv.mask = mask;
  lv.iItem = item;
  lv.pszText = const_cast<char*>(text);
  lv.state = state;
  lv.stateMask = stateMask;
  lv.iImage = image;
  lv.lParam = data;
  return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&lv)));
}

BOOL CListCtrl::SetItemText(int item, int subItem, const char* text) {
  LVITEMA lv;
  ZeroMemory(&lv, sizeof(lv));
  lv.iSubItem = subItem;
  lv.pszText = const_cast<char*>(text);
  return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv)));
}

int CListCtrl::InsertColumn(int column, const char* heading, int format, int width, int subItem) {
  LVCOLUMNA col;
  ZeroMemory(&col, sizeof(col));
  col.mask = LVCF_FMT | LVCF_TEXT;
  col.fmt = format;
  col.pszText = const_cast<char*>(heading);
  if (width != -1) {
    col.mask |= LVCF_WIDTH;
    col.cx = width;
  }
  if (subItem != -1) {
    col.mask |= LVCF_SUBITEM;
    col.iSubItem = subItem;
  }
  return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&col)));
}
