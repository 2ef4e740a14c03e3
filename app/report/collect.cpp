#include "app/report/collect.h"

DriveReport CollectDrive(DeviceList& devices, int index, bool detail) {
  DriveReport drive;
  drive.index = index;
  CString vendor, product;
  devices.GetDeviceNames(index, vendor, product);
  drive.vendor = vendor.GetString();
  drive.product = product.GetString();
  drive.modeSense = ModeSenseCapabilities(devices, index);
  drive.capabilities = InterpretCapabilities(drive.modeSense);
  drive.detailed = detail && drive.capabilities.Answered();
  if (drive.detailed) {
    const std::vector<BYTE>& answer = drive.modeSense.data;
    drive.mechanism = DecodeMechanism(answer.empty() ? nullptr : &answer[0], answer.size());
    drive.profiles = QueryProfiles(devices, index);
  }
  return drive;
}

std::vector<DriveReport> CollectReport(DeviceList& devices, bool detail) {
  std::vector<DriveReport> drives;
  for (int i = 0; i < devices.GetCount(); ++i) drives.push_back(CollectDrive(devices, i, detail));
  return drives;
}
