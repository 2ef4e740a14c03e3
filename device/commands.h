// The commands the system sends, each built as the neutral command every
// road carries (DriveCommand), and what one command came to with the bytes
// that came back (CommandAnswer). Sending them is the device list's
// (device/send.h); the decoders are pure functions over those bytes.
#pragma once

#include <cstddef>
#include <cstdint>
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
const BYTE kReadDiscInformationOperation = 0x51;
const BYTE kReadTocOperation = 0x43;
const BYTE kReadCapacityOperation = 0x25;
const BYTE kReadDiscStructureOperation = 0xAD;
const BYTE kReportKeyOperation = 0xA4;
const BYTE kRead10Operation = 0x28;
const BYTE kReadCdOperation = 0xBE;
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

// The commands about the disc in the drive, each with room for its whole
// answer: READ DISC INFORMATION (51h), standard disc information, with
// room for 27 OPC entries after its 34 bytes:
// 51 00 00 00 00 00 00 01 00 00.
const WORD kDiscInformationAnswerLength = 256;
DriveCommand DiscInformationCommand(BYTE* answer);
// READ TOC/PMA/ATIP (43h), addresses as LBA, from the first track, with the
// format in byte 2 and byte 9 zero: 43 00 FF 00 00 00 00 hi lo 00. A TOC
// (0000b) has room for 99 tracks and the lead-out; an ATIP (0100b) for
// its 28 bytes and the S4 values.
const BYTE kTocFormat = 0x00;
const BYTE kAtipFormat = 0x04;
const WORD kTocAnswerLength = 4 + 8 * 100;
const WORD kAtipAnswerLength = 32;
DriveCommand TocCommand(BYTE* answer, BYTE format, WORD allocation);
// READ CAPACITY(10) (25h): LBA 0, PMI clear; 8 bytes.
const WORD kCapacityAnswerLength = 8;
DriveCommand CapacityCommand(BYTE* answer);
// READ DISC STRUCTURE (ADh) of layer 0 at address 0:
// AD MEDIA 00 00 00 00 00 FORMAT hi lo 00 00. DVD (media type 0): 00h
// physical format, 0Eh DVD-R/-RW pre-recorded information, 11h DVD+R/+RW
// ADIP; BD (media type 1): 00h disc information.
const BYTE kDvdMedia = 0x00;
const BYTE kBdMedia = 0x01;
const BYTE kPhysicalFormat = 0x00;
const BYTE kPreRecordedFormat = 0x0E;
const BYTE kAdipFormat = 0x11;
const WORD kPhysicalAnswerLength = 4 + 2048;
const WORD kPreRecordedAnswerLength = 4 + 40;
const WORD kAdipAnswerLength = 4 + 256;
const WORD kBdDiscInformationAnswerLength = 4 + 4096;
DriveCommand DiscStructureCommand(BYTE* answer, BYTE mediaType, BYTE format, WORD allocation);
// REPORT KEY (A4h), key class 0, key format 08h (the RPC state), AGID 0:
// A4 00 00 00 00 00 00 00 00 08 08 00. It reads the drive's region
// setting and needs no authentication; nothing is ever sent back to the
// drive (SEND KEY), which would change the setting.
const BYTE kRpcStateFormat = 0x08;
const WORD kRpcStateAnswerLength = 8;
DriveCommand RpcStateCommand(BYTE* answer);
// READ(10) (28h) of one 2048-byte block at `lba`:
// 28 00 LBA 00 00 01 00.
const WORD kUserDataLength = 2048;
DriveCommand Read10Command(BYTE* answer, std::uint32_t lba);
// READ CD (BEh) of `blocks` blocks from `lba`: BE TYPE<<2 LBA 00 00 N FIELDS
// SUBCHANNEL 00, with the expected sector type (0 any, 1 CD-DA), the
// fields of byte 9 (F8h the whole 2352-byte sector; 02h/04h add the C2
// pointers, 294 or 296 bytes) and the sub-channel of byte 10 (01h raw P-W,
// 96 bytes; 02h formatted Q, 16). Its buffer is not zeroed but filled with
// kUnsentByte, so that bytes the drive did not send stand out where the
// transport does not tell how many came (ASPI).
const WORD kRawSectorLength = 2352;
const WORD kC2PointersLength = 294;
const WORD kC2BlockErrorLength = 296;
const WORD kFormattedQLength = 16;
const WORD kRawSubChannelLength = 96;
const BYTE kUnsentByte = 0xA5;
const BYTE kAnySector = 0x00;
const BYTE kCdDaSector = 0x01;
// The bytes one block of a READ CD CDB makes: the main channel's fields
// as a Mode 1 sector has them (a CD-DA sector is all user data), then C2
// and sub-channel; 0 for reserved codes.
std::size_t ReadCdBlockLength(const std::vector<BYTE>& cdb);
DriveCommand ReadCdCommand(BYTE* answer, BYTE sectorType, std::uint32_t lba, BYTE blocks, BYTE fields,
                           BYTE subChannel);
// The bytes a CDB of these commands lets the drive send: INQUIRY's bytes
// 3-4, bytes 7-8 of MODE SENSE(10), GET CONFIGURATION, READ DISC
// INFORMATION and READ TOC/PMA/ATIP, READ DISC STRUCTURE's and REPORT KEY's bytes 8-9, READ
// CAPACITY's 8, GET PERFORMANCE's header and its descriptors of bytes 8-9,
// READ(10)'s blocks of 2048 bytes and READ CD's blocks by their fields;
// 0 for any other CDB or one cut short.
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
