#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "framework/archive.h"
#include "tests/support/standin.h"
#include "version/module_version.h"

namespace {

std::vector<BYTE> Store(CModuleVersionVek& r) {
  CArchive ar;
  r.Serialize(ar);
  return ar.GetStoredData();
}

std::vector<BYTE> Bytes(const std::string& text) { return std::vector<BYTE>(text.begin(), text.end()); }

// Loads a string from bytes; the cause of the archive exception, or -1.
int LoadString(const std::vector<BYTE>& data, CString& text) {
  CArchive ar(data.data(), data.size());
  try {
    ar >> text;
  } catch (const CArchiveException& e) {
    return e.m_cause;
  }
  return -1;
}

void FillAll(CModuleVersionVek& r) {
  r.m_bFileFound = 1;
  r.m_bVersionValid = 1;
  r.m_dwFileDateLS = 0x01020304;
  r.m_dwFileDateMS = 0x05060708;
  r.m_dwFileVersionLS = 0x090A0B0C;
  r.m_dwFileVersionMS = 0x0D0E0F10;
  r.m_dwProductVersionLS = 0x11121314;
  r.m_dwProductVersionMS = 0x15161718;
  r.m_strCompanyName = "company";
  r.m_strFileDescription = "description";
  r.m_strDirectory = "c:\\dir";
  r.m_strFullPath = "c:\\dir\\a.exe";
  r.m_strFileVersion = "1.0.005";
  r.m_strLegalCopyright = "copyright";
  r.m_strFileName = "a.exe";
  r.m_strProductName = "product";
  r.m_strProductVersion = std::string(300, 'v').c_str();
  r.m_wLanguage = 0x0409;
  r.m_wCodePage = 0x04B0;
}

TEST(ArchiveTest, ResetRecordStoresAs45Bytes) {
  CModuleVersionVek r;
  std::vector<BYTE> expected(45, 0);
  EXPECT_EQ(expected, Store(r));
}

TEST(ArchiveTest, StoredLayoutAndRoundTrip) {
  StandInPlatform os;
  CModuleVersionVek r;
  FillAll(r);
  std::vector<BYTE> data = Store(r);
  // The low word of each pair first; the file version is the fifth string.
  EXPECT_EQ((std::vector<BYTE>{1, 0, 0, 0, 1, 0, 0, 0, 4, 3, 2, 1, 8, 7, 6, 5}),
            std::vector<BYTE>(data.begin(), data.begin() + 16));
  size_t at = 32 + 8 + 12 + 7 + 13;
  EXPECT_EQ(Bytes("\x07" "1.0.005"), std::vector<BYTE>(data.begin() + at, data.begin() + at + 8));
  EXPECT_EQ((std::vector<BYTE>{0x09, 0x04, 0xB0, 0x04}), std::vector<BYTE>(data.end() - 4, data.end()));

  CModuleVersionVek back;
  CArchive ar(data.data(), data.size());
  back.Serialize(ar);
  EXPECT_EQ(0u, ar.GetRemaining());
  EXPECT_EQ(data, Store(back));  // all nineteen fields, compared by their stored form
  EXPECT_STREQ(r.m_strProductVersion, back.m_strProductVersion);
}

TEST(ArchiveTest, LengthPrefixesAtTheirBoundaries) {
  struct Case {
    int length;
    std::vector<BYTE> prefix;
  };
  for (const Case& c : {Case{254, {0xFE}}, Case{255, {0xFF, 0xFF, 0x00}}, Case{0xFFFD, {0xFF, 0xFD, 0xFF}},
                        Case{0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}}}) {
    CArchive ar;
    ar << CString('x', c.length);
    const std::vector<BYTE>& data = ar.GetStoredData();
    ASSERT_EQ(c.prefix.size() + static_cast<size_t>(c.length), data.size());
    EXPECT_EQ(c.prefix, std::vector<BYTE>(data.begin(), data.begin() + static_cast<long>(c.prefix.size())));
    CString back;
    EXPECT_EQ(-1, LoadString(data, back));
    EXPECT_EQ(c.length, back.GetLength());
  }
}

