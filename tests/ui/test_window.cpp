// The real Quillanor.exe, driven from outside as a person would use it,
// under Wine and a display.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/resource.h"
#include "quillanor_version.h"
#include "interrogation/capabilities.h"
#include "version/module_version.h"
#include "tools/uidriver/uidriver.h"

using uidriver::ListRow;
using uidriver::Session;
using uidriver::TreeItem;

namespace {

const char kRefusal[] =
    "Unsupported Operating System!!!\nWe only run on Windows 98 (or later) and Windows 2000 (or later)";

// A path handed in from the build (a Linux path) as Windows sees it.
std::string WindowsPath(const char* variable) {
  const char* value = std::getenv(variable);
  std::string path = value != nullptr ? value : "";
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    exe = WindowsPath("QUILLANOR_EXE");
    profiles = WindowsPath("QUILLANOR_PROFILES");
    results = WindowsPath("QUILLANOR_RESULTS");
    ASSERT_FALSE(exe.empty()) << "QUILLANOR_EXE is not set";
    aspiLog = results + "\\window-aspi.log";
    std::remove(aspiLog.c_str());
    ::SetEnvironmentVariableA("QUILLANOR_ASPI_LOG", aspiLog.c_str());
    ::SetEnvironmentVariableA("QUILLANOR_ASPI_PROFILE", (profiles + "\\window.profile").c_str());
  }
  void TearDown() override { uidriver::SetWineVersion("Quillanor.exe", ""); }

  // Starts the program as Wine's given Windows version and waits for its window.
  bool Open(const std::string& version) {
    uidriver::SetWineVersion("Quillanor.exe", version);
    if (!session.Start(exe, std::string())) return false;
    return session.WaitForDialog(30000) != nullptr;
  }

  std::vector<std::string> LogLines() const { return Lines(ReadFile(aspiLog)); }

  static std::vector<std::string> Labels(const std::vector<ListRow>& rows) {
    std::vector<std::string> labels;
    for (const ListRow& row : rows) labels.push_back(row.label + (row.result.empty() ? "" : " = " + row.result));
    return labels;
  }

  std::string exe, profiles, results, aspiLog;
  Session session;
};

#ifndef _WIN64  // ASPI exists for 32-bit programs only
TEST_F(WindowTest, ThreeAspiDrivesAreListedAndEachSelectionQueriesItsDrive) {
  ASSERT_TRUE(Open("win98"));
  std::vector<TreeItem> tree = session.Tree();
  ASSERT_EQ(4u, tree.size());
  EXPECT_EQ("My Computer", tree[0].text);
  EXPECT_EQ(-1, tree[0].data);
  EXPECT_EQ(0, tree[0].depth);
  const char* names[] = {"QUILLWIN DVD WRITER", "QUILLWIN NO PAGE READER", "QUILLWIN EMPTY TRAY"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(names[i], tree[static_cast<size_t>(i + 1)].text);
    EXPECT_EQ(i, tree[static_cast<size_t>(i + 1)].data);
    EXPECT_EQ(1, tree[static_cast<size_t>(i + 1)].depth);
  }
  EXPECT_TRUE(session.List().empty());
  const size_t afterDiscovery = LogLines().size();

  // The first drive: its 24 rows, as its page bytes 3F 37 71 63 29 23 say:
  // everything but the locked state.
  ASSERT_TRUE(session.Select(tree[1]));
  std::vector<ListRow> rows = session.List();
  ASSERT_EQ(24u, rows.size());
  for (int i = 0; i < kCapabilityRowCount; ++i) {
    EXPECT_EQ(kCapabilityRows[i].label, rows[static_cast<size_t>(i)].label);
    EXPECT_EQ(i < 23 ? "YES" : "NO", rows[static_cast<size_t>(i)].result) << kCapabilityRows[i].label;
  }
  EXPECT_TRUE(session.Screenshot(results + "\\window.bmp"));

  ASSERT_TRUE(session.Select(tree[2]));
  EXPECT_EQ((std::vector<std::string>{"Mode Sense Command Failure", "Command not supported by device."}),
            Labels(session.List()));
  ASSERT_TRUE(session.Select(tree[3]));
  EXPECT_EQ((std::vector<std::string>{"Mode Sense Command Failure", "Sense Data = 02 3A 00"}), Labels(session.List()));
  ASSERT_TRUE(session.Select(tree[0]));
  EXPECT_TRUE(session.List().empty());
  // A then B: only B's report.
  ASSERT_TRUE(session.Select(tree[1]));
  ASSERT_TRUE(session.Select(tree[3]));
  EXPECT_EQ(2u, session.List().size());

  // After discovery, one MODE SENSE per drive selected and nothing else.
  std::vector<std::string> log = LogLines();
  std::vector<std::string> commands;
  for (size_t i = afterDiscovery; i < log.size(); ++i)
    if (log[i].compare(0, 4, "DONE") != 0) commands.push_back(log[i].substr(0, log[i].find(" flags")));
  EXPECT_EQ((std::vector<std::string>{"EXEC ha=0 target=0 lun=0", "EXEC ha=0 target=1 lun=0",
                                      "EXEC ha=0 target=2 lun=0", "EXEC ha=0 target=0 lun=0",
                                      "EXEC ha=0 target=2 lun=0"}),
            commands);
  for (size_t i = afterDiscovery; i < log.size(); ++i) {
    if (log[i].compare(0, 4, "EXEC") == 0) {
      EXPECT_NE(std::string::npos, log[i].find("cdb=5A ")) << log[i];
    }
  }
  // The refusal tests look for this module's absence; here it must be seen.
  EXPECT_TRUE(session.HasModule("WNASPI32.dll"));

  session.Click(IDOK);
  EXPECT_TRUE(session.WaitForExit(10000));
}

