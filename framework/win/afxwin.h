// The window classes of our class framework: each small, each method
// mapping onto the control's own message. Message maps are short tables
// from a message (and notification code and control id) to a handler.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "framework/afx.h"

class CWnd;
class CDataExchange;

// --- Message maps ---------------------------------------------------------

// Messages that a parent hands back to the control they concern.
const UINT WM_REFLECT_BASE = 0xBC00;
const UINT WM_CTLCOLOR_MESSAGE = 0x0019;  // the framework's single control-colour message
// The framework's help command.
const UINT ID_HELP = 0xE146;

enum AfxSig {
  AfxSig_end = 0,
  AfxSig_vv,         // void ()
  AfxSig_vNotify,    // void (NMHDR*, LRESULT*)
  AfxSig_hbrCtl,     // HBRUSH (CDC*, UINT): reflected control colour
  AfxSig_bSetCursor, // BOOL (CWnd*, UINT, UINT)
  AfxSig_hcurv,      // HCURSOR ()
};

class CCmdTarget;
typedef void (CCmdTarget::*AFX_PMSG)();

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;
  UINT nCode;
  UINT nID;
  UINT nLastID;
  AfxSig nSig;
  AFX_PMSG pfn;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

// Handler pointers of other signatures travel in the table as AFX_PMSG and
// are turned back by the dispatcher, which knows the signature.
template <class Pmf>
AFX_PMSG AfxHandler(Pmf pmf) {
  union {
    Pmf from;
    AFX_PMSG to;
  } u;
  static_assert(sizeof(Pmf) == sizeof(AFX_PMSG), "member pointers of one size");
  u.from = pmf;
  return u.to;
}

#define DECLARE_MESSAGE_MAP()                     \
 protected:                                       \
  static const AFX_MSGMAP* GetThisMessageMap();   \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                          \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }     \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                     \
    typedef theClass ThisClass;                                                         \
    typedef baseClass TheBaseClass;                                                     \
    static_assert(sizeof(ThisClass) > 0, "complete class");                             \
    static const AFX_MSGMAP_ENTRY entries[] = {
#define END_MESSAGE_MAP()                                                               \
  { 0, 0, 0, 0, AfxSig_end, nullptr }                                                   \
  }                                                                                     \
  ;                                                                                     \
  static const AFX_MSGMAP map = {&TheBaseClass::GetThisMessageMap, &entries[0]};        \
  return &map;                                                                          \
  }

#define ON_WM_PAINT() \
  {WM_PAINT, 0, 0, 0, AfxSig_vv, AfxHandler(static_cast<void (CCmdTarget::*)()>(&ThisClass::OnPaint))},
#define ON_WM_QUERYDRAGICON() \
  {WM_QUERYDRAGICON, 0, 0, 0, AfxSig_hcurv, AfxHandler(static_cast<HCURSOR (CCmdTarget::*)()>(&ThisClass::OnQueryDragIcon))},
#define ON_WM_SETCURSOR()                                    \
  {WM_SETCURSOR, 0, 0, 0, AfxSig_bSetCursor,                 \
   AfxHandler(static_cast<BOOL (CCmdTarget::*)(CWnd*, UINT, UINT)>(&ThisClass::OnSetCursor))},
#define ON_NOTIFY(code, id, fn)                                                     \
  {WM_NOTIFY, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(id), \
   AfxSig_vNotify, AfxHandler(static_cast<void (CCmdTarget::*)(NMHDR*, LRESULT*)>(&ThisClass::fn))},
#define ON_COMMAND(id, fn) \
  {WM_COMMAND, 0, static_cast<UINT>(id), static_cast<UINT>(id), AfxSig_vv, AfxHandler(static_cast<void (CCmdTarget::*)()>(&ThisClass::fn))},
#define ON_WM_CTLCOLOR_REFLECT()                                             \
  {WM_REFLECT_BASE + WM_CTLCOLOR_MESSAGE, 0, 0, 0, AfxSig_hbrCtl,            \
   AfxHandler(static_cast<HBRUSH (CCmdTarget::*)(class CDC*, UINT)>(&ThisClass::CtlColor))},
#define ON_CONTROL_REFLECT(code, fn)                                         \
  {WM_REFLECT_BASE + WM_COMMAND, static_cast<UINT>(code), 0, 0, AfxSig_vv,   \
   AfxHandler(static_cast<void (CCmdTarget::*)()>(&ThisClass::fn))},

// Anything with a message map.
class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)

 public:
  // The entry of the maps (this class's, then its bases') for a message.
  const AFX_MSGMAP_ENTRY* FindEntry(UINT message, UINT code, UINT id) const;
  // Runs a command (WM_COMMAND from a menu, accelerator or button); false
  // when no entry takes it.
  bool OnCmdMsg(UINT id, UINT code);

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
};

// --- Graphics ---------------------------------------------------------------

class CGdiObject : public CObject {
 public:
  CGdiObject() : m_hObject(nullptr) {}
  ~CGdiObject() override { DeleteObject(); }
  BOOL Attach(HGDIOBJ object);
  BOOL DeleteObject();
  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  HGDIOBJ m_hObject;
};

class CFont : public CGdiObject {
 public:
  BOOL CreateFontIndirect(const LOGFONTA* font);
  operator HFONT() const { return static_cast<HFONT>(m_hObject); }
};

