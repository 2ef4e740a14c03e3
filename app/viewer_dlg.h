// The main window: the device tree on the left, the capability rows of the
// selected drive on the right.
#pragma once

#include <vector>

#include "app/resource.h"
#include "app/static_link.h"
#include "device/device_list.h"
#include "framework/win/afxwin.h"

class CViewerDlg : public CDialog {
 public:
  explicit CViewerDlg(CWnd* parent = nullptr);
  ~CViewerDlg() override;

  enum { IDD = IDD_MAIN };

  // Appends one capability row: the label, then "YES" or "NO".
  void AddResultRow(const char* label, int flag);

  CListCtrl m_listInfo;
  CTreeCtrl m_treeDevices;
  HICON m_hIcon;
  CFont m_fontTitle;
  CStaticLinkVek m_linkWeb;
  CImageList m_imageList;
  DeviceList m_deviceList;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  void OnSelchangedDeviceTree(NMHDR* notify, LRESULT* result);

  DECLARE_MESSAGE_MAP()

 private:
  // Shows each problem that the device list reported in a box, in order.
  static void TellProblems(const std::vector<DeviceProblem>& problems);
  void ShowOwnVersion();
  void ShowCapabilities(LPARAM itemData);
  void FillDeviceTree(int count);
  void SetUpColumns();
  void CreateTitleFont();
};
