#include "version/module_version.h"

#include <cstring>
#include <memory>
#include <new>

#include "framework/archive.h"
#include "platform/windows_api.h"

IMPLEMENT_DYNCREATE(CModuleVersionVek, CObject)

namespace {

// The fixed part of a version resource, as the system lays it out.
struct FixedFileInfo {
  DWORD dwSignature;
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;
  DWORD dwFileVersionLS;
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};
static_assert(sizeof(FixedFileInfo) == 52, "the fixed version information is 52 bytes");

}  // namespace

CModuleVersionVek::CModuleVersionVek() { Reset(); }

CModuleVersionVek::~CModuleVersionVek() {}

void CModuleVersionVek::Reset() {
  m_bFileFound = FALSE;
  m_bVersionValid = FALSE;
  m_dwFileDateMS = m_dwFileDateLS = 0;
  m_dwFileVersionMS = m_dwFileVersionLS = 0;
  m_dwProductVersionMS = m_dwProductVersionLS = 0;
  m_wLanguage = m_wCodePage = 0;
  m_strFullPath.Empty();
  m_strFileName.Empty();
  m_strDirectory.Empty();
  m_strProductName.Empty();
  m_strCompanyName.Empty();
  m_strFileDescription.Empty();
  m_strProductVersion.Empty();
  m_strFileVersion.Empty();
  m_strLegalCopyright.Empty();
}

void CModuleVersionVek::SplitPath(const char* path) {
  m_strFullPath = path;
  m_strDirectory = path;
  int slash = m_strDirectory.ReverseFind('\\');
  if (slash < 0) {
    m_strDirectory.Empty();
    m_strFileName = path;
  } else {
    m_strFileName = m_strDirectory.Mid(slash + 1);
    m_strDirectory = m_strDirectory.Left(slash);
  }
}

BOOL CModuleVersionVek::Load(const char* path) {
  if (path == nullptr || *path == '\0') return FALSE;
  SplitPath(path);
  if (m_strDirectory.IsEmpty()) {
    Reset();
    return FALSE;
  }
  // Copies: LoadFrom resets the very fields that are passed.
  CString directory = m_strDirectory;
  CString fileName = m_strFileName;
  return LoadFrom(directory, fileName);
}

BOOL CModuleVersionVek::LoadFrom(const char* directory, const char* fileName) {
  if (directory == nullptr || *directory == '\0' || fileName == nullptr || *fileName == '\0') return FALSE;
  CString name(fileName);  // may point into a field that Reset empties
  CString dir = NormalizeDirectory(directory);
  Reset();
  m_strDirectory = dir;
  m_strFileName = name;
  m_strFullPath = dir + "\\" + name;
  if (!IsFileReadable(m_strFullPath)) return m_bVersionValid;
  m_bFileFound = TRUE;
  DWORD size = Win().GetFileVersionInfoSizeA(m_strFullPath, nullptr);
  if (size != 0) {
    std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[size]);
    if (!block) AfxThrowMemoryException();
    if (Win().GetFileVersionInfoA(m_strFullPath, 0, size, block.get())) ReadVersionBlock(block.get());
  }
  return m_bVersionValid;
}

void CModuleVersionVek::ReadVersionBlock(const void* block) {
  void* value = nullptr;
  UINT length = 0;
  if (Win().VerQueryValueA(block, "\\VarFileInfo\\Translation", &value, &length) && value != nullptr &&
      length >= 4) {
    BYTE entry[4];
    std::memcpy(entry, value, sizeof(entry));
    m_wLanguage = static_cast<WORD>(entry[0] | (entry[1] << 8));
    m_wCodePage = static_cast<WORD>(entry[2] | (entry[3] << 8));
  }
  value = nullptr;
  length = 0;
  if (!Win().VerQueryValueA(block, "\\", &value, &length)) return;
  m_bVersionValid = TRUE;
  // The signature is not checked, but nothing past the length that the
  // query returned is read: what it does not cover counts as 0.
  FixedFileInfo info;
  std::memset(&info, 0, sizeof(info));
  if (value != nullptr) std::memcpy(&info, value, length < sizeof(info) ? length : sizeof(info));
  m_dwFileDateLS = info.dwFileDateLS;
  m_dwFileDateMS = info.dwFileDateMS;
  m_dwFileVersionLS = info.dwFileVersionLS;
  m_dwFileVersionMS = info.dwFileVersionMS;
  m_dwProductVersionLS = info.dwProductVersionLS;
  m_dwProductVersionMS = info.dwProductVersionMS;
  m_strCompanyName = QueryStringValue(block, "CompanyName");
  m_strFileDescription = QueryStringValue(block, "FileDescription");
  m_strFileVersion = QueryStringValue(block, "FileVersion");
  m_strProductName = QueryStringValue(block, "ProductName");
  m_strProductVersion = QueryStringValue(block, "ProductVersion");
  m_strLegalCopyright = QueryStringValue(block, "LegalCopyright");
}

CString CModuleVersionVek::QueryStringValue(const void* block, const char* name) const {
  if (block == nullptr) return CString();
  CString query;
  query.Format("\\StringFileInfo\\%04x%04x\\%s", m_wLanguage, m_wCodePage, name);
  void* value = nullptr;
  UINT length = 0;
  // The system's answer ends in a NUL; its length is not needed.
  if (!Win().VerQueryValueA(block, query, &value, &length) || value == nullptr) return CString();
  return CString(static_cast<const char*>(value));
}

void CModuleVersionVek::Serialize(CArchive& ar) {
  // The order of the stored form, which is not the order of declaration.
  if (ar.IsStoring()) {
    ar << m_bFileFound << m_bVersionValid;
    ar << m_dwFileDateLS << m_dwFileDateMS << m_dwFileVersionLS << m_dwFileVersionMS;
    ar << m_dwProductVersionLS << m_dwProductVersionMS;
    ar << m_strCompanyName << m_strFileDescription << m_strDirectory << m_strFullPath << m_strFileVersion;
    ar << m_strLegalCopyright << m_strFileName << m_strProductName << m_strProductVersion;
    ar << m_wLanguage << m_wCodePage;
  } else {
    ar >> m_bFileFound >> m_bVersionValid;
    ar >> m_dwFileDateLS >> m_dwFileDateMS >> m_dwFileVersionLS >> m_dwFileVersionMS;
    ar >> m_dwProductVersionLS >> m_dwProductVersionMS;
    ar >> m_strCompanyName >> m_strFileDescription >> m_strDirectory >> m_strFullPath >> m_strFileVersion;
    ar >> m_strLegalCopyright >> m_strFileName >> m_strProductName >> m_strProductVersion;
    ar >> m_wLanguage >> m_wCodePage;
  }
}
