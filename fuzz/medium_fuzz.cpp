// Decodes arbitrary bytes as every answer about the disc in the drive. The
// input is copied to a buffer of exactly its size, so AddressSanitizer sees
// any read past what came.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "interrogation/medium.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<unsigned char> bytes(data, data + size);
  const unsigned char* answer = bytes.empty() ? nullptr : bytes.data();
  DiscInformation info = DecodeDiscInformation(answer, size);
  DiscStatusName(info.discStatus);
  SessionStateName(info.lastSessionState);
  DiscTypeName(info.discType);
  Toc toc = DecodeToc(answer, size);
  if (toc.entries.size() * 8 + 4 > (size < 4 ? 4 : size)) std::abort();
  for (const TocEntry& entry : toc.entries) MsfText(entry.lba);
  Atip atip = DecodeAtip(answer, size);
  if (atip.decoded) MsfText(LbaOfMsf(atip.leadOut[0], atip.leadOut[1], atip.leadOut[2]));
  DecodeCapacity(answer, size);
  DvdPhysical physical = DecodeDvdPhysical(answer, size);
  BookTypeName(physical.bookType);
  DiscSizeName(physical.discSize);
  MaximumRateName(physical.maximumRate);
  DecodeDvdMinusMaker(answer, size);
  DecodeDvdPlusMaker(answer, size);
  DecodeBdMaker(answer, size);
  RpcState rpc = DecodeRpcState(answer, size);
  if (rpc.Regions().size() > 8 || rpc.userChanges > 7 || rpc.vendorResets > 7) std::abort();
  RpcTypeName(rpc.typeCode);
  RpcSchemeName(rpc.rpcScheme);
  return 0;
}
