// The real Windows calls for tests under Wine, with one exception: message
// boxes are recorded instead of shown, so that an unattended run never
// waits for someone to press OK.
#pragma once

#include <string>
#include <vector>

#include "platform/win_platform.h"

class WindowsSeamWithoutBoxes : public SystemWindowsApi {
 public:
  WindowsSeamWithoutBoxes() : m_previous(SetWindowsApi(this)) {}
  ~WindowsSeamWithoutBoxes() override { SetWindowsApi(m_previous); }

  std::vector<std::string> messages;
  std::vector<std::string> captions;
  std::vector<UINT> types;

  int MessageBoxA(HWND, const char* text, const char* caption, UINT type) override {
    messages.push_back(text != nullptr ? text : "");
    captions.push_back(caption != nullptr ? caption : "");
    types.push_back(type);
    return IDOK;
  }

 private:
  WindowsSeamWithoutBoxes(const WindowsSeamWithoutBoxes&);
  WindowsSeamWithoutBoxes& operator=(const WindowsSeamWithoutBoxes&);

  WindowsApi* m_previous;
};
