#include "tools/uidriver/uidriver.h"

#include <commctrl.h>
#include <psapi.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

namespace uidriver {

namespace {

const DWORD kPollMilliseconds = 5;

struct FindContext {
  DWORD pid;
  bool wantDialog;
  HWND found;
};

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM lParam) {
  FindContext* context = reinterpret_cast<FindContext*>(lParam);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid != context->pid || !::IsWindowVisible(hwnd)) return TRUE;
  char className[64] = {0};
  ::GetClassNameA(hwnd, className, sizeof(className));
  if (std::strcmp(className, "#32770") != 0) return TRUE;
  bool isMain = ::GetDlgItem(hwnd, 1001) != nullptr;
  if (isMain == context->wantDialog) {
    context->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND FindWindowOf(DWORD pid, bool wantDialog) {
  FindContext context = {pid, wantDialog, nullptr};
  ::EnumWindows(&FindTopLevel, reinterpret_cast<LPARAM>(&context));
  return context.found;
}

std::string WindowText(HWND hwnd) {
  char buffer[1024] = {0};
  ::SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof(buffer), reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
  return buffer;
}

// A memory DC holding a copy of part of the screen, as top-down 32-bit pixels.
class ScreenCapture {
 public:
  explicit ScreenCapture(const RECT& rect) : m_width(rect.right - rect.left), m_height(rect.bottom - rect.top) {
    if (m_width <= 0 || m_height <= 0) return;
    HDC screen = ::GetDC(nullptr);
    m_dc = ::CreateCompatibleDC(screen);
    BITMAPINFO info;
    std::memset(&info, 0, sizeof(info));
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = m_width;
    info.bmiHeader.biHeight = -m_height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_bits = static_cast<const DWORD*>(bits);
    m_old = ::SelectObject(m_dc, m_bitmap);
    ::BitBlt(m_dc, 0, 0, m_width, m_height, screen, rect.left, rect.top, SRCCOPY);
    ::GdiFlush();
    ::ReleaseDC(nullptr, screen);
  }
  ~ScreenCapture() {
    if (m_dc != nullptr) {
      ::SelectObject(m_dc, m_old);
      ::DeleteObject(m_bitmap);
      ::DeleteDC(m_dc);
    }
  }
  bool Ok() const { return m_bits != nullptr; }
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  // 0x00RRGGBB
  DWORD Pixel(int x, int y) const { return m_bits[y * m_width + x] & 0xFFFFFF; }

 private:
  int m_width;
  int m_height;
  HDC m_dc = nullptr;
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_old = nullptr;
  const DWORD* m_bits = nullptr;
};

bool Dark(DWORD pixel) { return ((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF) < 300; }

bool InkBox(const ScreenCapture& capture, int* width, int* height) {
  int left = capture.Width(), right = -1, top = capture.Height(), bottom = -1;
  for (int y = 0; y < capture.Height(); ++y) {
    for (int x = 0; x < capture.Width(); ++x) {
      if (!Dark(capture.Pixel(x, y))) continue;
      if (x < left) left = x;
      if (x > right) right = x;
      if (y < top) top = y;
      if (y > bottom) bottom = y;
    }
  }
  if (right < 0) return false;
  *width = right - left + 1;
  *height = bottom - top + 1;
  return true;
}

}  // namespace

bool Session::Start(const std::string& exePath, const std::string& workingDirectory) {
  STARTUPINFOA startup;
  std::memset(&startup, 0, sizeof(startup));
  startup.cb = sizeof(startup);
  std::string commandLine = "\"" + exePath + "\"";
  return ::CreateProcessA(exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup,
                          &m_process) != FALSE;
}

Session::~Session() {
  if (Running()) Kill();
  if (m_process.hThread != nullptr) ::CloseHandle(m_process.hThread);
  if (m_process.hProcess != nullptr) ::CloseHandle(m_process.hProcess);
}

bool Session::Running() const {
  return m_process.hProcess != nullptr && ::WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT;
}

void Session::Kill() {
  ::TerminateProcess(m_process.hProcess, 99);
  ::WaitForSingleObject(m_process.hProcess, 5000);
}

HWND Session::WaitForDialog(DWORD milliseconds) {
  for (DWORD waited = 0; waited <= milliseconds; waited += kPollMilliseconds) {
    m_dialog = FindWindowOf(m_process.dwProcessId, true);
    if (m_dialog != nullptr) {
      ::WaitForInputIdle(m_process.hProcess, 5000);
      return m_dialog;
    }
    if (!Running()) return nullptr;
    ::Sleep(kPollMilliseconds);
  }
  return nullptr;
}

bool Session::WaitForMessageBox(DWORD milliseconds, MessageBoxInfo* box) {
  for (DWORD waited = 0; waited <= milliseconds; waited += kPollMilliseconds) {
    HWND hwnd = FindWindowOf(m_process.dwProcessId, false);
    if (hwnd != nullptr) {
      box->hwnd = hwnd;
      box->caption = WindowText(hwnd);
      box->text = WindowText(::GetDlgItem(hwnd, 0xFFFF));
      return true;
    }
    if (!Running()) return false;
    ::Sleep(kPollMilliseconds);
  }
  return false;
}

void Session::CloseMessageBox(const MessageBoxInfo& box) {
  ::PostMessageA(box.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

bool Session::WaitForExit(DWORD milliseconds, DWORD* exitCode) {
  if (::WaitForSingleObject(m_process.hProcess, milliseconds) != WAIT_OBJECT_0) return false;
  if (exitCode != nullptr) ::GetExitCodeProcess(m_process.hProcess, exitCode);
  return true;
}

bool Session::HasModule(const std::string& fileName) const {
  HMODULE modules[512];
  DWORD needed = 0;
  if (!::EnumProcessModules(m_process.hProcess, modules, sizeof(modules), &needed)) return false;
  DWORD count = needed / sizeof(HMODULE);
  if (count > 512) count = 512;
  for (DWORD i = 0; i < count; ++i) {
    char name[MAX_PATH] = {0};
    if (::GetModuleBaseNameA(m_process.hProcess, modules[i], name, sizeof(name)) != 0 &&
        ::lstrcmpiA(name, fileName.c_str()) == 0)
      return true;
  }
  return false;
}

std::vector<TreeItem> Session::Tree() const {
  std::vector<TreeItem> items;
  HWND tree = Control(1001);
  const int textSize = 512;
  char* remote = static_cast<char*>(
      ::VirtualAllocEx(m_process.hProcess, nullptr, sizeof(TVITEMA) + textSize, MEM_COMMIT, PAGE_READWRITE));
  if (remote == nullptr) return items;

  // Depth-first, in the order the tree shows them.
  std::vector<std::pair<HTREEITEM, int>> roots;
  for (HTREEITEM item = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
       item != nullptr; item = reinterpret_cast<HTREEITEM>(
                            ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item))))
    roots.push_back(std::make_pair(item, 0));
  std::vector<std::pair<HTREEITEM, int>> stack(roots.rbegin(), roots.rend());
  while (!stack.empty()) {
    std::pair<HTREEITEM, int> top = stack.back();
    stack.pop_back();
    TVITEMA record;
    std::memset(&record, 0, sizeof(record));
    record.mask = TVIF_TEXT | TVIF_PARAM;
    record.hItem = top.first;
    record.pszText = remote + sizeof(TVITEMA);
    record.cchTextMax = textSize;
    ::WriteProcessMemory(m_process.hProcess, remote, &record, sizeof(record), nullptr);
    ::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote));
    ::ReadProcessMemory(m_process.hProcess, remote, &record, sizeof(record), nullptr);
    char text[textSize + 1] = {0};
    ::ReadProcessMemory(m_process.hProcess, remote + sizeof(TVITEMA), text, textSize, nullptr);
    TreeItem item;
    item.text = text;
    item.data = record.lParam;
    item.depth = top.second;
    item.handle = top.first;
    items.push_back(item);
    std::vector<std::pair<HTREEITEM, int>> children;
    for (HTREEITEM child = reinterpret_cast<HTREEITEM>(
             ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(top.first)));
         child != nullptr; child = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT,
                                                                               reinterpret_cast<LPARAM>(child))))
      children.push_back(std::make_pair(child, top.second + 1));
    stack.insert(stack.end(), children.rbegin(), children.rend());
  }
  ::VirtualFreeEx(m_process.hProcess, remote, 0, MEM_RELEASE);
  return items;
}

