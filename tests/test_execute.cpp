#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "device/send.h"
#include "interrogation/capabilities.h"
#include "interrogation/performance.h"
#include "platform/aspi.h"
#include "tests/support/helpers.h"

using namespace testing_helpers;

namespace {

const std::vector<BYTE> kPage = {0x3F, 0x37, 0x71, 0x63, 0x2B, 0x23};

class ExecuteTest : public ::testing::Test {
 protected:
  // Builds a list over the profile, with ASPI or pass-through, and forgets
  // what discovery sent so that each test sees only its own command.
  void Discover(bool aspi, driveemu::DriveProfile profile) {
    list.reset();  // the old list goes while its seam is still there
    os.reset();
    os.reset(new StandInPlatform(profile));
    if (aspi) UseWindows98(*os);
    list.reset(new DeviceList);
    list->Enumerate();
    os->calls.clear();
    os->aspiBlocks.clear();
    os->passThroughRequests.clear();
    os->aspiLog.clear();
  }

  // A MODE SENSE request with a sense area filled with a marker.
  void BuildRequest() {
    BuildModeSenseRequest(&request, answer);
    std::memset(request.SenseBuffer, 0xAB, sizeof(request.SenseBuffer));
  }

  SRB_ExecSCSICmd SentBlock(size_t n = 0) {
    SRB_ExecSCSICmd block;
    EXPECT_LT(n, os->aspiBlocks.size());
    std::memcpy(&block, os->aspiBlocks.at(n).data(), sizeof(block));
    return block;
  }

