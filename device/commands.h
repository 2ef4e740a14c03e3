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

// What one command came to: its outcome and, when the drive answered GOOD,
// the bytes that came: as many as the transport says moved, else (ASPI)
// the whole answer buffer.
struct CommandAnswer {
  CommandOutcome outcome;
  std::vector<BYTE> data;
  bool Good() const { return outcome.Good(); }
};

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

// Carries a built request to drive `index`; the answer buffer is the
// request's own. An index not below the count is not carried; a negative
// one raises.
CommandAnswer SendRequest(DeviceList& devices, int index, ScsiRequest* request);

CommandAnswer Inquiry(DeviceList& devices, int index);
CommandAnswer ModeSenseCapabilities(DeviceList& devices, int index);
CommandAnswer GetConfiguration(DeviceList& devices, int index, BYTE requestType, WORD startingFeature,
                               WORD allocation);