TEST_F(WindowTest, TheCloseBoxEndsTheProgram) {
  ASSERT_TRUE(Open("win98"));
  session.CloseBox();
  EXPECT_TRUE(session.WaitForExit(10000));
}

// ASPI start-up problems are told before the window opens, and the window
// still opens, with no drives.
TEST_F(WindowTest, AspiStartUpProblemsAreToldAndTheWindowStillOpens) {
  std::string failing = results + "\\failing.profile";
  {
    std::ofstream profile(failing.c_str());
    profile << "support 0000E400\ndevice 0 0 0\n  inquiry \"A\" \"B\" \"C\"\n";
  }
  // A copy of the program where no library lies beside it; Wine is told
  // to take no library of that name but ours.
  std::string alone = results + "\\no-aspi";
  ::CreateDirectoryA(alone.c_str(), nullptr);
  alone += "\\Quillanor.exe";
  ASSERT_TRUE(::CopyFileA(exe.c_str(), alone.c_str(), FALSE));
  struct Case {
    std::string program;
    std::string profile;
    const char* message;
  } cases[] = {
      {alone, profiles + "\\window.profile", "Unable to load ASPI!"},
      {exe, failing, "Unexpected ASPI Failure - 0000E400h"},
  };
  uidriver::SetWineVersion("Quillanor.exe", "win98");
  for (const Case& c : cases) {
    ::SetEnvironmentVariableA("QUILLANOR_ASPI_PROFILE", c.profile.c_str());
    Session starting;
    ASSERT_TRUE(starting.Start(c.program, std::string()));
    uidriver::MessageBoxInfo box;
    ASSERT_TRUE(starting.WaitForMessageBox(30000, &box)) << c.message;
    EXPECT_EQ(c.message, box.text);
    EXPECT_EQ("Quillanor", box.caption);
    EXPECT_EQ(nullptr, starting.WaitForDialog(0));
    starting.CloseMessageBox(box);
    ASSERT_NE(nullptr, starting.WaitForDialog(30000)) << c.message;
    std::vector<TreeItem> tree = starting.Tree();
    ASSERT_EQ(1u, tree.size());
    EXPECT_EQ("No CD/DVD Devices Found", tree[0].text);
    starting.Click(IDOK);
    EXPECT_TRUE(starting.WaitForExit(10000));
  }
}
#endif

TEST_F(WindowTest, WithoutDrivesTheRootSaysSoAndSelectingItShowsNothing) {
  ASSERT_TRUE(Open(""));
  std::vector<TreeItem> tree = session.Tree();
  ASSERT_EQ(1u, tree.size());
  EXPECT_EQ("No CD/DVD Devices Found", tree[0].text);
  EXPECT_EQ(-1, tree[0].data);
  session.Select(tree[0]);
  EXPECT_TRUE(session.List().empty());
  session.PressKey(VK_ESCAPE);
  EXPECT_TRUE(session.WaitForExit(10000)) << "Escape should end the program";
}

// The version block carries the version twice: the text that the window
// shows as it stands, and the numbers of the fixed fields.
TEST_F(WindowTest, VersionBlockHoldsTheTextAndTheNumbers) {
  CModuleVersionVek record;
  ASSERT_TRUE(record.Load(exe.c_str()));
  ASSERT_TRUE(record.m_bVersionValid);
  EXPECT_STREQ("1.0.005", record.m_strFileVersion);
  EXPECT_STREQ("1.0.005", record.m_strProductVersion);
  EXPECT_STREQ(QUILLANOR_VERSION, record.m_strFileVersion);
  EXPECT_EQ(0x00010000u, record.m_dwFileVersionMS);
  EXPECT_EQ(0x00000005u, record.m_dwFileVersionLS);
  EXPECT_EQ(0x00010000u, record.m_dwProductVersionMS);
  EXPECT_EQ(0x00000005u, record.m_dwProductVersionLS);
}