  std::unique_ptr<StandInPlatform> os;
  std::unique_ptr<DeviceList> list;
  ScsiRequest request;
  BYTE answer[kModeSenseAnswerLength];
};

TEST_F(ExecuteTest, PassThroughCarriesTheWholeRecordAndReturnsTheAnswer) {
  Discover(false, Profile({Drive(0, 0, "ABC", "ONE"), Drive(0, 1, "DEF", "TWO", kPage)}));
  BuildRequest();
  CommandOutcome outcome = list->ExecuteRequest(1, &request);
  EXPECT_EQ(CommandOutcome::kGood, outcome.kind());
  EXPECT_EQ(0, outcome.status);
  EXPECT_EQ(0, outcome.senseLength);
  EXPECT_EQ(0x3F, answer[10]);
  EXPECT_EQ(0x23, answer[15]);

  ASSERT_EQ(1, os->CountCalls("DeviceIoControl"));
  EXPECT_EQ("4D014", os->calls[0].detail);
  ASSERT_EQ(1u, os->passThroughRequests.size());
  EXPECT_EQ(sizeof(ScsiRequest), os->passThroughSizes[0]);
}

TEST_F(ExecuteTest, PassThroughReportsEveryStatusTheDriveGives) {
  driveemu::EmulatedUnit check = Drive(0, 0, "A", "CHECK");
  check.replies[0x5A] = CheckCondition(0x02, 0x3A, 0x00);
  driveemu::EmulatedUnit busy = Drive(0, 1, "B", "BUSY");
  busy.replies[0x5A] = ErrorStatus(0x08);
  driveemu::EmulatedUnit broken = Drive(0, 2, "C", "BROKEN");
  broken.replies[0x5A] = TransportFailure();
  Discover(false, Profile({check, busy, broken}));

  BuildRequest();
  CommandOutcome checked = list->ExecuteRequest(0, &request);
  EXPECT_EQ(CommandOutcome::kCheckCondition, checked.kind());
  EXPECT_EQ(2, checked.status);
  // The platform delivered 14 of the drive's 18 sense bytes, as 14 were asked for.
  ASSERT_EQ(14, checked.senseLength);
  EXPECT_EQ(0x70, checked.sense[0]);
  EXPECT_EQ(0x02, checked.sense[2]);
  EXPECT_EQ(0x3A, checked.sense[12]);
  EXPECT_EQ(0, checked.sense[14]);

  BuildRequest();
  CommandOutcome busyOutcome = list->ExecuteRequest(1, &request);
  EXPECT_EQ(CommandOutcome::kOtherStatus, busyOutcome.kind());
  EXPECT_EQ(8, busyOutcome.status);
  EXPECT_EQ(0, busyOutcome.senseLength);

  // A failed pass-through request says why, in the system's words unless
  // it timed out or the drive is gone.
  const struct {
    DWORD error;
    CommandOutcome::Failure failure;
    const char* reason;
  } failures[] = {{ERROR_IO_DEVICE, CommandOutcome::kSystemError, "The request could not be performed"},
                  {ERROR_SEM_TIMEOUT, CommandOutcome::kTimedOut, "timed out"},
                  {ERROR_DEVICE_NOT_CONNECTED, CommandOutcome::kNoSuchDevice, "no such device"},
                  {ERROR_GEN_FAILURE, CommandOutcome::kSystemError, "error 31"}};
  os->errorTexts[ERROR_IO_DEVICE] = "The request could not be performed.\r\n";
  for (const auto& c : failures) {
    os->transportError = c.error;
    BuildRequest();
    CommandOutcome failed = list->ExecuteRequest(2, &request);
    EXPECT_EQ(CommandOutcome::kNotCarried, failed.kind());
    EXPECT_EQ(c.failure, failed.failure);
    EXPECT_EQ(static_cast<long>(c.error), failed.systemError);
    EXPECT_EQ(c.reason, failed.Reason());
  }
}

TEST_F(ExecuteTest, PassThroughLengthsBeyondTheRoomGivenAreCutToIt) {
  driveemu::EmulatedUnit check = Drive(0, 0, "A", "CHECK");
  check.replies[0x5A] = CheckCondition(0x02, 0x3A, 0x00);
  Discover(false, Profile({check, Drive(0, 1, "B", "GOOD", kPage)}));
  for (ULONG extra : {1u, 2u, 200u}) {
    os->passThroughOverstatement = extra;
    BuildRequest();
    CommandOutcome checked = list->ExecuteRequest(0, &request);
    EXPECT_EQ(14, checked.senseLength) << extra;
    BuildRequest();
    CommandOutcome good = list->ExecuteRequest(1, &request);
    EXPECT_EQ(static_cast<long>(kModeSenseAnswerLength), good.transferred) << extra;
  }
}

// Each descriptor of GET PERFORMANCE is 16 bytes: a drive with as many as
// were asked for gets every one of them back, on either transport.
TEST_F(ExecuteTest, GetPerformanceHasRoomForEveryDescriptorItAsksFor) {
  for (bool aspi : {false, true}) {
    for (WORD count : {1, 2, 32}) {
      driveemu::EmulatedUnit writer = Drive(0, 0, "W", "WRITER");
      writer.answersPerformance = true;
      for (WORD i = 0; i < count; ++i) writer.writeSpeedDescriptors.push_back(std::vector<BYTE>(16, static_cast<BYTE>(i + 1)));
      Discover(aspi, Profile({writer}));
      CommandAnswer answer = GetPerformance(*list, 0, 0x00, 0x03, count);
      ASSERT_TRUE(answer.Good()) << aspi << " " << count;
      PerformanceAnswer speeds = DecodeWriteSpeeds(answer.data.data(), answer.data.size());
      ASSERT_EQ(count, speeds.writeSpeeds.size()) << aspi << " " << count;
      EXPECT_TRUE(speeds.notes.empty()) << aspi << " " << count;
    }
  }
}

// The window reads the status and the sense bytes from its record: each
// transport writes them back into it, and the length moved where it tells
// one; bytes it did not deliver, and a command that was not carried, leave
// the record as it was.
TEST_F(ExecuteTest, TheRecordGetsBackItsStatusSenseAndLengthOnBothTransports) {
  driveemu::EmulatedUnit good = Drive(0, 0, "A", "GOOD", kPage);
  driveemu::EmulatedUnit check = Drive(0, 1, "B", "CHECK");
  driveemu::CommandReply reply;
  reply.kind = driveemu::CommandReply::kCheckCondition;
  for (BYTE i = 0; i < 18; ++i) reply.sense.push_back(static_cast<BYTE>(0x70 + i));
  check.replies[0x5A] = reply;
  driveemu::EmulatedUnit busy = Drive(0, 2, "C", "BUSY");
  busy.replies[0x5A] = ErrorStatus(0x08);
  driveemu::EmulatedUnit broken = Drive(0, 3, "D", "BROKEN");
  broken.replies[0x5A] = TransportFailure();
  for (bool aspi : {false, true}) {
    Discover(aspi, Profile({good, check, busy, broken}));
    const struct {
      int index;
      UCHAR status;
      std::size_t senseBytes;  // delivered into SenseBuffer
    } cases[] = {{0, 0, 0}, {1, 2, 14}, {2, 8, 0}, {3, 0, 0}};
    for (const auto& c : cases) {
      BuildRequest();
      // ASPI delivers its 14 sense bytes whatever the room.
      request.Header.SenseInfoLength = aspi ? 32 : 14;
      if (c.index == 3) request.Header.ScsiStatus = 0x77;  // what nothing came back to change
      const ScsiRequest before = request;
      const CommandOutcome outcome = list->ExecuteRequest(c.index, &request);
      const std::string at = std::string(aspi ? "ASPI " : "port ") + std::to_string(c.index);
      if (c.index == 3) {
        EXPECT_EQ(0, std::memcmp(&before, &request, sizeof(request))) << at;
        continue;
      }
      EXPECT_EQ(c.status, request.Header.ScsiStatus) << at;
      for (std::size_t i = 0; i < sizeof(request.SenseBuffer); ++i)
        EXPECT_EQ(i < c.senseBytes ? 0x70 + i : 0xAB, request.SenseBuffer[i]) << at << " sense byte " << i;
      const ULONG length = aspi ? kModeSenseAnswerLength : static_cast<ULONG>(outcome.transferred);
      EXPECT_EQ(length, request.Header.DataTransferLength) << at;
      if (!aspi && c.index == 0) {
        EXPECT_GT(kModeSenseAnswerLength, request.Header.DataTransferLength) << at;
      }
      // Nothing else of the record changes.
      ScsiRequest rest = request;
      rest.Header.ScsiStatus = before.Header.ScsiStatus;
      rest.Header.DataTransferLength = before.Header.DataTransferLength;
      std::memcpy(rest.SenseBuffer, before.SenseBuffer, sizeof(rest.SenseBuffer));
      EXPECT_EQ(0, std::memcmp(&before, &rest, sizeof(rest))) << at;
    }
  }
}

// Every command reaches the system in a record whose every field is the
// command's: discovery's INQUIRY, the window's MODE SENSE, and the report's
// commands alike.
TEST_F(ExecuteTest, EachCommandReachesThePassThroughControlWithEveryFieldOfItsRecord) {
  driveemu::EmulatedUnit unit = Drive(0, 0, "ABC", "ONE", kPage);
  unit.features = {driveemu::FeatureDescriptor(0x0000, 0x03, {0x00, 0x08, 0x01, 0})};
  unit.answersPerformance = true;
  os.reset(new StandInPlatform(Profile({unit})));
  list.reset(new DeviceList);
  ASSERT_EQ(1, list->Enumerate());
  QueryCapabilities(*list, 0);
  GetConfiguration(*list, 0, 2, 0x0108, 0x1234);
  GetPerformance(*list, 0, 0x10, 0x03, 5);
  ReadDiscInformation(*list, 0);
  ReadToc(*list, 0, kAtipFormat, 0x0123);
  ReadCapacity(*list, 0);
  ReadDiscStructure(*list, 0, kBdMedia, kAdipFormat, 0x0456);
  const struct {
    std::vector<BYTE> cdb;
    UCHAR senseRoom;
    ULONG length;
  } expected[] = {
      {{0x12, 0x00, 0x00, 0x00, 0x60, 0x00}, 32, 96},
      {{0x5A, 0x08, 0x2A, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00}, 14, 256},
      {{0x46, 0x02, 0x01, 0x08, 0x00, 0x00, 0x00, 0x12, 0x34, 0x00}, 14, 0x1234},
      {{0xAC, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x03, 0x00}, 14, 8 + 16 * 5},
      {{0x51, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00}, 14, 256},
      {{0x43, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x01, 0x23, 0x00}, 14, 0x0123},
      {{0x25, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, 14, 8},
      {{0xAD, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x11, 0x04, 0x56, 0x00, 0x00}, 14, 0x0456},
  };
  const std::size_t count = sizeof expected / sizeof expected[0];
  ASSERT_EQ(count, os->passThroughRequests.size());
  for (std::size_t i = 0; i < count; ++i) {
    const ScsiPassThroughDirect& sent = os->passThroughRequests[i];
    EXPECT_EQ(sizeof(ScsiPassThroughDirect), sent.Length) << i;
    EXPECT_EQ(0, sent.ScsiStatus + sent.PathId + sent.TargetId + sent.Lun) << i;
    ASSERT_EQ(expected[i].cdb.size(), sent.CdbLength) << i;
    std::vector<BYTE> cdb(expected[i].cdb);
    cdb.resize(16, 0);
    EXPECT_EQ(cdb, std::vector<BYTE>(sent.Cdb, sent.Cdb + 16)) << i;
    EXPECT_EQ(expected[i].senseRoom, sent.SenseInfoLength) << i;
    EXPECT_EQ(SCSI_IOCTL_DATA_IN, sent.DataIn) << i;
    EXPECT_EQ(expected[i].length, sent.DataTransferLength) << i;
    EXPECT_EQ(expected[i].length, AllocationLength(expected[i].cdb)) << i;
    EXPECT_EQ(15u, sent.TimeOutValue) << i;
    EXPECT_EQ(offsetof(ScsiRequest, SenseBuffer), sent.SenseInfoOffset) << i;
  }

  // The window's record as the caller set it: the direction, and a CDB byte
  // that no command of ours sets.
  os->passThroughRequests.clear();
  const struct {
    UCHAR dataIn;
    ULONG length;
  } directions[] = {{SCSI_IOCTL_DATA_OUT, 256}, {SCSI_IOCTL_DATA_UNSPECIFIED, 0}, {SCSI_IOCTL_DATA_IN, 256}};
  for (const auto& d : directions) {
    BuildRequest();
    request.Header.DataIn = d.dataIn;
    request.Header.DataTransferLength = d.length;
    request.Header.Cdb[9] = 0x40;
    list->ExecuteRequest(0, &request);
  }
  ASSERT_EQ(3u, os->passThroughRequests.size());
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(directions[i].dataIn, os->passThroughRequests[i].DataIn) << i;
    EXPECT_EQ(0x40, os->passThroughRequests[i].Cdb[9]) << i;
  }
}

TEST_F(ExecuteTest, AnIndexOutsideTheListSendsNothing) {
  Discover(false, Profile({Drive(0, 0, "ABC", "ONE")}));
  BuildRequest();
  ScsiRequest before = request;
  EXPECT_EQ(CommandOutcome::kNotCarried, list->ExecuteRequest(1, &request).kind());
  EXPECT_EQ(0, std::memcmp(&before, &request, sizeof(request)));
  EXPECT_THROW(list->ExecuteRequest(-1, &request), CInvalidArgException);
  EXPECT_EQ(0, std::memcmp(&before, &request, sizeof(request)));
  EXPECT_EQ(0, os->CountCalls("DeviceIoControl"));
}

TEST_F(ExecuteTest, AspiBlockCarriesTheRequestToTheDrivesAddress) {
  Discover(true, Profile({Drive(0, 1, "ABC", "ONE"), Drive(1, 3, "DEF", "TWO", kPage)}));
  BuildRequest();
  CommandOutcome outcome = list->ExecuteRequest(1, &request);
  EXPECT_EQ(CommandOutcome::kGood, outcome.kind());
  EXPECT_EQ(0, outcome.senseLength);
  EXPECT_EQ(0x2B, answer[14]);

  SRB_ExecSCSICmd block = SentBlock();
  EXPECT_EQ(SC_EXEC_SCSI_CMD, block.SRB_Cmd);
  EXPECT_EQ(1, block.SRB_HaId);
  EXPECT_EQ(3, block.SRB_Target);
  EXPECT_EQ(0, block.SRB_Lun);
  EXPECT_EQ(0x48, block.SRB_Flags);
  EXPECT_EQ(256u, block.SRB_BufLen);
  // The block is byte-packed: its pointers are read out before comparing.
  const BYTE* buffer = block.SRB_BufPointer;
  void* event = block.SRB_PostProc;
  EXPECT_EQ(answer, buffer);
  EXPECT_EQ(14, block.SRB_SenseLen);
  EXPECT_EQ(10, block.SRB_CDBLen);
  EXPECT_EQ(0u, block.SRB_Hdr_Rsvd);
  EXPECT_EQ(0, std::memcmp(request.Header.Cdb, block.CDBByte, 16));
  BYTE zeros[20] = {0};
  EXPECT_EQ(0, std::memcmp(zeros, block.SRB_Rsvd2, 20));
  EXPECT_NE(nullptr, event);

  // Finished at once: no wait, but the event is reset and released.
  EXPECT_EQ(1, os->CountCalls("CreateEventA"));
  EXPECT_EQ("manual unset", os->calls[0].detail);
  EXPECT_EQ(0, os->CountCalls("WaitForSingleObject"));
  EXPECT_EQ(1, os->CountCalls("ResetEvent"));
  EXPECT_EQ(1, os->closeCounts[static_cast<HANDLE>(event)]);
}

TEST_F(ExecuteTest, AspiDirectionFlagsFollowDataIn) {
  Discover(true, Profile({Drive(0, 0, "ABC", "ONE")}));
  const BYTE expected[3] = {0x50, 0x48, 0x40};
  for (int dataIn = 0; dataIn < 3; ++dataIn) {
    BuildRequest();
    request.Header.DataIn = static_cast<UCHAR>(dataIn);
    list->ExecuteRequest(0, &request);
    EXPECT_EQ(expected[dataIn], SentBlock(static_cast<size_t>(dataIn)).SRB_Flags) << "DataIn " << dataIn;
  }
}

TEST_F(ExecuteTest, AspiPendingBlockIsWaitedFor) {
  driveemu::EmulatedUnit slow = Drive(0, 0, "ABC", "SLOW", kPage);
  slow.delayMilliseconds = 50;
  Discover(true, Profile({slow}));
  BuildRequest();
  EXPECT_EQ(CommandOutcome::kGood, list->ExecuteRequest(0, &request).kind());
  EXPECT_EQ(0x3F, answer[10]);
  EXPECT_EQ(1, os->CountCalls("WaitForSingleObject"));
  EXPECT_EQ(1, os->CountCalls("ResetEvent"));
  EXPECT_EQ(0, os->CountAspiLog("ABORT"));
}

TEST_F(ExecuteTest, AspiBlockThatNeverFinishesIsAbortedBeforeTheCallReturns) {
  driveemu::EmulatedUnit hung = Drive(0, 0, "ABC", "HUNG", kPage);
  hung.delayMilliseconds = 50;
  Discover(true, Profile({hung}));
  os->waitResults.push_back(WAIT_TIMEOUT);
  BuildRequest();
  CommandOutcome outcome = list->ExecuteRequest(0, &request);
  EXPECT_EQ(CommandOutcome::kNotCarried, outcome.kind());
  EXPECT_EQ("timed out", outcome.Reason());
  EXPECT_EQ(1, os->CountAspiLog("ABORT ha=0 -> aborted"));
  EXPECT_EQ(0, os->CountAspiLog("DONE"));  // the library never wrote the answer
  EXPECT_EQ(0, answer[10]);
  std::vector<std::string> waits;
  for (const StandInPlatform::Call& call : os->calls)
    if (call.name == "WaitForSingleObject") waits.push_back(call.detail);
  // First the bound (30 s), then until the library lets go of the block.
  EXPECT_EQ((std::vector<std::string>{"7530", "FFFFFFFF"}), waits);
  EXPECT_EQ(1, os->CountCalls("ResetEvent"));
}

TEST_F(ExecuteTest, AspiCheckConditionCopiesExactlyFourteenSenseBytes) {
  driveemu::EmulatedUnit unit = Drive(0, 0, "ABC", "CHECK");
  driveemu::CommandReply reply;
  reply.kind = driveemu::CommandReply::kCheckCondition;
  for (BYTE i = 0; i < 18; ++i) reply.sense.push_back(static_cast<BYTE>(0x10 + i));
  unit.replies[0x5A] = reply;
  Discover(true, Profile({unit}));
  BuildRequest();
  request.Header.SenseInfoLength = 32;
  CommandOutcome outcome = list->ExecuteRequest(0, &request);
  EXPECT_EQ(CommandOutcome::kCheckCondition, outcome.kind());
  EXPECT_EQ(2, outcome.status);
  ASSERT_EQ(14, outcome.senseLength);
  for (int i = 0; i < 14; ++i) EXPECT_EQ(0x10 + i, outcome.sense[i]) << i;
  for (int i = 14; i < 32; ++i) EXPECT_EQ(0, outcome.sense[i]) << i;
}

TEST_F(ExecuteTest, AspiErrorsOtherThanCheckConditionKeepTheTargetStatusOrSayNothingCame) {
  driveemu::EmulatedUnit busy = Drive(0, 0, "A", "BUSY");
  busy.replies[0x5A] = ErrorStatus(0x08);
  driveemu::EmulatedUnit broken = Drive(0, 1, "B", "BROKEN");
  broken.replies[0x5A] = TransportFailure();
  Discover(true, Profile({busy, broken}));

  BuildRequest();
  CommandOutcome busyOutcome = list->ExecuteRequest(0, &request);
  EXPECT_EQ(CommandOutcome::kOtherStatus, busyOutcome.kind());
  EXPECT_EQ(8, busyOutcome.status);
  EXPECT_EQ(0, busyOutcome.senseLength);

  // A host adapter failure: an error with no target status.
  BuildRequest();
  CommandOutcome brokenOutcome = list->ExecuteRequest(1, &request);
  EXPECT_EQ(CommandOutcome::kNotCarried, brokenOutcome.kind());
  EXPECT_EQ(0, brokenOutcome.status);
  EXPECT_EQ(kTransferUnknown, busyOutcome.transferred);  // ASPI never tells
  EXPECT_EQ(0u, brokenOutcome.Reason().find("ASPI status 04h")) << brokenOutcome.Reason();
}

TEST_F(ExecuteTest, AspiWithoutTheSendEntryOrAnEventSendsNothing) {
  driveemu::DriveProfile profile = Profile({Drive(0, 0, "ABC", "ONE")});
  Discover(true, profile);
  os->createEventFails = true;
  BuildRequest();
  ScsiRequest before = request;
  EXPECT_EQ(CommandOutcome::kNotCarried, list->ExecuteRequest(0, &request).kind());
  EXPECT_EQ(0, std::memcmp(&before, &request, sizeof(request)));
  EXPECT_EQ(0, os->CountCalls("SendASPI32Command"));

  // A library without the send entry: no drive is found, nothing is sent.
  profile.hasSendCommand = false;
  Discover(true, profile);
  EXPECT_EQ(0, list->GetCount());
  EXPECT_EQ(CommandOutcome::kNotCarried, list->ExecuteRequest(0, &request).kind());
  EXPECT_EQ(0, os->CountCalls("CreateEventA"));
  EXPECT_EQ(0, os->CountCalls("SendASPI32Command"));
}

}  // namespace
