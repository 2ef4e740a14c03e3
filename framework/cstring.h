// CString: 8-bit text in the ANSI code page. Searching and trimming step
// through the text character by character, so the trail byte of a
// double-byte character is never taken for a single-byte one.
#pragma once

#include <string>

#include "platform/wintypes.h"

class CString {
 public:
  CString() {}
  CString(const char* text) : m_text(text != nullptr ? text : "") {}  // NOLINT: implicit, as the framework's
  CString(const char* text, int length);
  CString(char ch, int repeat);

  int GetLength() const { return static_cast<int>(m_text.size()); }
  bool IsEmpty() const { return m_text.empty(); }
  void Empty() { m_text.clear(); }
  const char* GetString() const { return m_text.c_str(); }
  operator const char*() const { return m_text.c_str(); }  // NOLINT: the framework's LPCTSTR conversion
  char GetAt(int index) const;

  CString& operator=(const char* text);
  CString& operator+=(const CString& other);
  CString& operator+=(const char* text);
  CString& operator+=(char ch);
  friend CString operator+(const CString& a, const CString& b);
  friend CString operator+(const CString& a, const char* b);
  friend CString operator+(const char* a, const CString& b);
  friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
  friend bool operator==(const CString& a, const char* b) { return a.m_text == (b != nullptr ? b : ""); }
  friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
  friend bool operator!=(const CString& a, const char* b) { return !(a == b); }

  // printf-style formatting into this string.
  void Format(const char* format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 2, 3)))
#endif
      ;

  // Removes the trailing run of ch (whole characters only).
  CString& TrimRight(char ch);
  // Removes trailing white space.
  CString& TrimRight();
  // Lower-cases in place, in the ANSI code page.
  CString& MakeLower();

  // First occurrence of sub at or after start (a character boundary); -1 if none.
  int Find(const char* sub, int start = 0) const;
  // First occurrence of ch; -1 if none.
  int Find(char ch, int start = 0) const;
  // Last occurrence of the byte ch; -1 if none.
  int ReverseFind(char ch) const;

  CString Left(int count) const;
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Right(int count) const;
  // Deletes count bytes at index; returns the new length.
  int Delete(int index, int count = 1);
  // Inserts text at index (clamped to the length); returns the new length.
  int Insert(int index, const char* text);

  // Raw storage for the platform's fill-in calls.
  char* GetBuffer(int minLength);
  void ReleaseBuffer(int newLength = -1);

 private:
  // Offset of the character that follows the one at offset i.
  int NextChar(int i) const;

  std::string m_text;
};
