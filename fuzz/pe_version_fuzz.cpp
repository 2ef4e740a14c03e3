// Reads the version resource of arbitrary bytes as a PE file, or, when they
// are none, as a version block, and queries it the way the record does.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/pe_version.h"
#include "tests/support/standin.h"
#include "version/module_version.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::size_t offset = 0, length = 0;
  const BYTE* block = data;
  std::size_t blockSize = size;
  if (pever::FindVersionResource(data, size, &offset, &length)) {
    if (offset > size || length > size - offset) std::abort();
    block = data + offset;
    blockSize = length;
  }
  std::size_t blockLength = pever::VersionBlockLength(block, blockSize);
  if (blockLength == 0) return 0;
  if (blockLength > blockSize) std::abort();
  // An exact-size buffer, so that the sanitizer sees any read past it.
  std::vector<BYTE> info(pever::InfoSizeFor(blockLength));
  if (!pever::CopyVersionInfo(block, blockSize, static_cast<DWORD>(info.size()), info.data())) std::abort();

  StandInPlatform os;  // its VerQueryValueA is the reader's
  CModuleVersionVek record;
  record.ReadVersionBlock(info.data());
  // A query path of the input's own last bytes, too.
  std::size_t tail = size < 48 ? size : 48;
  std::string path(reinterpret_cast<const char*>(data + size - tail), tail);
  path = path.c_str();
  for (const char* query : {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo", path.c_str()}) {
    void* value = nullptr;
    UINT valueLength = 0;
    if (!pever::QueryVersionValue(info.data(), query, &value, &valueLength)) continue;
    const BYTE* p = static_cast<const BYTE*>(value);
    if (p < info.data() || p + valueLength > info.data() + info.size()) std::abort();
    volatile std::size_t n = std::strlen(reinterpret_cast<const char*>(p));  // text or not, a NUL follows in the buffer
    (void)n;
  }
  return 0;
}
