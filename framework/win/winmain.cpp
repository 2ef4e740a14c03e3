// The program's entry: the one application object was built during static
// initialisation; start it.
#include "framework/win/afxwin.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return 1;
  if (!app->InitInstance()) return app->ExitInstance();
  return app->Run();
}
