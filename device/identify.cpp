// Naming each drive from its standard INQUIRY answer, as discovery finds it.
#include <cstring>

#include "device/device_list.h"
#include "device/inquiry.h"

CString InquiryText(const BYTE* field, int width) {
  int length = 0;
  while (length < width && field[length] != 0) ++length;
  CString text(reinterpret_cast<const char*>(field), length);
  text.TrimRight(' ');
  return text;
}

void NameFromInquiry(const CommandAnswer& inquiry, int index, CString* vendor, CString* product) {
  if (inquiry.Good()) {
    // Bytes that did not come read as the zeroes of the answer buffer.
    BYTE bytes[kInquiryAnswerLength] = {0};
    if (!inquiry.data.empty())
      std::memcpy(bytes, &inquiry.data[0], inquiry.data.size() < sizeof(bytes) ? inquiry.data.size() : sizeof(bytes));
    *vendor = InquiryText(&bytes[8], 8);
    *product = InquiryText(&bytes[16], 16);
  }
  if (vendor->IsEmpty()) {
    *vendor = "GENERIC";
    product->Format("CD-ROM%d", index);
  }
}

CommandOutcome DeviceList::IdentifyDevice(int index, CdDevice* device) {
  BYTE buffer[kInquiryAnswerLength];
  const DriveCommand command = InquiryCommand(buffer);
  device->m_inquiry = AnswerOf(command, Execute(index, command));
  NameFromInquiry(device->m_inquiry, index, &device->m_strVendor, &device->m_strProduct);
  return device->m_inquiry.outcome;
}