TEST_F(WindowTest, VersionTitleAndColumnsAreLaidOutAsDrawn) {
  ASSERT_TRUE(Open(""));
  EXPECT_EQ("1.0.005", session.ItemText(IDC_VERSION));
  EXPECT_EQ("Quillanor", session.ItemText(IDC_TITLE));

  // Centred on the screen, with the focus on Exit.
  RECT window, area;
  ::GetWindowRect(session.Dialog(), &window);
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  EXPECT_NEAR((area.left + area.right) / 2, (window.left + window.right) / 2, 1);
  EXPECT_NEAR((area.top + area.bottom) / 2, (window.top + window.bottom) / 2, 1);
  GUITHREADINFO thread;
  thread.cbSize = sizeof(thread);
  ASSERT_TRUE(::GetGUIThreadInfo(::GetWindowThreadProcessId(session.Dialog(), nullptr), &thread));
  EXPECT_EQ(session.Control(IDOK), thread.hwndFocus);

  RECT list;
  ::GetWindowRect(session.Control(IDC_INFO_LIST), &list);
  EXPECT_EQ(list.right - list.left - 100, session.ColumnWidth(0));
  EXPECT_GT(session.ColumnWidth(1), 0);

  // The title is drawn in bold Arial of 12 points at the screen's resolution.
  HDC screen = ::GetDC(nullptr);
  int height = -::MulDiv(12, ::GetDeviceCaps(screen, LOGPIXELSX), 72);
  ::ReleaseDC(nullptr, screen);
  int boldWidth = 0, boldHeight = 0, plainWidth = 0, plainHeight = 0, shownWidth = 0, shownHeight = 0;
  uidriver::FontInkExtent("Arial", height, FW_BOLD, "Quillanor", &boldWidth, &boldHeight);
  uidriver::FontInkExtent("Arial", height, FW_NORMAL, "Quillanor", &plainWidth, &plainHeight);
  ASSERT_TRUE(session.InkExtent(IDC_TITLE, &shownWidth, &shownHeight));
  EXPECT_GT(boldWidth, plainWidth);
  EXPECT_EQ(boldWidth, shownWidth);
  EXPECT_EQ(boldHeight, shownHeight);
  session.PressKey(VK_RETURN);
  EXPECT_TRUE(session.WaitForExit(10000)) << "Enter should end the program";
}

TEST_F(WindowTest, ClickingTheLinkOpensItsAddressAndMarksItVisited) {
  std::string urlLog = results + "\\opened-urls.log";
  std::remove(urlLog.c_str());
  ::SetEnvironmentVariableA("QUILLANOR_URL_LOG", urlLog.c_str());
  std::string handler = "\"" + WindowsPath("QUILLANOR_URL_HANDLER") + "\" \"%1\"";
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CLASSES_ROOT, "https\\shell\\open\\command", 0, nullptr, 0,
                                             KEY_SET_VALUE, nullptr, &key, nullptr));
  ::RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(handler.c_str()),
                   static_cast<DWORD>(handler.size() + 1));
  ::RegCloseKey(key);

  ASSERT_TRUE(Open(""));
  const COLORREF blue = RGB(0, 0, 255), purple = RGB(128, 0, 128);
  session.Settle();
  EXPECT_GT(session.CountPixels(IDC_WEB_LINK, blue), 0);
  EXPECT_EQ(0, session.CountPixels(IDC_WEB_LINK, purple));

  session.Click(IDC_WEB_LINK);
  std::string opened;
  for (int i = 0; i < 100 && opened.empty(); ++i) {
    ::Sleep(100);
    opened = ReadFile(urlLog);
  }
  EXPECT_EQ("https://quillanor.example.org/\n", opened);
  session.Settle();
  EXPECT_GT(session.CountPixels(IDC_WEB_LINK, purple), 0);
  EXPECT_EQ(0, session.CountPixels(IDC_WEB_LINK, blue));
  session.Click(IDOK);
  EXPECT_TRUE(session.WaitForExit(10000));
}

class RefusalTest : public WindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(RefusalTest, OldSystemsGetTheMessageAndNoWindow) {
  uidriver::SetWineVersion("Quillanor.exe", GetParam());
  ASSERT_TRUE(session.Start(exe, std::string()));
  uidriver::MessageBoxInfo box;
  ASSERT_TRUE(session.WaitForMessageBox(30000, &box));
  EXPECT_EQ(kRefusal, box.text);
  EXPECT_EQ("Quillanor", box.caption);
  EXPECT_EQ(nullptr, session.WaitForDialog(0));
  EXPECT_FALSE(session.HasModule("WNASPI32.dll"));
  EXPECT_TRUE(LogLines().empty());
  session.CloseMessageBox(box);
  EXPECT_TRUE(session.WaitForExit(10000));
}

INSTANTIATE_TEST_SUITE_P(Wine, RefusalTest, ::testing::Values("win95", "nt40"));

}  // namespace
