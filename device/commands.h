// The commands the system sends, each built as the neutral command every
// road carries (DriveCommand), and what one command came to with the bytes
// that came back (CommandAnswer). Sending them is the device list's
// (device/send.h); the decoders are pure functions over those bytes.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/scsi_command.h"
#include "platform/wintypes.h"

const ULONG kInquiryAnswerLength = 96;
const ULONG kModeSenseAnswerLength = 256;
const UCHAR kCapabilitiesPageCode = 0x2A;
// The operation codes of the commands sent.
const BYTE kInquiryOperation = 0x12;
const BYTE kModeSense10Operation = 0x5A;
const BYTE kGetConfigurationOperation = 0x46;
const BYTE kGetPerformanceOperation = 0xAC;
// Every command may take this long before the system ends it.
const unsigned kCommandTimeOutSeconds = 15;

// Each builder zeroes the answer buffer it is given (of the size it names)
// and returns the command that fills it.
// INQUIRY, standard data: 12 00 00 00 60 00; 96 bytes, room for 32 sense bytes.
DriveCommand InquiryCommand(BYTE* answer);
// MODE SENSE(10) of the capabilities page 2Ah, current values, block
// descriptors off, allocation 256: 5A 08 2A 00 00 00 00 01 00 00; room for
// 14 sense bytes.
DriveCommand ModeSenseCommand(BYTE* answer);
// GET CONFIGURATION (46h) with the request type (RT: 0 every feature from
// the starting one, 1 the current ones, 2 the starting one alone);
// `allocation` bytes.
DriveCommand ConfigurationCommand(BYTE* answer, BYTE requestType, WORD startingFeature, WORD allocation);
// GET PERFORMANCE answers: a header, then descriptors of one length (of
// each type the report asks for, 00h and 03h); the bytes of a header and
// `descriptors` descriptors.
const std::size_t kPerformanceHeaderLength = 8;
const std::size_t kPerformanceDescriptorLength = 16;
std::size_t PerformanceLength(std::size_t descriptors);
// GET PERFORMANCE (ACh) from LBA 0 for at most `descriptors` descriptors:
// the data type byte and the type (03h write speeds, 00h performance).
DriveCommand PerformanceCommand(BYTE* answer, BYTE dataType, BYTE type, WORD descriptors);

// The bytes a CDB of these commands lets the drive send: INQUIRY's bytes
// 3-4, MODE SENSE(10)'s and GET CONFIGURATION's bytes 7-8, GET
// PERFORMANCE's header and its descriptors of bytes 8-9; 0 for any other
// CDB or one cut short.
std::size_t AllocationLength(const std::vector<BYTE>& cdb);

// What one command came to: its CDB, its outcome and, when the drive
// answered GOOD, the bytes that came: as many as the transport says moved,
// else (ASPI) the whole answer buffer. A command never sent has sent false.
struct CommandAnswer {
  bool sent = false;
  std::vector<BYTE> cdb;
  CommandOutcome outcome;
  std::vector<BYTE> data;
  bool Good() const { return outcome.Good(); }
};

// The answer of a command that was sent, from its outcome.
CommandAnswer AnswerOf(const DriveCommand& command, const CommandOutcome& outcome);
