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
