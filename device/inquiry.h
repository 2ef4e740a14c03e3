// The reading of a drive's INQUIRY answer.
#pragma once

#include "device/commands.h"
#include "framework/cstring.h"

// A blank-filled identification field as text: up to the first zero byte,
// trailing blanks removed, anything else kept.
CString InquiryText(const BYTE* field, int width);

// The names a drive's INQUIRY answer gives it, as the window shows them:
// vendor and product identification without trailing blanks, or GENERIC
// and CD-ROM<index> when it did not answer or named no vendor.
void NameFromInquiry(const CommandAnswer& inquiry, int index, CString* vendor, CString* product);
