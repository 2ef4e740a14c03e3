// CArchive: a byte stream in which objects store themselves and load
// themselves back, over memory or over a file. Numbers are little-endian
// and unaligned; strings carry the framework's length prefix.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <vector>

#include "framework/cstring.h"
#include "framework/exceptions.h"

class CArchiveException : public CException {
  DECLARE_DYNAMIC(CArchiveException)

 public:
  enum {
    none,
    genericException,  // anything else, including failures of the file beneath
    readOnly,          // storing into an archive that loads
    endOfFile,         // the data ended before the value did
    writeOnly,         // loading from an archive that stores
  };
  explicit CArchiveException(int cause = none) : m_cause(cause) {}

  int m_cause;
};

// Raised by value, like the other exceptions of the framework.
[[noreturn]] void AfxThrowArchiveException(int cause);

class CArchive {
 public:
  enum Mode { store = 0, load = 1 };

  // Storing into memory; GetStoredData gives what was stored.
  CArchive();
  // Loading from size bytes at data, which must outlive the archive.
  CArchive(const void* data, std::size_t size);
  // Over a file: storing creates or empties it, loading reads it whole.
  // A file that cannot be opened or read raises genericException.
  CArchive(const char* path, Mode mode);
  ~CArchive();

  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  bool IsLoading() const { return m_loading; }
  bool IsStoring() const { return !m_loading; }

  // Writes count bytes; failures of the file raise genericException.
  void Write(const void* data, std::size_t count);
  // Reads count bytes, or raises endOfFile when fewer remain (nothing read).
  void Read(void* data, std::size_t count);
  // Bytes left to load.
  std::size_t GetRemaining() const { return m_loadSize - m_position; }
  // Writes out what a file archive holds; failures raise genericException.
  void Flush();
  // Flushes and closes; the destructor closes without reporting.
  void Close();

  const std::vector<BYTE>& GetStoredData() const { return m_stored; }

  CArchive& operator<<(BYTE value);
  CArchive& operator<<(WORD value);
  CArchive& operator<<(DWORD value);
  CArchive& operator<<(int value);
  CArchive& operator>>(BYTE& value);
  CArchive& operator>>(WORD& value);
  CArchive& operator>>(DWORD& value);
  CArchive& operator>>(int& value);

  // Strings: the length prefix, then the 8-bit text without a NUL. Loading
  // also takes the wide form and converts it to the thread's ANSI code page.
  CArchive& operator<<(const CString& text);
  CArchive& operator>>(CString& text);

 private:
  void WriteLittleEndian(unsigned long long value, int bytes);
  unsigned long long ReadLittleEndian(int bytes);
  // Reads a length prefix; sets wide for the UTF-16 form.
  std::size_t ReadStringLength(bool* wide);

  bool m_loading;
  std::vector<BYTE> m_stored;           // storing into memory
  std::FILE* m_file = nullptr;          // storing into a file
  std::vector<BYTE> m_fileData;         // loading from a file
  const BYTE* m_loadData = nullptr;
  std::size_t m_loadSize = 0;
  std::size_t m_position = 0;
};
