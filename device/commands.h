// One way to send a command: each builder fills a request for its answer
// buffer, SendRequest carries it through the list's transport, and the
// caller gets what became of it with the bytes that came back. The
// decoders are pure functions over those bytes.
#pragma once

#include <vector>

#include "device/device_list.h"

const ULONG kInquiryAnswerLength = 96;
const ULONG kModeSenseAnswerLength = 256;
const UCHAR kCapabilitiesPageCode = 0x2A;

// INQUIRY, standard data: 12 00 00 00 60 00. Zeroes the answer buffer
// (kInquiryAnswerLength bytes) and builds the request.
void BuildInquiryRequest(ScsiRequest* request, BYTE* answer);
// MODE SENSE(10) of the capabilities page 2Ah, current values, block
// descriptors off, allocation 256: 5A 08 2A 00 00 00 00 01 00 00. Zeroes
// the answer buffer (kModeSenseAnswerLength bytes) and builds the request.
void BuildModeSenseRequest(ScsiRequest* request, BYTE* answer);
// GET CONFIGURATION (46h) with the request type (RT: 0 every feature from
// the starting one, 1 the current ones, 2 the starting one alone). Zeroes
// the answer buffer (`allocation` bytes) and builds the request.
void BuildConfigurationRequest(ScsiRequest* request, BYTE* answer, BYTE requestType, WORD startingFeature,
                               WORD allocation);

// GET PERFORMANCE (ACh) from LBA 0 for at most `descriptors` descriptors
// of 16 bytes: the data type byte and the type (03h write speeds, 00h
// performance). Zeroes the answer buffer (8 + 16 x descriptors bytes) and
// builds the request.
void BuildPerformanceRequest(ScsiRequest* request, BYTE* answer, BYTE dataType, BYTE type, WORD descriptors);

// Carries a built request to drive `index`; the answer buffer is the
// request's own. An index not below the count is not carried; a negative
// one raises.
CommandAnswer SendRequest(DeviceList& devices, int index, ScsiRequest* request);

CommandAnswer Inquiry(DeviceList& devices, int index);
CommandAnswer ModeSenseCapabilities(DeviceList& devices, int index);
CommandAnswer GetConfiguration(DeviceList& devices, int index, BYTE requestType, WORD startingFeature,
                               WORD allocation);
CommandAnswer GetPerformance(DeviceList& devices, int index, BYTE dataType, BYTE type, WORD descriptors);

// The names a drive's INQUIRY answer gives it, as the window shows them:
// vendor and product identification without trailing blanks, or GENERIC
// and CD-ROM<index> when it did not answer or named no vendor.
void NameFromInquiry(const CommandAnswer& inquiry, int index, CString* vendor, CString* product);