TEST(ArchiveTest, LoadsTheWideAndTheLongForms) {
  StandInPlatform os;
  CString text;
  // FF FFFE: wide text follows, with its own prefix.
  EXPECT_EQ(-1, LoadString({0xFF, 0xFE, 0xFF, 3, 'a', 0, 0xE9, 0, 0x42, 0x30}, text));
  EXPECT_STREQ("a\xE9?", text);
  EXPECT_EQ(-1, LoadString({0xFF, 0xFE, 0xFF, 0xFF, 2, 0, 'h', 0, 'i', 0}, text));
  EXPECT_STREQ("hi", text);
  // A 64-bit length that fits in 31 bits.
  EXPECT_EQ(-1, LoadString({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 0, 0, 0, 0, 'o', 'k'}, text));
  EXPECT_STREQ("ok", text);
}

TEST(ArchiveTest, DamagedStringsRaiseTheirCauses) {
  StandInPlatform os;
  CString text("kept");
  // The prefix promises more than follows.
  EXPECT_EQ(CArchiveException::endOfFile, LoadString({0xFF, 0x00, 0x10, 'a', 'b'}, text));
  EXPECT_EQ(CArchiveException::endOfFile, LoadString({0xFF, 0xFE, 0xFF, 3, 'a', 0, 'b', 0, 'c'}, text));
  EXPECT_EQ(CArchiveException::endOfFile, LoadString({0xFF, 0xFF}, text));
  // Lengths that no string can have; the data are not even looked for.
  EXPECT_EQ(CArchiveException::genericException,
            LoadString({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0x80, 0, 0, 0, 0}, text));
  EXPECT_EQ(CArchiveException::genericException,
            LoadString({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 1}, text));
  EXPECT_EQ(CArchiveException::genericException, LoadString({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF}, text));
  // A 64-bit length within 31 bits, with the data missing.
  EXPECT_EQ(CArchiveException::endOfFile,
            LoadString({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0}, text));
  EXPECT_STREQ("kept", text);
}

TEST(ArchiveTest, EveryCutShortRecordRaisesEndOfFileAndKeepsWhatWasRead) {
  StandInPlatform os;
  CModuleVersionVek full;
  FillAll(full);
  std::vector<BYTE> data = Store(full);
  for (size_t cut = 0; cut < data.size(); ++cut) {
    CModuleVersionVek r;
    r.m_strFileName = "old";
    CArchive ar(data.data(), cut);
    try {
      r.Serialize(ar);
      ADD_FAILURE() << "no exception at " << cut;
    } catch (const CArchiveException& e) {
      EXPECT_EQ(CArchiveException::endOfFile, e.m_cause) << cut;
    }
    if (cut == 36) {  // inside the company name: the numbers are in, the rest as before
      EXPECT_EQ(0x15161718u, r.m_dwProductVersionMS);
      EXPECT_TRUE(r.m_strCompanyName.IsEmpty());
      EXPECT_STREQ("old", r.m_strFileName);
    }
  }
}

TEST(ArchiveTest, DirectionIsEnforcedAndFilesRoundTrip) {
  StandInPlatform os;
  CArchive storing;
  BYTE b = 0;
  EXPECT_THROW(storing >> b, CArchiveException);
  CArchive loading(nullptr, 0);
  EXPECT_THROW(loading << b, CArchiveException);

  std::string path = ::testing::TempDir() + "quillanor_archive_test.bin";
  CModuleVersionVek r;
  FillAll(r);
  {
    CArchive file(path.c_str(), CArchive::store);
    r.Serialize(file);
    file.Close();
  }
  CModuleVersionVek back;
  CArchive file(path.c_str(), CArchive::load);
  back.Serialize(file);
  EXPECT_EQ(Store(r), Store(back));
  std::remove(path.c_str());
  try {
    CArchive missing((path + ".missing").c_str(), CArchive::load);
    ADD_FAILURE();
  } catch (const CArchiveException& e) {
    EXPECT_EQ(CArchiveException::genericException, e.m_cause);
  }
}

}  // namespace
