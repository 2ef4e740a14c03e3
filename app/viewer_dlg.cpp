#include "app/viewer_dlg.h"

#include "interrogation/capabilities.h"
#include "version/module_version.h"

BEGIN_MESSAGE_MAP(CViewerDlg, CDialog)
  ON_WM_PAINT()
  ON_WM_QUERYDRAGICON()
  ON_NOTIFY(TVN_SELCHANGEDA, IDC_DEVICE_TREE, OnSelchangedDeviceTree)
END_MESSAGE_MAP()

CViewerDlg::CViewerDlg(CWnd* parent)
    : CDialog(IDD, parent), m_hIcon(nullptr), m_linkWeb(IDC_LINK_CURSOR) {
  m_hIcon = ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_MAIN));
  // A transport that did not start is told before the window opens.
  TellProblems(m_deviceList.StartProblems());
}

// Members go in reverse order: the drives first, then the image list, the
// link, the font and the controls.
CViewerDlg::~CViewerDlg() {}

void CViewerDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Control(dx, IDC_INFO_LIST, m_listInfo);
  DDX_Control(dx, IDC_DEVICE_TREE, m_treeDevices);
}

BOOL CViewerDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);

  ShowOwnVersion();
  int count = m_deviceList.Enumerate();
  TellProblems(m_deviceList.ScanProblems());
  FillDeviceTree(count);
  SetUpColumns();
  CreateTitleFont();
  m_linkWeb.SubclassDlgItem(IDC_WEB_LINK, this);
  return TRUE;  // the dialog manager gives the focus to Exit
}

void CViewerDlg::TellProblems(const std::vector<DeviceProblem>& problems) {
  for (std::size_t i = 0; i < problems.size(); ++i) AfxMessageBox(problems[i].text, MB_OK, 0);
}

void CViewerDlg::ShowOwnVersion() {
  char path[MAX_PATH] = {0};
  Win().GetModuleFileNameA(nullptr, path, MAX_PATH);
  path[MAX_PATH - 1] = '\0';
  CModuleVersionVek version;
  if (version.Load(path) && version.m_bVersionValid) ::SetDlgItemTextA(m_hWnd, IDC_VERSION, version.m_strFileVersion);
}

void CViewerDlg::FillDeviceTree(int count) {
  m_imageList.Create(16, 16, ILC_MASK, 20, 1);
  m_imageList.Add(::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_COMPUTER)));
  m_imageList.Add(::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_DRIVE)));
  m_treeDevices.SetImageList(&m_imageList, TVSIL_NORMAL);

  HTREEITEM root = m_treeDevices.InsertItem(TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM,
                                            count != 0 ? "My Computer" : "No CD/DVD Devices Found", 0, 0, 0, 0, -1,
                                            TVI_ROOT, TVI_LAST);
  for (int i = 0; i < count; ++i) {
    CString vendor, product;
    m_deviceList.GetDeviceNames(i, vendor, product);
    CString text = vendor + " " + product;
    HTREEITEM item =
        m_treeDevices.InsertItem(TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE, text, 1, 1, 0, 0, 0, root, TVI_LAST);
    m_treeDevices.SetItemData(item, static_cast<DWORD_PTR>(i));
  }
  m_treeDevices.Expand(root, TVE_EXPAND);
}

void CViewerDlg::SetUpColumns() {
  m_listInfo.InsertColumn(0, "CD/DVD Information Field", LVCFMT_LEFT);
  m_listInfo.InsertColumn(1, "Result", LVCFMT_CENTER);
  RECT rect;
  m_listInfo.GetWindowRect(&rect);
  int width = rect.right - rect.left;
  m_listInfo.SetColumnWidth(0, width - 100);
  m_listInfo.SetColumnWidth(1, LVSCW_AUTOSIZE_USEHEADER);
}

void CViewerDlg::CreateTitleFont() {
  CClientDC dc(this);
  LOGFONTA font;
  ZeroMemory(&font, sizeof(font));
  // The horizontal resolution, as the title was always sized.
  font.lfHeight = -::MulDiv(12, dc.GetDeviceCaps(LOGPIXELSX), 72);
  font.lfWeight = FW_BOLD;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  lstrcpyA(font.lfFaceName, "Arial");
  m_fontTitle.CreateFontIndirect(&font);
  ::SendDlgItemMessageA(m_hWnd, IDC_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(m_fontTitle.GetSafeHandle()), TRUE);
}

void CViewerDlg::OnPaint() {
  if (!IsIconic()) {
    CDialog::OnPaint();
    return;
  }
  CPaintDC dc(this);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
  int cx = ::GetSystemMetrics(SM_CXICON);
  int cy = ::GetSystemMetrics(SM_CYICON);
  RECT rect;
  GetClientRect(&rect);
  int x = (rect.right - rect.left - cx + 1) / 2;
  int y = (rect.bottom - rect.top - cy + 1) / 2;
  dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR CViewerDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

void CViewerDlg::OnSelchangedDeviceTree(NMHDR* notify, LRESULT* result) {
  *result = 0;
  const NMTREEVIEWA* view = reinterpret_cast<const NMTREEVIEWA*>(notify);
  ShowCapabilities(view->itemNew.lParam);
}

// Empties the list and, unless itemData is the root's -1, queries the drive
// it names and writes its rows or its failure lines.
void CViewerDlg::ShowCapabilities(LPARAM itemData) {
  m_listInfo.DeleteAllItems();
  if (itemData == -1) return;
  CapabilitiesResult result = QueryCapabilities(m_deviceList, static_cast<int>(itemData));
  for (std::size_t i = 0; i < result.rows.size(); ++i) AddResultRow(result.rows[i].label, result.rows[i].yes);
  for (std::size_t i = 0; i < result.failure.size(); ++i)
    m_listInfo.InsertItem(LVIF_TEXT, static_cast<int>(i), result.failure[i], 0, 0, 0, 0);
}

void CViewerDlg::AddResultRow(const char* label, int flag) {
  int item = m_listInfo.InsertItem(LVIF_TEXT, m_listInfo.GetItemCount(), label, 0, 0, 0, 0);
  if (item == -1) return;  // the row stays without a result
  m_listInfo.SetItemText(item, 1, flag ? "YES" : "NO");
}
