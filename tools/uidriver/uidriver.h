// Drives the real Quillanor.exe from another process, as a person would:
// starts it, finds its dialog, reads the tree and the list through the
// controls' own messages (buffers in the other process), selects drives,
// clicks, presses keys, reads message boxes and takes screenshots.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace uidriver {

struct TreeItem {
  std::string text;
  LPARAM data = 0;
  int depth = 0;
  HTREEITEM handle = nullptr;
};

struct ListRow {
  std::string label;
  std::string result;
};

struct MessageBoxInfo {
  HWND hwnd = nullptr;
  std::string caption;
  std::string text;
  bool exclamation = false;
};

class Session {
 public:
  // Starts the program; the environment is the caller's.
  bool Start(const std::string& exePath, const std::string& workingDirectory);
  ~Session();

  // Waits for the main dialog (caption "Quillanor", with the device tree).
  HWND WaitForDialog(DWORD milliseconds);
  // Waits for a message box of the program.
  bool WaitForMessageBox(DWORD milliseconds, MessageBoxInfo* box);
  void CloseMessageBox(const MessageBoxInfo& box);
  // Waits for the program to end; false when it did not.
  bool WaitForExit(DWORD milliseconds, DWORD* exitCode = nullptr);
  void Kill();
  bool Running() const;
  DWORD ProcessId() const { return m_process.dwProcessId; }
  // Whether the program has loaded a module of that file name.
  bool HasModule(const std::string& fileName) const;

  std::vector<TreeItem> Tree() const;
  // Selects an item as a user would; returns when the program handled it.
  bool Select(const TreeItem& item) const;
  std::vector<ListRow> List() const;
  int ColumnWidth(int column) const;
  std::string ItemText(int id) const;
  HWND Control(int id) const { return ::GetDlgItem(m_dialog, id); }
  HWND Dialog() const { return m_dialog; }

  // Clicks the middle of a control with the mouse messages it would get.
  void Click(int id) const;
  // Presses a key in the dialog, as from the keyboard.
  void PressKey(WORD key) const;
  // Lets the window repaint what changed before the screen is read.
  void Settle() const;
  // Closes the window with its close box.
  void CloseBox() const;

  // Saves the window as it is on screen to a 24-bit BMP file.
  bool Screenshot(const std::string& bmpPath) const;
  // Counts the pixels of a control that have this colour.
  int CountPixels(int id, COLORREF color) const;
  // Width and height of the dark text in a control, as drawn on screen.
  bool InkExtent(int id, int* width, int* height) const;

 private:
  PROCESS_INFORMATION m_process = {};
  HWND m_dialog = nullptr;
};

// Renders text in a font to learn its ink extent, for comparison.
void FontInkExtent(const char* face, int height, int weight, const char* text, int* width, int* inkHeight);

// Sets HKCU\Software\Wine\AppDefaults\<exe>\Version; an empty version removes it.
bool SetWineVersion(const std::string& exeName, const std::string& version);

}  // namespace uidriver
