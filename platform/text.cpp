#include "platform/text.h"

#include "platform/windows_api.h"

bool IsLeadByte(unsigned char ch) { return HaveWindowsApi() && Win().IsDBCSLeadByte(ch) != FALSE; }

void LowerText(char* text, std::size_t length) {
  if (text == nullptr || length == 0) return;
  if (HaveWindowsApi()) {
    Win().CharLowerBuffA(text, static_cast<DWORD>(length));
    return;
  }
  for (std::size_t i = 0; i < length; ++i)
    if (text[i] >= 'A' && text[i] <= 'Z') text[i] = static_cast<char>(text[i] - 'A' + 'a');
}

long DecodeUtf8(const char* text, std::size_t length, std::size_t* used) {
  *used = 1;
  const unsigned char lead = static_cast<unsigned char>(text[0]);
  if (lead < 0x80) return lead;
  // Each lead byte's count of continuation bytes and the least code point
  // it may encode (anything less is an overlong form).
  std::size_t more;
  unsigned long least, point;
  if (lead >= 0xC2 && lead <= 0xDF) {
    more = 1, least = 0x80, point = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    more = 2, least = 0x800, point = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    more = 3, least = 0x10000, point = lead & 0x07u;
  } else {
    return -1;
  }
  if (length < more + 1) return -1;
  for (std::size_t i = 1; i <= more; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) != 0x80) return -1;
    point = (point << 6) | (c & 0x3Fu);
  }
  if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return -1;
  *used = more + 1;
  return static_cast<long>(point);
}

void AppendUtf8(std::string& out, unsigned long codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (codePoint >> 18));
    out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

namespace {
// Every code page of the system keeps ASCII as it is: such text needs no call.
bool IsAscii(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i)
    if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
  return true;
}
}  // namespace

std::string SystemTextToUtf8(const std::string& text) {
  if (IsAscii(text)) return text;
  if (!HaveWindowsApi() || text.empty()) return text;
  const int length = static_cast<int>(text.size());
  const int units = Win().MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (units <= 0) return text;
  std::basic_string<WCHAR> wide(static_cast<std::size_t>(units), WCHAR());
  if (Win().MultiByteToWideChar(CP_ACP, 0, text.data(), length, &wide[0], units) != units) return text;
  std::string out;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    unsigned long unit = static_cast<unsigned long>(wide[i]);
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    if (high && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
      unit = 0x10000 + ((unit - 0xD800) << 10) + (static_cast<unsigned long>(wide[++i]) - 0xDC00);
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      unit = kReplacementCharacter;
    }
    AppendUtf8(out, unit);
  }
  return out;
}

std::string Utf8ToSystemText(const std::string& text) {
  if (IsAscii(text)) return text;
  if (!HaveWindowsApi() || text.empty()) return text;
  std::basic_string<WCHAR> wide;
  for (std::size_t at = 0, used = 0; at < text.size(); at += used) {
    long point = DecodeUtf8(text.data() + at, text.size() - at, &used);
    if (point < 0) point = static_cast<long>(kReplacementCharacter);
    if (point >= 0x10000) {
      wide += static_cast<WCHAR>(0xD800 + ((point - 0x10000) >> 10));
      wide += static_cast<WCHAR>(0xDC00 + ((point - 0x10000) & 0x3FF));
    } else {
      wide += static_cast<WCHAR>(point);
    }
  }
  const int units = static_cast<int>(wide.size());
  const int bytes = Win().WideCharToMultiByte(CP_ACP, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return text;
  std::string out(static_cast<std::size_t>(bytes), '\0');
  if (Win().WideCharToMultiByte(CP_ACP, 0, wide.data(), units, &out[0], bytes, nullptr, nullptr) != bytes) return text;
  return out;
}
