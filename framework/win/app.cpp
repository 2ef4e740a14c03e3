#include "framework/win/afxwin.h"
#include "platform/windows_api.h"

namespace {
CWinApp* g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }

HINSTANCE AfxGetInstanceHandle() { return ::GetModuleHandleA(nullptr); }

HINSTANCE AfxGetResourceHandle() { return ::GetModuleHandleA(nullptr); }

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* appName) : m_pszAppName(nullptr), m_pMainWnd(nullptr) {
  g_app = this;
  if (appName != nullptr) {
    m_strAppName = appName;
  } else {
    // No title resource: the executable's file name without its extension.
    char path[MAX_PATH + 1] = {0};
    DWORD length = Win().GetModuleFileNameA(nullptr, path, MAX_PATH);
    CString name(path, static_cast<int>(length > MAX_PATH ? MAX_PATH : length));
    name = name.Mid(name.ReverseFind('\\') + 1);
    int dot = name.ReverseFind('.');
    m_strAppName = dot > 0 ? name.Left(dot) : name;
  }
  m_pszAppName = m_strAppName;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

// There is no help file: asking for help does nothing.
void CWinApp::OnHelp() {}

int CWinApp::Run() {
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return ExitInstance();
}
