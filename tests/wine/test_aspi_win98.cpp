// The real device list over the real Windows seam, under Wine in Windows 98
// mode, against the emulated WNASPI32.dll and the drives of test.profile.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "device/device_list.h"
#include "interrogation/capabilities.h"
#include "platform/aspi.h"
#include "windows_seam.h"

namespace {

std::string ProgramDirectory() {
  char path[MAX_PATH + 1] = {0};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string text(path);
  return text.substr(0, text.find_last_of("\\/") + 1);
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream input(path.c_str());
  std::string line;
  while (std::getline(input, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

int CountStarting(const std::vector<std::string>& lines, const std::string& prefix) {
  return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
    return line.compare(0, prefix.size(), prefix) == 0;
  }));
}

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

// The commands in the library's log, by operation code.
const char kInquiryCdb[] = "cdb=12 ";
const char kModeSenseCdb[] = "cdb=5A ";

std::vector<std::string> Results(const CapabilitiesResult& result) {
  std::vector<std::string> results;
  for (const CapabilityValue& row : result.rows) results.push_back(row.Text());
  return results;
}

std::vector<std::string> Failure(const CapabilitiesResult& result) {
  std::vector<std::string> lines;
  for (const CString& line : result.failure) lines.push_back(line.GetString());
  return lines;
}

// Each case loads the library afresh through its own DeviceList, so each
// reads the profile and log path that the case sets.
class AspiOnWindows98 : public ::testing::Test {
 protected:
  void SetUp() override {
    m_directory = ProgramDirectory();
    m_log = m_directory + "aspi-test.log";
    DeleteFileA(m_log.c_str());
    UseProfile(m_directory + "test.profile");
    SetEnvironmentVariableA("QUILLANOR_ASPI_LOG", m_log.c_str());
  }

  void TearDown() override {
    // A thread of a delayed completion holds the library a moment longer;
    // the next case must get a fresh copy.
    for (int i = 0; i < 500 && GetModuleHandleA("WNASPI32") != nullptr; ++i) Sleep(10);
    EXPECT_EQ(nullptr, GetModuleHandleA("WNASPI32")) << "the library stayed loaded";
  }

  void UseProfile(const std::string& path) { SetEnvironmentVariableA("QUILLANOR_ASPI_PROFILE", path.c_str()); }
  std::vector<std::string> Log() const { return ReadLines(m_log); }

  std::string m_directory;
  std::string m_log;
  WindowsSeamWithoutBoxes m_seam;
};

TEST_F(AspiOnWindows98, TheProgramSeesWindows98AndLoadsTheEmulatedLibrary) {
  OSVERSIONINFOA version;
  std::memset(&version, 0, sizeof(version));
  version.dwOSVersionInfoSize = sizeof(version);
  ASSERT_TRUE(GetVersionExA(&version));
  ASSERT_EQ(static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS), version.dwPlatformId)
      << "Wine is not in Windows 98 mode for this program";
  EXPECT_EQ(4u, version.dwMajorVersion);
  EXPECT_EQ(10u, version.dwMinorVersion);

  DeviceList list;
  EXPECT_TRUE(list.UsesAspi());
  ASSERT_NE(nullptr, list.AspiLibrary());
  EXPECT_TRUE(list.HasAspiSupportInfo());
  EXPECT_NE(nullptr, list.AspiSendCommand());
  // The copy beside the program. (Wine's built-in library would report this
  // path too; the adapter count and the log below tell the two apart.)
  char path[MAX_PATH + 1] = {0};
  GetModuleFileNameA(list.AspiLibrary(), path, MAX_PATH);
  EXPECT_EQ(0, lstrcmpiA(path, (m_directory + "WNASPI32.dll").c_str())) << path;
  EXPECT_EQ(2, list.AdapterCount());
  EXPECT_TRUE(list.StartProblems().empty());
  EXPECT_EQ(std::vector<std::string>{"SUPPORT -> 00000102"}, Log());
}

