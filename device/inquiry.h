// The reading of a drive's INQUIRY answer.
#pragma once

#include "framework/cstring.h"

// A blank-filled identification field as text: up to the first zero byte,
// trailing blanks removed, anything else kept.
CString InquiryText(const BYTE* field, int width);
