#include <gtest/gtest.h>

#include <memory>

#include "tests/support/standin.h"
#include "version/module_version.h"
#include "version_blocks.h"

using namespace version_blocks;

namespace {

std::vector<Node> SixStrings() {
  return {Text("CompanyName", "Acme"),        Text("FileDescription", "Prog tool"),
          Text("FileVersion", "1.0.005"),     Text("ProductName", "Prog"),
          Text("ProductVersion", "1.0"),      Text("LegalCopyright", "(c) Acme"),
          Text("InternalName", "not read")};
}

// A record whose every field holds something, to see what a call keeps.
void Fill(CModuleVersionVek& r) {
  r.m_bFileFound = r.m_bVersionValid = TRUE;
  r.m_dwFileVersionMS = 7;
  r.m_wLanguage = 9;
  r.m_strFullPath = "old\\path";
  r.m_strFileVersion = "old";
}

TEST(ModuleVersionTest, LoadsEveryFieldFromTheBlock) {
  StandInPlatform os;
  os.versionBlocks["c:\\tools\\Prog.exe"] = Block("040904b0", SixStrings(), {0x04B00409});
  CModuleVersionVek r;
  EXPECT_TRUE(r.Load("C:\\Tools\\Prog.exe"));
  EXPECT_STREQ("c:\\tools", r.m_strDirectory);  // the file name keeps its case
  EXPECT_STREQ("c:\\tools\\Prog.exe", r.m_strFullPath);
  EXPECT_STREQ("Prog.exe", r.m_strFileName);
  EXPECT_TRUE(r.m_bFileFound);
  EXPECT_EQ(0x00010002u, r.m_dwFileVersionMS);
  EXPECT_EQ(0x00030004u, r.m_dwFileVersionLS);
  EXPECT_EQ(0x00050006u, r.m_dwProductVersionMS);
  EXPECT_EQ(0x00070008u, r.m_dwProductVersionLS);
  EXPECT_EQ(0x11111111u, r.m_dwFileDateMS);
  EXPECT_EQ(0x22222222u, r.m_dwFileDateLS);
  EXPECT_EQ(0x0409, r.m_wLanguage);
  EXPECT_EQ(0x04B0, r.m_wCodePage);
  EXPECT_STREQ("Acme", r.m_strCompanyName);
  EXPECT_STREQ("Prog tool", r.m_strFileDescription);
  EXPECT_STREQ("1.0.005", r.m_strFileVersion);
  EXPECT_STREQ("Prog", r.m_strProductName);
  EXPECT_STREQ("1.0", r.m_strProductVersion);
  EXPECT_STREQ("(c) Acme", r.m_strLegalCopyright);
  EXPECT_EQ(0u, os.OpenHandleCount());
}

TEST(ModuleVersionTest, PathsWithoutADirectoryAreRefusedWithAReset) {
  StandInPlatform os;
  for (const char* path : {"Prog.exe", "\\Prog.exe"}) {
    CModuleVersionVek r;
    Fill(r);
    EXPECT_FALSE(r.Load(path)) << path;
    EXPECT_FALSE(r.m_bFileFound);
    EXPECT_EQ(0u, r.m_dwFileVersionMS);
    EXPECT_TRUE(r.m_strFullPath.IsEmpty());
    EXPECT_TRUE(r.m_strFileName.IsEmpty());
  }
  EXPECT_EQ(0, os.CountCalls("CreateFileA"));
}

TEST(ModuleVersionTest, EmptyArgumentsLeaveTheRecordAsItWas) {
  StandInPlatform os;
  CModuleVersionVek r;
  Fill(r);
  EXPECT_FALSE(r.Load(nullptr));
  EXPECT_FALSE(r.Load(""));
  EXPECT_STREQ("old\\path", r.m_strFullPath);
  // A path ending in a backslash is split, then refused without a reset.
  EXPECT_FALSE(r.Load("C:\\Tools\\"));
  EXPECT_STREQ("C:\\Tools\\", r.m_strFullPath);
  EXPECT_STREQ("C:\\Tools", r.m_strDirectory);
  EXPECT_TRUE(r.m_strFileName.IsEmpty());
  EXPECT_TRUE(r.m_bVersionValid);
  EXPECT_STREQ("old", r.m_strFileVersion);
  EXPECT_EQ(0, os.CountCalls("CreateFileA"));
}

TEST(ModuleVersionTest, FilesThatCannotBeReadSetOnlyThePaths) {
  StandInPlatform os;
  os.versionBlocks["d:\\Locked.exe"] = Block("040904b0", SixStrings(), {0x04B00409});
  os.fileOpenErrors["d:\\Locked.exe"] = 32;
  os.existingFiles = {"d:\\Plain.exe"};
  CModuleVersionVek r;
  Fill(r);
  EXPECT_FALSE(r.Load("D:\\Locked.exe"));
  EXPECT_STREQ("d:", r.m_strDirectory);
  EXPECT_STREQ("d:\\Locked.exe", r.m_strFullPath);
  EXPECT_FALSE(r.m_bFileFound);
  EXPECT_EQ(0, r.m_wLanguage);
  EXPECT_TRUE(r.m_strFileVersion.IsEmpty());
  EXPECT_EQ(0, os.CountCalls("GetFileVersionInfoSizeA"));
  // Opened, but without a version resource.
  EXPECT_FALSE(r.Load("D:\\Plain.exe"));
  EXPECT_TRUE(r.m_bFileFound);
  EXPECT_EQ(0, os.CountCalls("GetFileVersionInfoA"));
}

TEST(ModuleVersionTest, WithoutTranslationTheStringsAreLookedUpUnderZeros) {
  StandInPlatform os;
  os.versionBlocks["c:\\a\\zeros.exe"] = Block("00000000", SixStrings(), {});
  os.versionBlocks["c:\\a\\other.exe"] = Block("040904b0", SixStrings(), {});
  CModuleVersionVek r;
  EXPECT_TRUE(r.Load("C:\\A\\zeros.exe"));
  EXPECT_STREQ("1.0.005", r.m_strFileVersion);
  EXPECT_TRUE(r.Load("C:\\A\\other.exe"));
  EXPECT_EQ(0x00010002u, r.m_dwFileVersionMS);
  EXPECT_TRUE(r.m_strFileVersion.IsEmpty());
  EXPECT_TRUE(r.m_strCompanyName.IsEmpty());
  EXPECT_EQ("\\StringFileInfo\\00000000\\LegalCopyright", os.calls.back().detail);
}

TEST(ModuleVersionTest, OnlyTheFirstTranslationCounts) {
  StandInPlatform os;
  os.versionBlocks["c:\\a\\b.exe"] = Block("040704e4", SixStrings(), {0x04E40407, 0x04B00409});
  CModuleVersionVek r;
  EXPECT_TRUE(r.Load("C:\\A\\b.exe"));
  EXPECT_EQ(0x0407, r.m_wLanguage);
  EXPECT_EQ(0x04E4, r.m_wCodePage);
  EXPECT_STREQ("Acme", r.m_strCompanyName);
}

TEST(ModuleVersionTest, NothingPastTheFixedInformationsLengthIsRead) {
  StandInPlatform os;
  // A fixed part of 16 bytes, followed by a child whose bytes must not be
  // taken for the product version and dates.
  Node root;
  root.key = "VS_VERSION_INFO";
  root.value = Dwords({0xFEEF04BD, 0x10000, 0x00020001, 0x00040003});
  root.children = {Text("StringFileInfo", "zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz")};
  os.versionBlocks["c:\\a\\short.exe"] = Build(root);
  CModuleVersionVek r;
  EXPECT_TRUE(r.Load("C:\\A\\short.exe"));
  EXPECT_EQ(0x00020001u, r.m_dwFileVersionMS);
  EXPECT_EQ(0x00040003u, r.m_dwFileVersionLS);
  EXPECT_EQ(0u, r.m_dwProductVersionMS);
  EXPECT_EQ(0u, r.m_dwFileDateLS);
}

// What verfixture.rc says, in every build and whichever reader reads it.
void ExpectFixtureValues(const CModuleVersionVek& r) {
  EXPECT_TRUE(r.m_bFileFound);
  EXPECT_TRUE(r.m_bVersionValid);
  EXPECT_EQ(0x00020007u, r.m_dwFileVersionMS);
  EXPECT_EQ(0x00010009u, r.m_dwFileVersionLS);
  EXPECT_EQ(0x00020007u, r.m_dwProductVersionMS);
  EXPECT_EQ(0u, r.m_dwProductVersionLS);
  EXPECT_EQ(0u, r.m_dwFileDateMS);
  EXPECT_EQ(0u, r.m_dwFileDateLS);
  EXPECT_EQ(0x0409, r.m_wLanguage);
  EXPECT_EQ(1200, r.m_wCodePage);
  EXPECT_STREQ("Quillanor Test Fixtures", r.m_strCompanyName);
  EXPECT_STREQ("Version fixture", r.m_strFileDescription);
  EXPECT_STREQ("2.7.1 build 9", r.m_strFileVersion);
  EXPECT_STREQ("Quillanor", r.m_strProductName);
  EXPECT_STREQ("2.7", r.m_strProductVersion);
  EXPECT_STREQ("Copyright (C) 2024 Quillanor developers", r.m_strLegalCopyright);
}

TEST(ModuleVersionTest, ReadsRealExecutablesThroughOurOwnReader) {
  for (const char* name : {"verfixture32.exe", "verfixture64.exe"}) {
    SCOPED_TRACE(name);
    StandInPlatform os;
    os.peFiles["c:\\fixtures\\VerFixture.exe"] = FixtureDirectory() + "/" + name;
    CModuleVersionVek r;
    EXPECT_TRUE(r.Load("C:\\Fixtures\\VerFixture.exe"));
    EXPECT_STREQ("c:\\fixtures", r.m_strDirectory);
    EXPECT_STREQ("c:\\fixtures\\VerFixture.exe", r.m_strFullPath);
    EXPECT_STREQ("VerFixture.exe", r.m_strFileName);
    ExpectFixtureValues(r);
  }
}

#ifdef _WIN32
// The system's own version calls on the fixture that this build made and on
// the committed ones that the other builds read.
TEST(ModuleVersionTest, ReadsTheFixturesThroughTheSystem) {
  for (const char* name : {"verfixture.exe", "verfixture32.exe", "verfixture64.exe"}) {
    SCOPED_TRACE(name);
    CString directory(FixtureDirectory().c_str());
    CModuleVersionVek r;
    EXPECT_TRUE(r.Load(directory + "\\" + name));
    CString lower(directory);
    lower.MakeLower();
    EXPECT_STREQ(lower, r.m_strDirectory);
    EXPECT_STREQ(lower + "\\" + name, r.m_strFullPath);
    EXPECT_STREQ(name, r.m_strFileName);
    ExpectFixtureValues(r);
  }
}
#endif

TEST(ModuleVersionTest, IsRegisteredForDynamicCreation) {
  const CRuntimeClass* cls = RUNTIME_CLASS(CModuleVersionVek);
  EXPECT_STREQ("CModuleVersionVek", cls->m_lpszClassName);
  EXPECT_EQ(0xFFFFu, cls->m_wSchema);
  std::unique_ptr<CObject> made(cls->CreateObject());
  ASSERT_TRUE(made != nullptr);
  EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CModuleVersionVek)));
  EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CObject)));
}

}  // namespace
