// Naming each drive from its standard INQUIRY answer, as discovery finds it.
#include <cstring>

#include "device/device_list.h"
#include "device/inquiry.h"

void BuildInquiryRequest(ScsiRequest* request, BYTE* answer) {
  std::memset(answer, 0, kInquiryAnswerLength);
  InitScsiRequest(request, 6, 32, SCSI_IOCTL_DATA_IN, answer, kInquiryAnswerLength);
  const BYTE cdb[6] = {0x12, 0x00, 0x00, 0x00, static_cast<BYTE>(kInquiryAnswerLength), 0x00};
  std::memcpy(request->Header.Cdb, cdb, sizeof(cdb));
}

CString InquiryText(const BYTE* field, int width) {
  int length = 0;
  while (length < width && field[length] != 0) ++length;
  CString text(reinterpret_cast<const char*>(field), length);
  text.TrimRight(' ');
  return text;
}

CommandOutcome DeviceList::IdentifyDevice(int index, CdDevice* device) {
  BYTE answer[kInquiryAnswerLength];
  ScsiRequest request;
  BuildInquiryRequest(&request, answer);

  CommandOutcome outcome = ExecuteRequest(index, &request);
  if (outcome.Good()) {
    device->m_strVendor = InquiryText(answer + 8, 8);
    device->m_strProduct = InquiryText(answer + 16, 16);
  }
  if (device->m_strVendor.IsEmpty()) {
    device->m_strVendor = "GENERIC";
    device->m_strProduct.Format("CD-ROM%d", index);
  }
  return outcome;
}
