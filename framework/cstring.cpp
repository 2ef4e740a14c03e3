#include "framework/cstring.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/text.h"

CString::CString(const char* text, int length) {
  if (text != nullptr && length > 0) m_text.assign(text, static_cast<std::size_t>(length));
}

CString::CString(char ch, int repeat) {
  if (repeat > 0) m_text.assign(static_cast<std::size_t>(repeat), ch);
}

char CString::GetAt(int index) const {
  return (index >= 0 && index < GetLength()) ? m_text[static_cast<std::size_t>(index)] : '\0';
}

CString& CString::operator=(const char* text) {
  if (text == nullptr) {
    m_text.clear();
  } else {
    std::string copy(text);  // text may point into this string
    m_text.swap(copy);
  }
  return *this;
}

CString& CString::operator+=(const CString& other) {
  m_text += other.m_text;
  return *this;
}

CString& CString::operator+=(const char* text) {
  if (text != nullptr) m_text += std::string(text);
  return *this;
}

CString& CString::operator+=(char ch) {
  m_text += ch;
  return *this;
}

CString operator+(const CString& a, const CString& b) {
  CString r(a);
  r += b;
  return r;
}

CString operator+(const CString& a, const char* b) {
  CString r(a);
  r += b;
  return r;
}

CString operator+(const char* a, const CString& b) {
  CString r(a);
  r += b;
  return r;
}

void CString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (needed < 0) {
    va_end(args);
    m_text.clear();
    return;
  }
  std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
  std::vsnprintf(buffer.data(), buffer.size(), format, args);
  va_end(args);
  m_text.assign(buffer.data(), static_cast<std::size_t>(needed));
}

int CString::NextChar(int i) const {
  if (i + 1 < GetLength() && IsLeadByte(static_cast<BYTE>(m_text[static_cast<std::size_t>(i)])))
    return i + 2;
  return i + 1;
}

CString& CString::TrimRight(char ch) {
  // Walk forward so that only whole characters are compared; remember where
  // the last run of ch began.
  int runStart = -1;
  for (int i = 0; i < GetLength(); i = NextChar(i)) {
    int next = NextChar(i);
    bool single = next == i + 1;
    if (single && m_text[static_cast<std::size_t>(i)] == ch) {
      if (runStart < 0) runStart = i;
    } else {
      runStart = -1;
    }
  }
  if (runStart >= 0) m_text.resize(static_cast<std::size_t>(runStart));
  return *this;
}

CString& CString::TrimRight() {
  int runStart = -1;
  for (int i = 0; i < GetLength(); i = NextChar(i)) {
    char c = m_text[static_cast<std::size_t>(i)];
    bool space = NextChar(i) == i + 1 && (c == ' ' || (c >= '\t' && c <= '\r'));
    if (space) {
      if (runStart < 0) runStart = i;
    } else {
      runStart = -1;
    }
  }
  if (runStart >= 0) m_text.resize(static_cast<std::size_t>(runStart));
  return *this;
}

CString& CString::MakeLower() {
  if (!m_text.empty()) LowerText(&m_text[0], m_text.size());
  return *this;
}

int CString::Find(const char* sub, int start) const {
  if (sub == nullptr || start < 0 || start > GetLength()) return -1;
  std::size_t subLength = std::strlen(sub);
  for (int i = start; i < GetLength(); i = NextChar(i)) {
    if (m_text.compare(static_cast<std::size_t>(i), subLength, sub) == 0 &&
        static_cast<std::size_t>(i) + subLength <= m_text.size())
      return i;
  }
  return subLength == 0 && start == GetLength() ? start : -1;
}

int CString::Find(char ch, int start) const {
  char sub[2] = {ch, '\0'};
  return Find(sub, start);
}

int CString::ReverseFind(char ch) const {
  std::size_t pos = m_text.rfind(ch);
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

CString CString::Left(int count) const {
  if (count <= 0) return CString();
  if (count >= GetLength()) return *this;
  return CString(m_text.c_str(), count);
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
  if (first < 0) first = 0;
  if (first >= GetLength() || count <= 0) return CString();
  if (count > GetLength() - first) count = GetLength() - first;
  return CString(m_text.c_str() + first, count);
}

CString CString::Right(int count) const {
  if (count <= 0) return CString();
  if (count >= GetLength()) return *this;
  return CString(m_text.c_str() + GetLength() - count, count);
}

int CString::Delete(int index, int count) {
  if (index >= 0 && index < GetLength() && count > 0) m_text.erase(static_cast<std::size_t>(index), static_cast<std::size_t>(count));
  return GetLength();
}

int CString::Insert(int index, const char* text) {
  if (text == nullptr) return GetLength();
  if (index < 0) index = 0;
  if (index > GetLength()) index = GetLength();
  m_text.insert(static_cast<std::size_t>(index), std::string(text));
  return GetLength();
}

char* CString::GetBuffer(int minLength) {
  if (minLength > GetLength()) m_text.resize(static_cast<std::size_t>(minLength));
  return &m_text[0];
}

void CString::ReleaseBuffer(int newLength) {
  if (newLength < 0) newLength = static_cast<int>(std::strlen(m_text.c_str()));
  if (newLength < GetLength()) m_text.resize(static_cast<std::size_t>(newLength));
}