bool Session::Select(const TreeItem& item) const {
  bool ok = ::SendMessageA(Control(1001), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item.handle)) != 0;
  Settle();
  return ok;
}

void Session::Settle() const {
  // Paint now what the last action changed, so the screen shows it.
  ::RedrawWindow(m_dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  ::SendMessageA(m_dialog, WM_NULL, 0, 0);
  ::Sleep(150);
}

std::vector<ListRow> Session::List() const {
  std::vector<ListRow> rows;
  HWND list = Control(1002);
  const int textSize = 512;
  char* remote = static_cast<char*>(
      ::VirtualAllocEx(m_process.hProcess, nullptr, sizeof(LVITEMA) + textSize, MEM_COMMIT, PAGE_READWRITE));
  if (remote == nullptr) return rows;
  int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    ListRow row;
    for (int sub = 0; sub < 2; ++sub) {
      LVITEMA record;
      std::memset(&record, 0, sizeof(record));
      record.iSubItem = sub;
      record.pszText = remote + sizeof(LVITEMA);
      record.cchTextMax = textSize;
      char empty[textSize] = {0};
      ::WriteProcessMemory(m_process.hProcess, remote + sizeof(LVITEMA), empty, textSize, nullptr);
      ::WriteProcessMemory(m_process.hProcess, remote, &record, sizeof(record), nullptr);
      ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote));
      char text[textSize + 1] = {0};
      ::ReadProcessMemory(m_process.hProcess, remote + sizeof(LVITEMA), text, textSize, nullptr);
      (sub == 0 ? row.label : row.result) = text;
    }
    rows.push_back(row);
  }
  ::VirtualFreeEx(m_process.hProcess, remote, 0, MEM_RELEASE);
  return rows;
}

