#include "device/scsi_request.h"

#include <cstring>

void BuildModeSenseRequest(ScsiRequest* request, BYTE* answer) {
  FillPassThroughRecord(request, ModeSenseCommand(answer));
}

DriveCommand CommandOfRequest(const ScsiRequest& request) {
  DriveCommand command;
  std::memcpy(command.cdb, request.Header.Cdb, sizeof(command.cdb));
  command.cdbLength = request.Header.CdbLength;
  command.direction = request.Header.DataIn == SCSI_IOCTL_DATA_IN    ? DriveCommand::kFromDrive
                      : request.Header.DataIn == SCSI_IOCTL_DATA_OUT ? DriveCommand::kToDrive
                                                                     : DriveCommand::kUnspecified;
  command.buffer = request.Header.DataBuffer;
  command.length = request.Header.DataTransferLength;
  command.timeoutSeconds = request.Header.TimeOutValue;
  command.senseRoom = request.Header.SenseInfoLength;
  return command;
}

void ReturnIntoRequest(const CommandOutcome& outcome, ScsiRequest* request) {
  if (outcome.failure != CommandOutcome::kCarried) return;
  request->Header.ScsiStatus = outcome.status;
  std::memcpy(request->SenseBuffer, outcome.sense, outcome.senseLength);
  if (outcome.transferred != kTransferUnknown) request->Header.DataTransferLength = static_cast<ULONG>(outcome.transferred);
}
