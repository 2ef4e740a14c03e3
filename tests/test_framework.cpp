#include <gtest/gtest.h>

#include "framework/afx.h"
#include "tests/support/standin.h"

namespace {

TEST(CStringTest, TrimRightRemovesOnlyTheTrailingRunOfThatCharacter) {
  StandInPlatform os;
  CString text("  ABC \t   ");
  text.TrimRight(' ');
  EXPECT_STREQ("  ABC \t", text);
  CString blanks("     ");
  blanks.TrimRight(' ');
  EXPECT_TRUE(blanks.IsEmpty());
}

TEST(CStringTest, TrimRightNeverSplitsADoubleByteCharacter) {
  StandInPlatform os;
  os.leadBytes = {0x81};
  // 81 20 is one character whose trail byte happens to be a blank.
  CString text("A\x81 ");
  text.TrimRight(' ');
  EXPECT_EQ(3, text.GetLength());
  CString trailing("A\x81\x40  ");
  trailing.TrimRight(' ');
  EXPECT_EQ(3, trailing.GetLength());
}

TEST(CStringTest, FindIsMultibyteAwareAndReverseFindIsPlainBytes) {
  StandInPlatform os;
  os.leadBytes = {0x81};
  CString text("\x81\\dir\\x");
  EXPECT_EQ(2, text.Find("dir"));
  EXPECT_EQ(5, text.Find('\\'));       // the byte after 81 is not a backslash
  EXPECT_EQ(5, text.ReverseFind('\\'));
  EXPECT_EQ(-1, text.Find("zz"));
}

TEST(CStringTest, FormatDeleteInsertAndSlices) {
  StandInPlatform os;
  CString text;
  text.Format("Sense Data = %02X %02X %02X", 2, 0x3A, 0);
  EXPECT_STREQ("Sense Data = 02 3A 00", text);
  CString path("$windir\\x");
  path.Delete(0, 7);
  path.Insert(0, "C:\\WINDOWS");
  EXPECT_STREQ("C:\\WINDOWS\\x", path);
  EXPECT_STREQ("C:", path.Left(2));
  EXPECT_STREQ("x", path.Mid(11));
  EXPECT_STREQ("", path.Mid(40));
  CString self("abc");
  self = self.GetString() + 1;  // assigning from its own storage
  EXPECT_STREQ("bc", self);
}

TEST(CArrayTest, BoundsAreCheckedBeforeAnythingIsRead) {
  CArray<int*, int*> array;
  int a = 1, b = 2;
  EXPECT_EQ(0, array.Add(&a));
  EXPECT_EQ(1, array.Add(&b));
  EXPECT_EQ(&b, array[1]);
  EXPECT_THROW(array.GetAt(-1), CInvalidArgException);
  EXPECT_THROW(array.GetAt(2), CInvalidArgException);
  for (int i = 0; i < 100; ++i) array.Add(&a);
  EXPECT_EQ(102, array.GetSize());
  EXPECT_EQ(&b, array[1]);
  array.RemoveAll();
  EXPECT_EQ(0, array.GetSize());
  array.RemoveAll();
}

TEST(RuntimeClassTest, ExceptionsKnowTheirClasses) {
  CInvalidArgException e;
  EXPECT_STREQ("CInvalidArgException", e.GetRuntimeClass()->m_lpszClassName);
  EXPECT_TRUE(e.IsKindOf(RUNTIME_CLASS(CException)));
  EXPECT_TRUE(e.IsKindOf(RUNTIME_CLASS(CObject)));
  EXPECT_FALSE(e.IsKindOf(RUNTIME_CLASS(CMemoryException)));
  EXPECT_EQ(nullptr, RUNTIME_CLASS(CException)->CreateObject());
}

TEST(MessageBoxTest, CaptionIsTheProgramNameAndTheIconIsAdded) {
  StandInPlatform os;
  os.moduleFileName = "C:\\Tools\\My.Viewer.exe";
  AfxMessageBox("hello");
  ASSERT_EQ(1u, os.messages.size());
  EXPECT_EQ("hello", os.messages[0]);
  EXPECT_EQ("My.Viewer", os.messageCaptions[0]);
  EXPECT_EQ(MB_OK | MB_ICONEXCLAMATION, os.messageTypes[0]);
}

}  // namespace
