// CModuleVersionVek: the version resource of an executable file, read once
// and kept: whether the file could be opened, the numeric version words,
// the first translation and six descriptive strings.
#pragma once

#include "framework/afx.h"

class CArchive;

class CModuleVersionVek : public CObject {
  DECLARE_DYNCREATE(CModuleVersionVek)

 public:
  CModuleVersionVek();
  ~CModuleVersionVek() override;
  void Serialize(CArchive& ar) override;

  // Every number 0, every text empty.
  void Reset();
  // Stores path as the full path and splits it at its last backslash.
  void SplitPath(const char* path);
  // Reads the version information of the file at path; the result is
  // m_bVersionValid, and 0 for a path without a directory part.
  BOOL Load(const char* path);
  // Reads the version information of directory\fileName, after normalising
  // the directory; the result is m_bVersionValid.
  BOOL LoadFrom(const char* directory, const char* fileName);
  // Fills the version fields from a block that GetFileVersionInfoA returned.
  void ReadVersionBlock(const void* block);
  // One string value of the block for the stored translation, or "".
  CString QueryStringValue(const void* block, const char* name) const;

  // The directory as the file is opened: lower-cased, macros expanded,
  // trailing backslashes removed, the system drive before a rooted path.
  static CString NormalizeDirectory(const char* directory);
  // Replaces the first "$windir", "%systemroot%", "$systemdir" and
  // "$targetdir" (lower case) by the directories they stand for.
  static void ExpandPathMacros(CString& text);

  BOOL m_bFileFound;
  BOOL m_bVersionValid;
  CString m_strFullPath;
  CString m_strFileName;
  CString m_strDirectory;
  DWORD m_dwFileDateMS;
  DWORD m_dwFileDateLS;
  DWORD m_dwFileVersionMS;
  DWORD m_dwFileVersionLS;
  DWORD m_dwProductVersionMS;
  DWORD m_dwProductVersionLS;
  WORD m_wLanguage;
  WORD m_wCodePage;
  CString m_strProductName;
  CString m_strCompanyName;
  CString m_strFileDescription;
  CString m_strProductVersion;
  CString m_strFileVersion;
  CString m_strLegalCopyright;
};

// TRUE when the file can be opened for reading (read and write sharing).
BOOL IsFileReadable(const char* path);
