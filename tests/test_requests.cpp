#include <gtest/gtest.h>

#include <cstring>

#include "interrogation/capabilities.h"
#include "interrogation/inquiry.h"

namespace {

// Every byte of the record outside the fields a builder sets stays zero.
void ExpectOnlyBuilderFieldsSet(const ScsiRequest& request) {
  ScsiRequest expected;
  std::memset(&expected, 0, sizeof(expected));
  expected.Header = request.Header;
  expected.Header.ScsiStatus = 0;
  expected.Header.PathId = 0;
  expected.Header.TargetId = 0;
  expected.Header.Lun = 0;
  EXPECT_EQ(0, std::memcmp(&expected, &request, sizeof(request)));
  EXPECT_EQ(0, request.Header.ScsiStatus);
  EXPECT_EQ(0, request.Header.PathId);
  EXPECT_EQ(0, request.Header.TargetId);
  EXPECT_EQ(0, request.Header.Lun);
  EXPECT_EQ(0u, request.AlignPad);
}

TEST(RequestBuilderTest, ModeSenseOfTheCapabilitiesPage) {
  BYTE answer[kModeSenseAnswerLength];
  std::memset(answer, 0xCC, sizeof(answer));
  ScsiRequest request;
  std::memset(&request, 0xEE, sizeof(request));
  BuildModeSenseRequest(&request, answer);

  EXPECT_EQ(sizeof(ScsiPassThroughDirect), request.Header.Length);
  EXPECT_EQ(10, request.Header.CdbLength);
  EXPECT_EQ(14, request.Header.SenseInfoLength);
  EXPECT_EQ(1, request.Header.DataIn);
  EXPECT_EQ(256u, request.Header.DataTransferLength);
  EXPECT_EQ(15u, request.Header.TimeOutValue);
  EXPECT_EQ(answer, request.Header.DataBuffer);
  EXPECT_EQ(offsetof(ScsiRequest, SenseBuffer), request.Header.SenseInfoOffset);
  const BYTE cdb[16] = {0x5A, 0x08, 0x2A, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00};
  EXPECT_EQ(0, std::memcmp(cdb, request.Header.Cdb, 16));
  ExpectOnlyBuilderFieldsSet(request);
  for (BYTE b : answer) ASSERT_EQ(0, b);
}

TEST(RequestBuilderTest, StandardInquiry) {
  BYTE answer[kInquiryAnswerLength];
  std::memset(answer, 0xCC, sizeof(answer));
  ScsiRequest request;
  std::memset(&request, 0xEE, sizeof(request));
  BuildInquiryRequest(&request, answer);

  EXPECT_EQ(6, request.Header.CdbLength);
  EXPECT_EQ(32, request.Header.SenseInfoLength);
  EXPECT_EQ(1, request.Header.DataIn);
  EXPECT_EQ(96u, request.Header.DataTransferLength);
  EXPECT_EQ(15u, request.Header.TimeOutValue);
  const BYTE cdb[16] = {0x12, 0x00, 0x00, 0x00, 0x60, 0x00};
  EXPECT_EQ(0, std::memcmp(cdb, request.Header.Cdb, 16));
  ExpectOnlyBuilderFieldsSet(request);
  for (BYTE b : answer) ASSERT_EQ(0, b);
}

TEST(RequestBuilderTest, RecordLayoutFollowsThePointerWidth) {
  if (sizeof(void*) == 4) {
    EXPECT_EQ(80u, sizeof(ScsiRequest));
    EXPECT_EQ(44, kScsiHeaderLength);
    EXPECT_EQ(48u, kScsiSenseOffset);
  } else {
    EXPECT_EQ(56, kScsiHeaderLength);
    EXPECT_EQ(60u, kScsiSenseOffset);
  }
}

}  // namespace