int Session::ColumnWidth(int column) const {
  return static_cast<int>(::SendMessageA(Control(1002), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

std::string Session::ItemText(int id) const { return WindowText(Control(id)); }

void Session::Click(int id) const {
  HWND control = Control(id);
  RECT rect;
  ::GetClientRect(control, &rect);
  LPARAM point = MAKELPARAM((rect.right - rect.left) / 2, (rect.bottom - rect.top) / 2);
  ::PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, point);
  ::PostMessageA(control, WM_LBUTTONUP, 0, point);
  // Let the program take both before the caller looks.
  ::SendMessageA(control, WM_NULL, 0, 0);
}

void Session::PressKey(WORD key) const {
  GUITHREADINFO info;
  std::memset(&info, 0, sizeof(info));
  info.cbSize = sizeof(info);
  DWORD thread = ::GetWindowThreadProcessId(m_dialog, nullptr);
  HWND target = m_dialog;
  if (::GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr) target = info.hwndFocus;
  ::PostMessageA(target, WM_KEYDOWN, key, 1);
  ::PostMessageA(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

void Session::CloseBox() const { ::PostMessageA(m_dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }

bool Session::Screenshot(const std::string& bmpPath) const {
  RECT rect;
  ::GetWindowRect(m_dialog, &rect);
  ScreenCapture capture(rect);
  if (!capture.Ok()) return false;
  const int width = capture.Width(), height = capture.Height();
  const int stride = (width * 3 + 3) & ~3;
  BITMAPFILEHEADER file;
  BITMAPINFOHEADER info;
  std::memset(&file, 0, sizeof(file));
  std::memset(&info, 0, sizeof(info));
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * height);
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  FILE* out = std::fopen(bmpPath.c_str(), "wb");
  if (out == nullptr) return false;
  std::fwrite(&file, sizeof(file), 1, out);
  std::fwrite(&info, sizeof(info), 1, out);
  std::vector<unsigned char> line(static_cast<size_t>(stride), 0);
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      DWORD p = capture.Pixel(x, y);
      line[static_cast<size_t>(x * 3)] = static_cast<unsigned char>(p & 0xFF);
      line[static_cast<size_t>(x * 3 + 1)] = static_cast<unsigned char>((p >> 8) & 0xFF);
      line[static_cast<size_t>(x * 3 + 2)] = static_cast<unsigned char>((p >> 16) & 0xFF);
    }
    std::fwrite(line.data(), 1, line.size(), out);
  }
  return std::fclose(out) == 0;
}

int Session::CountPixels(int id, COLORREF color) const {
  RECT rect;
  ::GetWindowRect(Control(id), &rect);
  ScreenCapture capture(rect);
  if (!capture.Ok()) return 0;
  DWORD wanted = (static_cast<DWORD>(GetRValue(color)) << 16) | (static_cast<DWORD>(GetGValue(color)) << 8) |
                 GetBValue(color);
  int count = 0;
  for (int y = 0; y < capture.Height(); ++y)
    for (int x = 0; x < capture.Width(); ++x)
      if (capture.Pixel(x, y) == wanted) ++count;
  return count;
}

bool Session::InkExtent(int id, int* width, int* height) const {
  RECT rect;
  ::GetWindowRect(Control(id), &rect);
  ScreenCapture capture(rect);
  return capture.Ok() && InkBox(capture, width, height);
}

void FontInkExtent(const char* face, int height, int weight, const char* text, int* width, int* inkHeight) {
  RECT rect = {0, 0, 600, 100};
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, rect.right, rect.bottom);
  HGDIOBJ oldBitmap = ::SelectObject(dc, bitmap);
  ::FillRect(dc, &rect, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  HFONT font = ::CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, VARIABLE_PITCH | FF_SWISS, face);
  HGDIOBJ oldFont = ::SelectObject(dc, font);
  ::SetTextColor(dc, RGB(0, 0, 0));
  ::SetBkMode(dc, TRANSPARENT);
  ::TextOutA(dc, 10, 10, text, lstrlenA(text));
  *width = 0;
  *inkHeight = 0;
  int left = rect.right, right = -1, top = rect.bottom, bottom = -1;
  for (int y = 0; y < rect.bottom; ++y) {
    for (int x = 0; x < rect.right; ++x) {
      COLORREF c = ::GetPixel(dc, x, y);
      if (GetRValue(c) + GetGValue(c) + GetBValue(c) >= 300) continue;
      if (x < left) left = x;
      if (x > right) right = x;
      if (y < top) top = y;
      if (y > bottom) bottom = y;
    }
  }
  if (right >= 0) {
    *width = right - left + 1;
    *inkHeight = bottom - top + 1;
  }
  ::SelectObject(dc, oldFont);
  ::DeleteObject(font);
  ::SelectObject(dc, oldBitmap);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
  ::ReleaseDC(nullptr, screen);
}

bool SetWineVersion(const std::string& exeName, const std::string& version) {
  std::string path = "Software\\Wine\\AppDefaults\\" + exeName;
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  LONG result;
  if (version.empty()) {
    result = ::RegDeleteValueA(key, "Version");
    if (result == ERROR_FILE_NOT_FOUND) result = ERROR_SUCCESS;
  } else {
    result = ::RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                              static_cast<DWORD>(version.size() + 1));
  }
  ::RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

}  // namespace uidriver