class CDC {
 public:
  CDC() : m_hDC(nullptr) {}
  explicit CDC(HDC dc) : m_hDC(dc) {}
  virtual ~CDC() {}
  HGDIOBJ SelectObject(CGdiObject* object) { return ::SelectObject(m_hDC, object->m_hObject); }
  COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
  int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
  int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }
  BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }
  HDC GetSafeHdc() const { return m_hDC; }
  HDC m_hDC;
};

class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* wnd);
  ~CPaintDC() override;
  PAINTSTRUCT m_ps;

 private:
  HWND m_hWnd;
};

class CClientDC : public CDC {
 public:
  explicit CClientDC(CWnd* wnd);
  ~CClientDC() override;

 private:
  HWND m_hWnd;
};

class CImageList : public CObject {
 public:
  CImageList() : m_hImageList(nullptr) {}
  ~CImageList() override { DeleteImageList(); }
  BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
  int Add(HICON icon) { return ImageList_ReplaceIcon(m_hImageList, -1, icon); }
  BOOL DeleteImageList();
  HIMAGELIST GetSafeHandle() const { return m_hImageList; }
  HIMAGELIST m_hImageList;
};

// --- Windows ------------------------------------------------------------------

class CWnd : public CCmdTarget {
  DECLARE_DYNAMIC(CWnd)

 public:
  CWnd() : m_hWnd(nullptr), m_pfnSuper(nullptr), m_bDefault(false) {}
  ~CWnd() override;

  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }
  static CWnd* FromHandlePermanent(HWND hwnd);

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
  }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  void SetWindowText(const char* text) { ::SetWindowTextA(m_hWnd, text); }
  void GetWindowText(CString& text) const;
  DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)); }
  void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
  void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  // Centres the window over its owner, or the screen's work area.
  void CenterWindow();
  void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
  HICON SetIcon(HICON icon, BOOL big) {
    return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
  }
  HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }

  // Takes over an existing window: its messages pass through our map first.
  BOOL SubclassWindow(HWND hwnd);
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  HWND UnsubclassWindow();

  // Routes a message through the message maps; false when no entry took it.
  virtual bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // Offers a message about this control, sent to its parent, to the control.
  virtual bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

  HWND m_hWnd;

 protected:
  DECLARE_MESSAGE_MAP()
  // Lets the window's own procedure handle the message being dispatched.
  void Default() { m_bDefault = true; }
  static LRESULT CALLBACK AfxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  WNDPROC m_pfnSuper;
  bool m_bDefault;

  friend class CDialog;

 private:
  bool Dispatch(const AFX_MSGMAP_ENTRY* entry, WPARAM wParam, LPARAM lParam, LRESULT* result);
  static void Register(HWND hwnd, CWnd* wnd);
  static void Unregister(HWND hwnd);
};

class CStatic : public CWnd {
  DECLARE_DYNAMIC(CStatic)
};

class CTreeCtrl : public CWnd {
 public:
  HTREEITEM InsertItem(const TVINSERTSTRUCTA* insert) {
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(insert)));
  }
  HTREEITEM InsertItem(UINT mask, const char* text, int image, int selectedImage, UINT state, UINT stateMask,
                       LPARAM data, HTREEITEM parent, HTREEITEM after);
  BOOL SetItemData(HTREEITEM item, DWORD_PTR data);
  DWORD_PTR GetItemData(HTREEITEM item) const;
  BOOL Expand(HTREEITEM item, UINT code) {
    return static_cast<BOOL>(SendMessage(TVM_EXPAND, code, reinterpret_cast<LPARAM>(item)));
  }
  HIMAGELIST SetImageList(CImageList* list, int which) {
    return reinterpret_cast<HIMAGELIST>(
        SendMessage(TVM_SETIMAGELIST, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(list->GetSafeHandle())));
  }
};

class CListCtrl : public CWnd {
 public:
  BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
  int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
  int InsertItem(UINT mask, int item, const char* text, UINT state, UINT stateMask, int image, LPARAM data);
  BOOL SetItemText(int item, int subItem, const char* text);
  int InsertColumn(int column, const char* heading, int format = LVCFMT_LEFT, int width = -1, int subItem = -1);
  BOOL SetColumnWidth(int column, int cx) {
    return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(cx, 0)));
  }
};

// --- Dialogs -----------------------------------------------------------------

class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
  CWnd* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
};

// Binds control `id` of the dialog to `control` (subclassing it) once.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);

class CDialog : public CWnd {
 public:
  CDialog(UINT templateId, CWnd* parent = nullptr) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}
  virtual INT_PTR DoModal();
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  void EndDialog(int result) { ::EndDialog(m_hWnd, result); }
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

 protected:
  virtual void DoDataExchange(CDataExchange* dx);
  void OnPaint() { Default(); }

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

// --- The application ------------------------------------------------------------

class CWinApp : public CCmdTarget {
 public:
  explicit CWinApp(const char* appName = nullptr);
  ~CWinApp() override;
  virtual BOOL InitInstance() { return TRUE; }
  virtual int ExitInstance() { return 0; }
  virtual int Run();
  void OnHelp();

  const char* m_pszAppName;
  CWnd* m_pMainWnd;

  DECLARE_MESSAGE_MAP()

 private:
  CString m_strAppName;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
