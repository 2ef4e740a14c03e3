// The INQUIRY request that names a drive, and the reading of its answer.
#pragma once

#include "device/scsi_request.h"
#include "framework/cstring.h"

const ULONG kInquiryAnswerLength = 96;

// Zeroes the answer buffer (kInquiryAnswerLength bytes) and builds the request.
void BuildInquiryRequest(ScsiRequest* request, BYTE* answer);
// A blank-filled identification field as text: up to the first zero byte,
// trailing blanks removed, anything else kept.
CString InquiryText(const BYTE* field, int width);
