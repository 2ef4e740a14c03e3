// The probe's verdicts over arbitrary answers: the first byte picks the
// outcome (GOOD with the length told or not, CHECK CONDITION with the
// input as sense, another status), the next four the LBA asked for, the
// rest are the bytes that came (also read as a TOC for the blocks chosen).
// Each is copied to a buffer of exactly its size, so AddressSanitizer sees
// any read past what came.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "interrogation/probe.h"

namespace {

void Expect(const ProbeFinding& finding) {
  const bool explained = !finding.why.empty();
  if ((finding.kind == ProbeFinding::kWorks) == explained) std::abort();
  if (finding.Text().empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  const std::uint8_t how = data[0];
  std::vector<BYTE> cdb = {0xBE, 0, data[1], data[2], data[3], data[4], 0, 0, 1, 0xF8, 0, 0};
  CommandAnswer answer;
  answer.sent = true;
  answer.cdb = cdb;
  answer.data.assign(data + 5, data + size);
  switch (how & 0x03) {
    case 0:
      answer.outcome = CommandOutcome::FromStatus(kScsiStatusGood, nullptr, 0, static_cast<long>(answer.data.size()));
      break;
    case 1:
      answer.outcome = CommandOutcome::FromStatus(kScsiStatusGood, nullptr, 0, kTransferUnknown);
      break;
    case 2: {
      const std::vector<BYTE> sense(answer.data.begin(), answer.data.size() > 32 ? answer.data.begin() + 32 : answer.data.end());
      answer.outcome = CommandOutcome::FromStatus(kScsiStatusCheckCondition, sense.empty() ? nullptr : sense.data(),
                                                  sense.size(), 0);
      answer.data.clear();
      break;
    }
    default:
      answer.outcome = CommandOutcome::FromStatus(how, nullptr, 0, 0);
      answer.data.clear();
  }
  CommandAnswer half = answer;
  half.data.resize(half.data.size() / 2);
  Expect(CheckUserData(answer, half));
  Expect(CheckRawSector(answer));
  Expect(CheckC2(answer, (how & 0x04) != 0));
  Expect(CheckSubChannel(answer, (how & 0x08) != 0));
  Expect(CheckAudioRepeat(answer, half));
  const std::vector<BYTE> bytes(data + 5, data + size);
  const ProbeSectors sectors = ChooseProbeSectors(DecodeToc(bytes.empty() ? nullptr : bytes.data(), bytes.size()));
  if (sectors.data != sectors.whyNoData.empty() || sectors.audio != sectors.whyNoAudio.empty()) std::abort();
  return 0;
}
