// The transport of every system but the Windows 95/98 family: the system's
// drive port (platform/drive_port.h), which lists the drives, opens each
// and carries every command.
#include "device/device_list.h"

void DeviceList::ScanDrivePort() {
  const std::vector<std::string> paths = Drives().ListDrives();
  for (std::size_t i = 0; i < paths.size(); ++i) {
    OpenedDrive opened = Drives().Open(paths[i]);
    if (opened.handle != kNoDrive) {
      CdDevice* device = nullptr;
      try {
        device = new CdDevice;
        device->m_strPath = paths[i].c_str();
      } catch (...) {
        delete device;
        Drives().Close(opened.handle);
        throw;
      }
      device->m_hDevice = opened.handle;
      AddDevice(device);
    } else if (opened.accessDenied) {
      Report(m_scanProblems, DeviceProblem::kAccessDenied,
             "Unable to access CD/DVD device.  Please make sure you have Administrator privileges.", opened.advice);
      break;
    }
    // Any other failure passes over that drive: it takes no index.
  }
}

CommandOutcome DeviceList::ExecuteOnPort(const CdDevice& device, const ScsiRequest& request) {
  DriveCommand command;
  command.cdb = request.Header.Cdb;
  command.cdbLength = request.Header.CdbLength;
  command.direction = request.Header.DataIn == SCSI_IOCTL_DATA_IN    ? DriveCommand::kFromDrive
                      : request.Header.DataIn == SCSI_IOCTL_DATA_OUT ? DriveCommand::kToDrive
                                                                     : DriveCommand::kUnspecified;
  command.buffer = request.Header.DataBuffer;
  command.length = request.Header.DataTransferLength;
  command.timeoutSeconds = request.Header.TimeOutValue;
  command.senseRoom = request.Header.SenseInfoLength;
  return Drives().Execute(device.m_hDevice, command);
}

void DeviceList::CloseOnPort(CdDevice& device) {
  if (device.m_hDevice == INVALID_HANDLE_VALUE) return;
  Drives().Close(device.m_hDevice);
  device.m_hDevice = INVALID_HANDLE_VALUE;
}