TEST_F(AspiOnWindows98, DiscoveryFindsTheDrivesInAddressOrderWithOneInquiryEach) {
  DeviceList list;
  ASSERT_EQ(5, list.Enumerate());
  EXPECT_TRUE(list.ScanProblems().empty());

  struct Expected {
    int adapter, target;
    const char* vendor;
    const char* product;
  };
  const Expected expected[] = {{0, 0, "QUILLTST", "DVD WRITER A"},
                               {0, 3, "QUILLTST", "SLOW READER B"},
                               {1, 2, "QUILLTST", "NO PAGE C"},
                               {1, 6, "GENERIC", "CD-ROM3"},  // BUSY: the fall-back name
                               {1, 15, "QUILLTST", "EMPTY TRAY D"}};
  std::vector<std::string> log = Log();
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const Expected& e = expected[i];
    CString vendor, product;
    list.GetDeviceNames(i, vendor, product);
    EXPECT_STREQ(e.vendor, vendor);
    EXPECT_STREQ(e.product, product);
    EXPECT_EQ(e.adapter, list.Device(i).m_nHostAdapter);
    EXPECT_EQ(e.target, list.Device(i).m_nTargetId);
    EXPECT_EQ(INVALID_HANDLE_VALUE, list.Device(i).m_hDevice);
    char exec[64];
    std::snprintf(exec, sizeof(exec), "EXEC ha=%d target=%d lun=0 ", e.adapter, e.target);
    EXPECT_EQ(1, CountStarting(log, exec));
  }

  // Two adapters: every target of each asked once, at logical unit 0 only.
  EXPECT_EQ(32, CountStarting(log, "GDEV "));
  for (int adapter = 0; adapter < 2; ++adapter)
    for (int target = 0; target < 16; ++target) {
      char query[48];
      std::snprintf(query, sizeof(query), "GDEV ha=%d target=%d lun=0 ", adapter, target);
      EXPECT_EQ(1, CountStarting(log, query)) << query;
    }
  EXPECT_FALSE(Contains(log, "lun=1"));
  EXPECT_EQ(5, CountStarting(log, "EXEC "));
  int inquiries = static_cast<int>(
      std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.find(kInquiryCdb) != l.npos; }));
  EXPECT_EQ(5, inquiries);
  EXPECT_EQ(5, CountStarting(log, "DONE "));
}

TEST_F(AspiOnWindows98, CapabilitiesOfEachDrive) {
  DeviceList list;
  ASSERT_EQ(5, list.Enumerate());

  CapabilitiesResult writer = QueryCapabilities(list, 0);
  ASSERT_EQ(24u, writer.rows.size());
  std::vector<std::string> allButLocked(23, "YES");
  allButLocked.push_back("NO");
  EXPECT_EQ(allButLocked, Results(writer));
  EXPECT_STREQ("Can read CD-R discs", writer.rows[0].label);

  // Page bytes 01 00 51 01 29 03, answered after its delay.
  DWORD start = GetTickCount();
  CapabilitiesResult slow = QueryCapabilities(list, 1);
  EXPECT_GE(GetTickCount() - start, 150u) << "the delayed drive answered at once";
  const char* y = "YES";
  const char* n = "NO";
  std::vector<std::string> oldReader = {y, n, n, n, n, n, n, n, n, n, y, y, n, y, y, y, y, n, n, n, n, y, y, n};
  EXPECT_EQ(oldReader, Results(slow));

  EXPECT_EQ((std::vector<std::string>{"Mode Sense Command Failure", "Command not supported by device."}),
            Failure(QueryCapabilities(list, 2)));
  CapabilitiesResult busy = QueryCapabilities(list, 3);  // BUSY: no sense to explain
  EXPECT_EQ(std::vector<std::string>{"Mode Sense Command Failure"}, Failure(busy));
  EXPECT_EQ(CommandOutcome::kOtherStatus, busy.outcome.kind());
  EXPECT_EQ(8, busy.outcome.status);
  CapabilitiesResult empty = QueryCapabilities(list, 4);
  EXPECT_EQ((std::vector<std::string>{"Mode Sense Command Failure", "Sense Data = 02 3A 00"}), Failure(empty));
  EXPECT_EQ(14, empty.outcome.senseLength);

  std::vector<std::string> log = Log();
  int modeSenses = static_cast<int>(std::count_if(
      log.begin(), log.end(), [](const std::string& l) { return l.find(kModeSenseCdb) != l.npos; }));
  EXPECT_EQ(5, modeSenses);
  EXPECT_TRUE(Contains(log, "EXEC ha=0 target=3 lun=0 flags=48 buflen=256 senselen=14 " + std::string(kModeSenseCdb)));
}

