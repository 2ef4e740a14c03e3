// Decodes arbitrary bytes as a standard INQUIRY answer, its detail and the
// names it gives, and as sense data in words. The input is copied to a
// buffer of exactly its size, so AddressSanitizer sees any read past what
// came.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "device/inquiry.h"
#include "interrogation/inquiry_detail.h"
#include "interrogation/sense_words.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<unsigned char> bytes(data, data + size);
  const unsigned char* answer = bytes.empty() ? nullptr : bytes.data();
  InquiryDetail inquiry = DecodeInquiry(answer, size);
  if (inquiry.vendorSpecific.size() > 20 || inquiry.revision.size() > 4) std::abort();
  if (!inquiry.vendorSpecific.empty()) PrintableText(inquiry.vendorSpecific.data(), inquiry.vendorSpecific.size());
  CommandAnswer command;
  command.outcome = CommandOutcome::FromStatus(0, nullptr, 0);
  command.data = bytes;
  CString vendor, product;
  NameFromInquiry(command, 7, &vendor, &product);
  if (vendor.GetLength() > 8 || product.GetLength() > 16) std::abort();
  SenseWords(answer, size < 32 ? size : 32);
  return 0;
}
