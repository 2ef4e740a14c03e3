#include "framework/archive.h"

#include <climits>
#include <cstring>
#include <new>

#include "platform/windows_api.h"

IMPLEMENT_DYNAMIC(CArchiveException, CException)

void AfxThrowArchiveException(int cause) { throw CArchiveException(cause); }

CArchive::CArchive() : m_loading(false) {}

CArchive::CArchive(const void* data, std::size_t size)
    : m_loading(true), m_loadData(static_cast<const BYTE*>(data)), m_loadSize(data != nullptr ? size : 0) {}

CArchive::CArchive(const char* path, Mode mode) : m_loading(mode == load) {
  // C streams rather than the C++ ones: they keep the program small.
  std::FILE* file = path != nullptr ? std::fopen(path, m_loading ? "rb" : "wb") : nullptr;
  if (file == nullptr) AfxThrowArchiveException(CArchiveException::genericException);
  if (!m_loading) {
    m_file = file;
    return;
  }
  // Read in pieces, so that memory grows only with data that are there.
  const std::size_t kPiece = 64 * 1024;
  for (;;) {
    std::size_t have = m_fileData.size();
    try {
      m_fileData.resize(have + kPiece);
    } catch (const std::bad_alloc&) {
      std::fclose(file);
      AfxThrowMemoryException();
    }
    std::size_t got = std::fread(m_fileData.data() + have, 1, kPiece, file);
    m_fileData.resize(have + got);
    if (got < kPiece) break;
  }
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) AfxThrowArchiveException(CArchiveException::genericException);
  m_loadData = m_fileData.data();
  m_loadSize = m_fileData.size();
}

CArchive::~CArchive() {
  if (m_file != nullptr) std::fclose(m_file);
}

void CArchive::Write(const void* data, std::size_t count) {
  if (m_loading) AfxThrowArchiveException(CArchiveException::readOnly);
  if (count == 0) return;
  const BYTE* bytes = static_cast<const BYTE*>(data);
  if (m_file != nullptr) {
    if (std::fwrite(bytes, 1, count, m_file) != count) AfxThrowArchiveException(CArchiveException::genericException);
    return;
  }
  try {
    m_stored.insert(m_stored.end(), bytes, bytes + count);
  } catch (const std::bad_alloc&) {
    AfxThrowMemoryException();
  }
}

void CArchive::Read(void* data, std::size_t count) {
  if (!m_loading) AfxThrowArchiveException(CArchiveException::writeOnly);
  if (count > GetRemaining()) AfxThrowArchiveException(CArchiveException::endOfFile);
  if (count == 0) return;
  std::memcpy(data, m_loadData + m_position, count);
  m_position += count;
}

void CArchive::Flush() {
  if (m_file != nullptr && std::fflush(m_file) != 0) AfxThrowArchiveException(CArchiveException::genericException);
}

void CArchive::Close() {
  if (m_file == nullptr) return;
  Flush();
  std::FILE* file = m_file;
  m_file = nullptr;
  if (std::fclose(file) != 0) AfxThrowArchiveException(CArchiveException::genericException);
}

void CArchive::WriteLittleEndian(unsigned long long value, int bytes) {
  BYTE buffer[8];
  for (int i = 0; i < bytes; ++i) buffer[i] = static_cast<BYTE>(value >> (8 * i));
  Write(buffer, static_cast<std::size_t>(bytes));
}

unsigned long long CArchive::ReadLittleEndian(int bytes) {
  BYTE buffer[8];
  Read(buffer, static_cast<std::size_t>(bytes));
  unsigned long long value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | buffer[i];
  return value;
}

CArchive& CArchive::operator<<(BYTE value) {
  WriteLittleEndian(value, 1);
  return *this;
}

CArchive& CArchive::operator<<(WORD value) {
  WriteLittleEndian(value, 2);
  return *this;
}

CArchive& CArchive::operator<<(DWORD value) {
  WriteLittleEndian(value, 4);
  return *this;
}

