// Loads a version record from arbitrary bytes. Damaged data may only raise
// CArchiveException; a record that loads must store and load back the same.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "framework/archive.h"
#include "tests/support/standin.h"
#include "version/module_version.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static StandInPlatform* os = new StandInPlatform;  // converts the wide strings
  (void)os;
  CModuleVersionVek record;
  CArchive in(data, size);
  try {
    record.Serialize(in);
  } catch (const CArchiveException& e) {
    if (e.m_cause != CArchiveException::endOfFile && e.m_cause != CArchiveException::genericException) std::abort();
    return 0;
  }
  CArchive out;
  record.Serialize(out);
  std::vector<BYTE> stored = out.GetStoredData();
  CModuleVersionVek again;
  CArchive back(stored.data(), stored.size());
  again.Serialize(back);
  CArchive check;
  again.Serialize(check);
  if (back.GetRemaining() != 0 || check.GetStoredData() != stored) std::abort();
  return 0;
}
