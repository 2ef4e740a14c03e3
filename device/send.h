// One way to send a command: a builder of commands.h makes it for its
// answer buffer, SendRequest carries it through the list's transport, and
// the caller gets what became of it with the bytes that came back.
#pragma once

#include "device/commands.h"
#include "device/device_list.h"

// Carries a built command to drive `index`. An index not below the count
// is not carried; a negative one raises.
CommandAnswer SendRequest(DeviceList& devices, int index, const DriveCommand& command);

CommandAnswer ModeSenseCapabilities(DeviceList& devices, int index);
CommandAnswer GetConfiguration(DeviceList& devices, int index, BYTE requestType, WORD startingFeature,
                               WORD allocation);
CommandAnswer GetPerformance(DeviceList& devices, int index, BYTE dataType, BYTE type, WORD descriptors);
CommandAnswer ReadDiscInformation(DeviceList& devices, int index);
CommandAnswer ReadToc(DeviceList& devices, int index, BYTE format, WORD allocation);
CommandAnswer ReadCapacity(DeviceList& devices, int index);
CommandAnswer ReadDiscStructure(DeviceList& devices, int index, BYTE mediaType, BYTE format, WORD allocation);
CommandAnswer ReportRpcState(DeviceList& devices, int index);
// The probe's reads: READ(10) of one block, READ CD of at most two (the
// buffer sized by the CDB).
CommandAnswer ReadUserData(DeviceList& devices, int index, std::uint32_t lba);
CommandAnswer ReadCd(DeviceList& devices, int index, BYTE sectorType, std::uint32_t lba, BYTE blocks, BYTE fields,
                     BYTE subChannel);
