#include <gtest/gtest.h>

#include "tests/support/standin.h"
#include "version/module_version.h"

namespace {

CString Normalize(const char* directory) { return CModuleVersionVek::NormalizeDirectory(directory); }

TEST(PathMacrosTest, MacrosMatchInAnyCaseAndKeepTheSystemsCase) {
  StandInPlatform os;
  os.windowsDirectory = "C:\\WINDOWS";
  os.systemDirectory = "C:\\WINDOWS\\System32";
  os.moduleFileName = "C:\\Program Files\\Quillanor\\Quillanor.exe";
  EXPECT_STREQ("C:\\WINDOWS\\system32", Normalize("$windir\\system32"));
  EXPECT_STREQ("C:\\WINDOWS\\fonts", Normalize("%SystemRoot%\\Fonts"));
  EXPECT_STREQ("C:\\WINDOWS\\System32\\drivers", Normalize("$SYSTEMDIR\\Drivers"));
  EXPECT_STREQ("C:\\Program Files\\Quillanor\\data", Normalize("$TargetDir\\Data"));
  EXPECT_STREQ("c:\\tools\\sub", Normalize("C:\\Tools\\Sub"));
  // Anywhere in the text, not only at its start.
  EXPECT_STREQ("d:\\mirror\\C:\\WINDOWS", Normalize("D:\\Mirror\\$WinDir"));
}

TEST(PathMacrosTest, OnlyTheFirstOccurrenceOfEachMacroIsReplaced) {
  StandInPlatform os;
  os.windowsDirectory = "C:\\WIN";
  EXPECT_STREQ("C:\\WIN\\$windir", Normalize("$windir\\$windir"));
  // The two names of the Windows directory are separate macros.
  EXPECT_STREQ("C:\\WIN\\C:\\WIN", Normalize("$windir\\%systemroot%"));
}

TEST(PathMacrosTest, DirectoriesAreAskedAnewOnEveryCall) {
  StandInPlatform os;
  os.windowsDirectory = "C:\\WINDOWS";
  EXPECT_STREQ("C:\\WINDOWS", Normalize("$windir"));
  os.windowsDirectory = "E:\\WINNT";
  EXPECT_STREQ("E:\\WINNT", Normalize("$windir"));
  EXPECT_EQ(2, os.CountCalls("GetModuleFileNameA"));
}

TEST(PathMacrosTest, ModuleDirectoryIsThePathBeforeItsLastBackslash) {
  StandInPlatform os;
  os.moduleFileName = "Quillanor.exe";  // no backslash: used whole
  EXPECT_STREQ("Quillanor.exe\\x", Normalize("$targetdir\\x"));
}

TEST(PathMacrosTest, TrailingBackslashesGoAfterExpansion) {
  StandInPlatform os;
  os.windowsDirectory = "C:\\";
  os.systemDirectory = "D:\\WINNT\\system32";
  EXPECT_STREQ("c:\\tools", Normalize("C:\\Tools\\\\\\"));
  EXPECT_STREQ("C:", Normalize("$windir"));
  EXPECT_STREQ("", Normalize("\\\\\\"));  // only backslashes: empty, and no drive
  EXPECT_STREQ("", Normalize(""));
}

TEST(PathMacrosTest, SingleLeadingBackslashGetsTheSystemDrive) {
  StandInPlatform os;
  os.systemDirectory = "D:\\WINNT\\system32";
  EXPECT_STREQ("D:\\apps", Normalize("\\Apps"));
  // A network path is only lower-cased.
  EXPECT_STREQ("\\\\server\\share\\dir", Normalize("\\\\Server\\Share\\Dir\\"));
}

TEST(PathMacrosTest, DoubleByteCharactersAreNeverSplit) {
  StandInPlatform os;
  os.leadBytes = {0x81};
  os.windowsDirectory = "C:\\WINDOWS";
  // 81 5C is one character: its trail byte is not a backslash to trim.
  EXPECT_STREQ("c:\\tools\\\x81\\", Normalize("C:\\Tools\\\x81\\\\"));
  // 81 24 is one character: what follows is not "$windir".
  EXPECT_STREQ("c:\\\x81$windir", Normalize("C:\\\x81$WINDIR"));
  // The trail byte of 81 41 is not a letter to lower-case.
  EXPECT_STREQ("c:\\\x81" "A", Normalize("C:\\\x81" "A"));
}

TEST(IsFileReadableTest, OpensForSharedReadingAndClosesAtOnce) {
  StandInPlatform os;
  os.existingFiles = {"C:\\a.exe", "C:\\locked.exe"};
  os.fileOpenErrors["C:\\locked.exe"] = 32;  // held open without read sharing
  EXPECT_FALSE(IsFileReadable(nullptr));
  EXPECT_FALSE(IsFileReadable(""));
  EXPECT_EQ(0, os.CountCalls("CreateFileA"));
  EXPECT_TRUE(IsFileReadable("C:\\a.exe"));
  ASSERT_EQ(1, os.CountCalls("CreateFileA"));
  EXPECT_EQ("C:\\a.exe access=80000000 share=3 disposition=3 flags=0", os.calls[0].detail);
  EXPECT_EQ(1, os.CountCalls("CloseHandle"));
  EXPECT_EQ(0u, os.OpenHandleCount());
  EXPECT_FALSE(IsFileReadable("C:\\locked.exe"));
  EXPECT_FALSE(IsFileReadable("C:\\missing.exe"));
  EXPECT_EQ(1, os.CountCalls("CloseHandle"));
}

}  // namespace