TEST_F(AspiOnWindows98, DelayedBlocksFinishFromAnotherThreadOrAreAborted) {
  DeviceList list;
  ASSERT_NE(nullptr, list.AspiSendCommand());
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(nullptr, event);
  std::vector<BYTE> answer(96, 0);
  SRB_ExecSCSICmd srb;
  std::memset(&srb, 0, sizeof(srb));
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_Flags = SRB_EVENT_NOTIFY | SRB_DIR_IN;
  srb.SRB_Target = 3;  // the slow reader
  srb.SRB_BufLen = 96;
  srb.SRB_BufPointer = answer.data();
  srb.SRB_SenseLen = SENSE_LEN;
  srb.SRB_CDBLen = 6;
  srb.SRB_PostProc = event;
  const BYTE inquiry[6] = {0x12, 0, 0, 0, 0x60, 0};
  std::memcpy(srb.CDBByte, inquiry, sizeof(inquiry));

  ASSERT_EQ(static_cast<DWORD>(SS_PENDING), list.AspiSendCommand()(&srb));
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(event, 50)) << "signalled before its delay";
  ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(event, 5000));
  EXPECT_EQ(SS_COMP, srb.SRB_Status);
  EXPECT_EQ(0, std::memcmp(&answer[16], "SLOW READER B", 13));

  // Aborted while pending: signalled at once, and the late completion
  // leaves the block and buffer alone.
  ResetEvent(event);
  std::fill(answer.begin(), answer.end(), 0);
  srb.SRB_Status = 0xFF;
  ASSERT_EQ(static_cast<DWORD>(SS_PENDING), list.AspiSendCommand()(&srb));
  SRB_Abort abort;
  std::memset(&abort, 0, sizeof(abort));
  abort.SRB_Cmd = SC_ABORT_SRB;
  abort.SRB_ToAbort = &srb;
  EXPECT_EQ(static_cast<DWORD>(SS_COMP), list.AspiSendCommand()(&abort));
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(event, 0));
  EXPECT_EQ(SS_ABORTED, srb.SRB_Status);
  Sleep(400);
  EXPECT_EQ(SS_ABORTED, srb.SRB_Status);
  EXPECT_EQ(std::vector<BYTE>(96, 0), answer);
  CloseHandle(event);

  // A completion at once signals the event before the call returns.
  HANDLE second = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  srb.SRB_Target = 0;
  srb.SRB_PostProc = second;
  EXPECT_EQ(static_cast<DWORD>(SS_COMP), list.AspiSendCommand()(&srb));
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(second, 0));
  CloseHandle(second);
}

TEST_F(AspiOnWindows98, AMissingOrMalformedProfileLeavesNoAdapters) {
  UseProfile(m_directory + "no-such.profile");
  {
    DeviceList list;
    EXPECT_EQ(0, list.AdapterCount());
    EXPECT_EQ(0, list.Enumerate());
  }
  std::vector<std::string> log = Log();
  EXPECT_TRUE(Contains(log, "PROFILE cannot read the profile")) << (log.empty() ? "" : log[0]);
  EXPECT_TRUE(Contains(log, "SUPPORT -> 0000E800"));
  EXPECT_EQ(0, CountStarting(log, "GDEV"));
  TearDown();

  std::string bad = m_directory + "malformed.profile";
  {
    std::ofstream out(bad.c_str());
    out << "device 0 0 0\n  inquiry \"ONLY VENDOR\"\n";
  }
  UseProfile(bad);
  DeleteFileA(m_log.c_str());
  {
    DeviceList list;
    EXPECT_EQ(0, list.Enumerate());
    // Status E8h is a clean start with no adapters: nothing to tell the user.
    EXPECT_TRUE(list.StartProblems().empty());
  }
  log = Log();
  EXPECT_TRUE(Contains(log, "line 2: inquiry takes")) << (log.empty() ? "" : log[0]);
  EXPECT_TRUE(Contains(log, "SUPPORT -> 0000E800"));
  DeleteFileA(bad.c_str());
}

// The other shipped profiles: the drives a person or the window tests see.
TEST_F(AspiOnWindows98, TheShippedProfilesGiveTheirDrives) {
  UseProfile(m_directory + "window.profile");
  {
    DeviceList list;
    ASSERT_EQ(3, list.Enumerate());
    EXPECT_EQ(24u, QueryCapabilities(list, 0).rows.size());
    EXPECT_EQ((std::vector<std::string>{"Mode Sense Command Failure", "Command not supported by device."}),
              Failure(QueryCapabilities(list, 1)));
    EXPECT_EQ((std::vector<std::string>{"Mode Sense Command Failure", "Sense Data = 02 3A 00"}),
              Failure(QueryCapabilities(list, 2)));
  }
  TearDown();

  UseProfile(m_directory + "demo.profile");
  DeleteFileA(m_log.c_str());
  {
    DeviceList list;
    ASSERT_EQ(5, list.Enumerate());  // the tape drive is passed over
    for (int i = 0; i < 5; ++i) {
      CString vendor, product;
      list.GetDeviceNames(i, vendor, product);
      EXPECT_STRNE("GENERIC", vendor) << i;
    }
  }
  EXPECT_FALSE(Contains(Log(), "PROFILE"));
  EXPECT_TRUE(m_seam.messages.empty());  // the list tells nobody anything itself
}

// Run only with the library disabled (see tests/wine/CMakeLists.txt).
TEST(AspiAbsent, OneProblemAndNoDrives) {
  WindowsSeamWithoutBoxes seam;
  DeviceList list;
  EXPECT_TRUE(list.UsesAspi());
  EXPECT_EQ(nullptr, list.AspiLibrary());
  EXPECT_EQ(0, list.Enumerate());
  EXPECT_EQ(0, list.Enumerate());
  ASSERT_EQ(1u, list.StartProblems().size());
  EXPECT_EQ(DeviceProblem::kAspiNotLoaded, list.StartProblems()[0].kind);
  EXPECT_STREQ("Unable to load ASPI!", list.StartProblems()[0].text);
  EXPECT_TRUE(list.ScanProblems().empty());
  EXPECT_TRUE(seam.messages.empty());
}

}  // namespace