CArchive& CArchive::operator<<(int value) {
  WriteLittleEndian(static_cast<DWORD>(value), 4);
  return *this;
}

CArchive& CArchive::operator>>(BYTE& value) {
  value = static_cast<BYTE>(ReadLittleEndian(1));
  return *this;
}

CArchive& CArchive::operator>>(WORD& value) {
  value = static_cast<WORD>(ReadLittleEndian(2));
  return *this;
}

CArchive& CArchive::operator>>(DWORD& value) {
  value = static_cast<DWORD>(ReadLittleEndian(4));
  return *this;
}

CArchive& CArchive::operator>>(int& value) {
  value = static_cast<int>(static_cast<DWORD>(ReadLittleEndian(4)));
  return *this;
}

CArchive& CArchive::operator<<(const CString& text) {
  unsigned long long n = static_cast<unsigned long long>(text.GetLength());
  if (n < 0xFF) {
    WriteLittleEndian(n, 1);
  } else if (n < 0xFFFE) {
    WriteLittleEndian(0xFF, 1);
    WriteLittleEndian(n, 2);
  } else if (n < 0xFFFFFFFFull) {
    WriteLittleEndian(0xFFFFFF, 3);
    WriteLittleEndian(n, 4);
  } else {
    WriteLittleEndian(0xFFFFFFFFFFFFFFull, 7);
    WriteLittleEndian(n, 8);
  }
  Write(text.GetString(), static_cast<std::size_t>(n));
  return *this;
}

std::size_t CArchive::ReadStringLength(bool* wide) {
  *wide = false;
  unsigned long long n = ReadLittleEndian(1);
  if (n < 0xFF) return static_cast<std::size_t>(n);
  n = ReadLittleEndian(2);
  if (n == 0xFFFE) {  // the wide form; its own prefix follows
    *wide = true;
    n = ReadLittleEndian(1);
    if (n < 0xFF) return static_cast<std::size_t>(n);
    n = ReadLittleEndian(2);
  }
  if (n < 0xFFFF) return static_cast<std::size_t>(n);
  n = ReadLittleEndian(4);
  if (n == 0xFFFFFFFFull) n = ReadLittleEndian(8);
  // No string is longer than an int can count, whatever the prefix says.
  if (n > static_cast<unsigned long long>(INT_MAX)) AfxThrowArchiveException(CArchiveException::genericException);
  return static_cast<std::size_t>(n);
}

CArchive& CArchive::operator>>(CString& text) {
  bool wide = false;
  std::size_t n = ReadStringLength(&wide);
  // Check against what is left before allocating anything for the text.
  if (n > GetRemaining() || (wide && n > GetRemaining() / 2))
    AfxThrowArchiveException(CArchiveException::endOfFile);
  const BYTE* bytes = m_loadData + m_position;
  try {
    if (!wide) {
      text = CString(reinterpret_cast<const char*>(bytes), static_cast<int>(n));
      m_position += n;
      return *this;
    }
    std::vector<WCHAR> units(n);
    for (std::size_t i = 0; i < n; ++i) units[i] = static_cast<WCHAR>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    m_position += 2 * n;
    CString converted;
    if (n != 0) {
      int length = static_cast<int>(n);
      UINT codePage = CP_THREAD_ACP;
      int needed = Win().WideCharToMultiByte(codePage, 0, units.data(), length, nullptr, 0, nullptr, nullptr);
      if (needed <= 0) {  // systems that know no thread code page
        codePage = CP_ACP;
        needed = Win().WideCharToMultiByte(codePage, 0, units.data(), length, nullptr, 0, nullptr, nullptr);
      }
      if (needed <= 0) AfxThrowArchiveException(CArchiveException::genericException);
      char* out = converted.GetBuffer(needed);
      int done = Win().WideCharToMultiByte(codePage, 0, units.data(), length, out, needed, nullptr, nullptr);
      converted.ReleaseBuffer(done > 0 ? done : 0);
    }
    text = converted;
  } catch (const std::bad_alloc&) {
    AfxThrowMemoryException();
  }
  return *this;
}
