// Naming each drive from its standard INQUIRY answer, as discovery finds it.
#include <cstring>

#include "device/commands.h"
#include "device/inquiry.h"

CString InquiryText(const BYTE* field, int width) {
  int length = 0;
  while (length < width && field[length] != 0) ++length;
  CString text(reinterpret_cast<const char*>(field), length);
  text.TrimRight(' ');
  return text;
}

CommandOutcome DeviceList::IdentifyDevice(int index, CdDevice* device) {
  CommandAnswer answer = Inquiry(*this, index);
  if (answer.Good()) {
    // Bytes that did not come read as the zeroes of the answer buffer.
    BYTE bytes[kInquiryAnswerLength] = {0};
    if (!answer.data.empty())
      std::memcpy(bytes, &answer.data[0], answer.data.size() < sizeof(bytes) ? answer.data.size() : sizeof(bytes));
    device->m_strVendor = InquiryText(&bytes[8], 8);
    device->m_strProduct = InquiryText(&bytes[16], 16);
  }
  if (device->m_strVendor.IsEmpty()) {
    device->m_strVendor = "GENERIC";
    device->m_strProduct.Format("CD-ROM%d", index);
  }
  return answer.outcome;
}
