// How a drive is reached, as each Windows road tells it: the storage
// property queries of the pass-through road (their descriptors read within
// the bytes returned), the adapter's alignment mask kept on every command,
// and ASPI's host adapter inquiry.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "device/aspi_transport.h"
#include "device/device_list.h"
#include "platform/aspi.h"
#include "tests/support/helpers.h"

using namespace testing_helpers;

namespace {

driveemu::DriveProfile Parsed(const std::string& text) {
  driveemu::DriveProfile profile;
  std::string error;
  EXPECT_TRUE(driveemu::ParseProfile(text, &profile, &error)) << error;
  return profile;
}

class ConnectionTest : public ::testing::Test {
 protected:
  void Discover(const driveemu::DriveProfile& profile, bool aspi = false) {
    list.reset();  // the old list and stand-in go while their seam is still there
    os.reset();
    os.reset(new StandInPlatform(profile));
    if (aspi) UseWindows98(*os);
    list.reset(new DeviceList);
    list->Enumerate();
  }

  int AdapterQueries() const {
    int n = 0;
    for (const StoragePropertyQuery& query : os->propertyQueries) n += query.PropertyId == kStorageAdapterProperty;
    return n;
  }

  std::unique_ptr<StandInPlatform> os;
  std::unique_ptr<DeviceList> list;
};

void Put32(std::vector<BYTE>& bytes, size_t at, DWORD value) {
  for (size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<BYTE>(value >> (8 * i));
}

// --- The storage property queries ---------------------------------------

TEST_F(ConnectionTest, BothDescriptorsAreAskedByStandardQueryAndTheAdapterOnlyAtOpen) {
  Discover(Profile({Drive(0, 0, "ABC", "ONE")}));
  // Open asked the adapter; nothing else was asked of the storage stack.
  ASSERT_EQ(1u, os->propertyQueries.size());
  EXPECT_EQ(kStorageAdapterProperty, os->propertyQueries[0].PropertyId);
  EXPECT_EQ(kPropertyStandardQuery, os->propertyQueries[0].QueryType);
  EXPECT_EQ(1024u, os->propertyRooms[0]);
  os->calls.clear();

  DriveConnection connection = list->Connection(0);
  ASSERT_EQ(1u, os->calls.size());
  EXPECT_EQ("DeviceIoControl", os->calls[0].name);
  EXPECT_EQ("2D1400", os->calls[0].detail);
  ASSERT_EQ(2u, os->propertyQueries.size());
  EXPECT_EQ(kStorageDeviceProperty, os->propertyQueries[1].PropertyId);
  EXPECT_EQ(kPropertyStandardQuery, os->propertyQueries[1].QueryType);

  // By default the system copies INQUIRY's padded strings; they come trimmed.
  EXPECT_EQ("storage property query", connection.source);
  EXPECT_EQ("ATAPI", connection.bus);
  EXPECT_EQ("ATAPI", connection.adapterBus);
  EXPECT_EQ("ABC", connection.vendor);
  EXPECT_EQ("ONE", connection.product);
  EXPECT_EQ("1.00", connection.revision);
  EXPECT_EQ("", connection.serial);
  EXPECT_EQ(65536, connection.maxTransfer);
  EXPECT_EQ(0, connection.alignmentMask);
  EXPECT_FALSE(connection.Bridged());
}

TEST_F(ConnectionTest, ProfileKeysGiveEachDescriptorField) {
  Discover(Parsed("device 0 0 0\n"
                  "  inquiry \"IGNORED\" \"NAME\" \"9.99\"\n"
                  "  storage-bus 7 4\n"
                  "  alignment-mask 3\n"
                  "  max-transfer 131072\n"
                  "  storage-strings \" VEND \" \"PROD X\" \"1.2\" \"SN-42\"\n"));
  DriveConnection connection = list->Connection(0);
  EXPECT_EQ("USB", connection.bus);
  EXPECT_EQ("IEEE 1394", connection.adapterBus);
  EXPECT_TRUE(connection.Bridged());
  EXPECT_EQ("VEND", connection.vendor);
  EXPECT_EQ("PROD X", connection.product);
  EXPECT_EQ("1.2", connection.revision);
  EXPECT_EQ("SN-42", connection.serial);
  EXPECT_EQ(131072, connection.maxTransfer);
  EXPECT_EQ(3, connection.alignmentMask);
}

TEST_F(ConnectionTest, AFailedQueryLeavesItsPartUntoldAndTwoLeaveAllUntold) {
  Discover(Parsed("device 0 0 0\n  storage-fails device\n"
                  "device 0 1 0\n  storage-fails adapter\n"
                  "device 0 2 0\n  storage-fails device\n  storage-fails adapter\n"));
  DriveConnection adapterOnly = list->Connection(0);
  EXPECT_EQ("storage property query", adapterOnly.source);
  EXPECT_EQ("", adapterOnly.bus);
  EXPECT_EQ("ATAPI", adapterOnly.adapterBus);

  DriveConnection deviceOnly = list->Connection(1);
  EXPECT_EQ("storage property query", deviceOnly.source);
  EXPECT_EQ("ATAPI", deviceOnly.bus);
  EXPECT_EQ("", deviceOnly.adapterBus);
  EXPECT_EQ(-1, deviceOnly.alignmentMask);
  EXPECT_EQ(-1, deviceOnly.maxTransfer);

  DriveConnection none = list->Connection(2);
  EXPECT_FALSE(none.Told());
  EXPECT_EQ("", none.bus);
  EXPECT_EQ(-1, none.maxTransfer);
  EXPECT_EQ(-1, none.alignmentMask);
}

TEST(StorageDescriptorTest, EveryBusTypeHasItsWord) {
  const char* const words[] = {"", "SCSI", "ATAPI", "ATA", "IEEE 1394", "SSA", "Fibre Channel", "USB", "RAID",
                               "iSCSI", "SAS", "SATA", "SD", "MMC", "virtual", "file-backed virtual",
                               "Storage Spaces", "NVMe", "SCM", "UFS"};
  for (DWORD type = 0; type < sizeof(words) / sizeof(words[0]); ++type)
    EXPECT_EQ(words[type], StorageBusName(type)) << type;
  EXPECT_EQ("bus type 20", StorageBusName(0x14));
  EXPECT_EQ("bus type 127", StorageBusName(0x7F));
  EXPECT_EQ("bus type 4294967295", StorageBusName(0xFFFFFFFFu));
}

// A device descriptor with every fixed field set to something its
// neighbours are not, and four strings after it.
std::vector<BYTE> DeviceBytes() {
  std::vector<BYTE> bytes(40, 0);
  Put32(bytes, 0, 40);  // Version
  bytes[8] = 0x05;      // DeviceType
  bytes[9] = 0x11;
  bytes[10] = 0x01;
  bytes[11] = 0x01;
  Put32(bytes, 28, 0x0B);  // SATA
  Put32(bytes, 32, 0x09);  // RawPropertiesLength: would be iSCSI one field late
  const char* strings[] = {"VENDOR  ", "PRODUCT NAME    ", "REV1", "  SERIAL9  "};
  for (size_t i = 0; i < 4; ++i) {
    Put32(bytes, 12 + 4 * i, static_cast<DWORD>(bytes.size()));
    bytes.insert(bytes.end(), strings[i], strings[i] + std::strlen(strings[i]) + 1);
  }
  Put32(bytes, 4, static_cast<DWORD>(bytes.size()));
  return bytes;
}

TEST(StorageDescriptorTest, DeviceDescriptorFieldsAreReadAtTheirOffsets) {
  const std::vector<BYTE> bytes = DeviceBytes();
  DriveConnection c;
  ASSERT_TRUE(DecodeDeviceDescriptor(bytes.data(), bytes.size(), &c));
  EXPECT_EQ("VENDOR", c.vendor);
  EXPECT_EQ("PRODUCT NAME", c.product);
  EXPECT_EQ("REV1", c.revision);
  EXPECT_EQ("SERIAL9", c.serial);
  EXPECT_EQ("SATA", c.bus);
  // BusType is a whole DWORD, not its low byte.
  std::vector<BYTE> wide = bytes;
  Put32(wide, 28, 0x0107);
  DriveConnection w;
  ASSERT_TRUE(DecodeDeviceDescriptor(wide.data(), wide.size(), &w));
  EXPECT_EQ("bus type 263", w.bus);
}

TEST(StorageDescriptorTest, DeviceStringsAreReadOnlyWithinTheBytesAndTheSize) {
  const std::vector<BYTE> whole = DeviceBytes();
  const size_t serialAt = whole.size() - std::strlen("  SERIAL9  ") - 1;
  {  // offset 0: absent
    std::vector<BYTE> bytes = whole;
    Put32(bytes, 12, 0);
    DriveConnection c;
    ASSERT_TRUE(DecodeDeviceDescriptor(bytes.data(), bytes.size(), &c));
    EXPECT_EQ("", c.vendor);
    EXPECT_EQ("PRODUCT NAME", c.product);
  }
  {  // an offset past what came back, and one far past it
    std::vector<BYTE> bytes = whole;
    Put32(bytes, 16, static_cast<DWORD>(bytes.size()));
    Put32(bytes, 20, 0xFFFFFFF0u);
    DriveConnection c;
    ASSERT_TRUE(DecodeDeviceDescriptor(bytes.data(), bytes.size(), &c));
    EXPECT_EQ("", c.product);
    EXPECT_EQ("", c.revision);
    EXPECT_EQ("SERIAL9", c.serial);
  }
  {  // the serial number cut off by the returned length: no NUL inside
    DriveConnection c;
    ASSERT_TRUE(DecodeDeviceDescriptor(whole.data(), whole.size() - 1, &c));
    EXPECT_EQ("", c.serial);
    EXPECT_EQ("REV1", c.revision);
  }
  {  // unterminated at the very end of the bytes
    std::vector<BYTE> bytes = whole;
    bytes.back() = 'X';
    DriveConnection c;
    ASSERT_TRUE(DecodeDeviceDescriptor(bytes.data(), bytes.size(), &c));
    EXPECT_EQ("", c.serial);
  }
  {  // Size ends the descriptor before the serial number, though more came
    std::vector<BYTE> bytes = whole;
    Put32(bytes, 4, static_cast<DWORD>(serialAt));
    DriveConnection c;
    ASSERT_TRUE(DecodeDeviceDescriptor(bytes.data(), bytes.size(), &c));
    EXPECT_EQ("", c.serial);
    EXPECT_EQ("REV1", c.revision);
    // Size ending inside the serial's text also hides it.
    Put32(bytes, 4, static_cast<DWORD>(serialAt + 4));
    DriveConnection d;
    ASSERT_TRUE(DecodeDeviceDescriptor(bytes.data(), bytes.size(), &d));
    EXPECT_EQ("", d.serial);
  }
  {  // too short for BusType: no bus, and the strings' offsets unread
    DriveConnection c;
    ASSERT_TRUE(DecodeDeviceDescriptor(whole.data(), 31, &c));
    EXPECT_EQ("", c.bus);
    EXPECT_EQ("", c.vendor);
  }
  DriveConnection none;
  EXPECT_FALSE(DecodeDeviceDescriptor(whole.data(), 7, &none));
  EXPECT_FALSE(DecodeDeviceDescriptor(nullptr, 0, &none));
}

TEST(StorageDescriptorTest, AdapterDescriptorFieldsAreReadAtTheirOffsetsAndWidths) {
  std::vector<BYTE> bytes(32, 0);
  Put32(bytes, 0, 32);
  Put32(bytes, 4, 32);
  Put32(bytes, 8, 0x00020000);   // MaximumTransferLength
  Put32(bytes, 12, 0x00000021);  // MaximumPhysicalPages
  Put32(bytes, 16, 0x00000107);  // AlignmentMask, wider than a byte
  bytes[20] = 1;
  bytes[21] = 2;
  bytes[22] = 3;
  bytes[23] = 4;
  bytes[24] = 7;     // USB
  bytes[25] = 0x01;  // padding a word-wide read would take in
  bytes[26] = 2;     // BusMajorVersion
  DriveConnection c;
  ASSERT_TRUE(DecodeAdapterDescriptor(bytes.data(), bytes.size(), &c));
  EXPECT_EQ(0x20000, c.maxTransfer);
  EXPECT_EQ(0x107, c.alignmentMask);
  EXPECT_EQ("USB", c.adapterBus);
  EXPECT_EQ("", c.bus);

  // Only what came back is read.
  DriveConnection cut;
  ASSERT_TRUE(DecodeAdapterDescriptor(bytes.data(), 24, &cut));
  EXPECT_EQ(0x107, cut.alignmentMask);
  EXPECT_EQ("", cut.adapterBus);
  DriveConnection shorter;
  ASSERT_TRUE(DecodeAdapterDescriptor(bytes.data(), 19, &shorter));
  EXPECT_EQ(0x20000, shorter.maxTransfer);
  EXPECT_EQ(-1, shorter.alignmentMask);
  // Nor past the Size the descriptor gives.
  Put32(bytes, 4, 12);
  DriveConnection sized;
  ASSERT_TRUE(DecodeAdapterDescriptor(bytes.data(), bytes.size(), &sized));
  EXPECT_EQ(0x20000, sized.maxTransfer);
  EXPECT_EQ(-1, sized.alignmentMask);
}

// --- The alignment mask on every command -----------------------------------

const BYTE kAnswer[] = {0x05, 0x80, 0x05, 0x32, 0x1F, 0, 0, 0, 'A', 'L', 'I', 'G', 'N', 'E', 'D'};

driveemu::EmulatedUnit AlignedUnit(DWORD mask) {
  driveemu::EmulatedUnit unit = Drive(0, 0, "A", "B");
  unit.alignmentMask = mask;
  unit.replies[0x12].data.assign(kAnswer, kAnswer + sizeof kAnswer);
  unit.replies[0x55] = driveemu::CommandReply();  // MODE SELECT(10): taken
  return unit;
}

DriveCommand Command(BYTE opcode, DriveCommand::Direction direction, BYTE* buffer, size_t length) {
  DriveCommand command;
  std::memset(&command, 0, sizeof command);
  command.cdb[0] = opcode;
  command.cdbLength = opcode == 0x12 ? 6 : 10;
  if (opcode == 0x12) command.cdb[4] = static_cast<BYTE>(length);
  command.direction = direction;
  command.buffer = buffer;
  command.length = length;
  command.timeoutSeconds = 10;
  command.senseRoom = 18;
  return command;
}

TEST_F(ConnectionTest, AMisalignedBufferIsCarriedThroughAnAlignedOneBothWays) {
  for (DWORD mask : {1u, 3u, 7u}) {
    Discover(Profile({AlignedUnit(mask)}));
    alignas(16) BYTE room[64];
    std::memset(room, 0xEE, sizeof room);
    BYTE* odd = room + 1;  // misaligned under every mask here
    CommandOutcome in = list->Execute(0, Command(0x12, DriveCommand::kFromDrive, odd, 32));
    ASSERT_EQ(CommandOutcome::kGood, in.kind()) << mask;
    const ScsiPassThroughDirect& sent = os->passThroughRequests.back();
    EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(sent.DataBuffer) & mask) << mask;
    EXPECT_EQ(0, std::memcmp(odd, kAnswer, sizeof kAnswer)) << mask;
    // Only the bytes the drive moved come back; the rest stay as they were.
    EXPECT_EQ(static_cast<long>(sizeof kAnswer), in.transferred);
    EXPECT_EQ(0xEE, odd[sizeof kAnswer]) << mask;
    EXPECT_EQ(0xEE, room[0]) << mask;

    BYTE parameters[12];
    for (size_t i = 0; i < sizeof parameters; ++i) parameters[i] = static_cast<BYTE>(0xA0 + i);
    std::memcpy(odd, parameters, sizeof parameters);
    CommandOutcome out = list->Execute(0, Command(0x55, DriveCommand::kToDrive, odd, sizeof parameters));
    ASSERT_EQ(CommandOutcome::kGood, out.kind()) << mask;
    EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(os->passThroughRequests.back().DataBuffer) & mask);
    ASSERT_EQ(1u, os->passThroughDataOut.size());
    EXPECT_EQ(std::vector<BYTE>(parameters, parameters + sizeof parameters), os->passThroughDataOut[0]) << mask;
  }
}

TEST_F(ConnectionTest, ABufferNeedingNoCopyReachesTheSystemItself) {
  alignas(16) BYTE room[64];
  Discover(Profile({AlignedUnit(0)}));
  ASSERT_EQ(CommandOutcome::kGood, list->Execute(0, Command(0x12, DriveCommand::kFromDrive, room + 1, 32)).kind());
  EXPECT_EQ(static_cast<void*>(room + 1), os->passThroughRequests.back().DataBuffer);

  Discover(Profile({AlignedUnit(3)}));
  ASSERT_EQ(CommandOutcome::kGood, list->Execute(0, Command(0x12, DriveCommand::kFromDrive, room + 4, 32)).kind());
  EXPECT_EQ(static_cast<void*>(room + 4), os->passThroughRequests.back().DataBuffer);
  EXPECT_EQ(0, std::memcmp(room + 4, kAnswer, sizeof kAnswer));
}

// Bytes past those the system returned are not read, though the
// descriptor's Size claims them; a mask beyond a page is a driver's
// mistake and is not kept to.
TEST_F(ConnectionTest, WhatTheSystemDidNotReturnIsNotReadAndAnOversizedMaskIsIgnored) {
  driveemu::EmulatedUnit unit = AlignedUnit(0);
  std::vector<BYTE> device = DeviceBytes();
  Put32(device, 4, 64);  // Size: more than the 28 bytes that come
  device.resize(28);
  unit.deviceDescriptor = device;
  std::vector<BYTE> adapter(32, 0);
  Put32(adapter, 0, 32);
  Put32(adapter, 4, 32);
  Put32(adapter, 16, 0x1FFF);
  unit.adapterDescriptor = adapter;
  Discover(Profile({unit}));
  const DriveConnection connection = list->Connection(0);
  EXPECT_EQ("", connection.bus);
  EXPECT_EQ(0x1FFF, connection.alignmentMask);
  alignas(16) BYTE room[64];
  ASSERT_EQ(CommandOutcome::kGood, list->Execute(0, Command(0x12, DriveCommand::kFromDrive, room + 1, 32)).kind());
  EXPECT_EQ(static_cast<void*>(room + 1), os->passThroughRequests.back().DataBuffer);
}

TEST_F(ConnectionTest, TheStandInRefusesAMisalignedBufferAsWindowsDoes) {
  Discover(Profile({AlignedUnit(3)}));
  alignas(16) BYTE room[64];
  ScsiPassThroughRecord record;
  FillPassThroughRecord(&record, Command(0x12, DriveCommand::kFromDrive, room + 2, 32));
  DWORD returned = 0;
  EXPECT_FALSE(Win().DeviceIoControl(os->DriveHandle(0), kIoctlScsiPassThroughDirect, &record, sizeof record, &record,
                                     sizeof record, &returned, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), Win().GetLastError());
}

TEST_F(ConnectionTest, TheAdapterIsAskedOncePerHandle) {
  Discover(Profile({AlignedUnit(1), Drive(0, 1, "C", "D")}));
  EXPECT_EQ(2, AdapterQueries());
  alignas(16) BYTE room[64];
  for (int i = 0; i < 3; ++i) list->Execute(0, Command(0x12, DriveCommand::kFromDrive, room + 1, 32));
  list->Connection(0);
  list->Connection(1);
  EXPECT_EQ(2, AdapterQueries());

  // A handle closed is forgotten: opened again, it is asked again.
  DrivePort& port = Drives();
  OpenedDrive first = port.Open(StandInPlatform::InterfacePath(0));
  EXPECT_EQ(3, AdapterQueries());
  port.Close(first.handle);
  OpenedDrive second = port.Open(StandInPlatform::InterfacePath(0));
  EXPECT_EQ(4, AdapterQueries());
  port.Execute(second.handle, Command(0x12, DriveCommand::kFromDrive, room + 1, 32));
  EXPECT_EQ(4, AdapterQueries());
  port.Close(second.handle);
}

// --- ASPI's host adapter inquiry ---------------------------------------------

TEST_F(ConnectionTest, AspiAsksItsAdapterAndDecodesTheInquiry) {
  Discover(Parsed("host-adapter 1 \"QUILL MGR\" \"  PCI IDE  \" 0103 16909060\n"
                  "device 0 0 0\n"
                  "device 1 2 0\n"),
           true);
  ASSERT_EQ(2, list->GetCount());
  DriveConnection c = list->Connection(1);
  ASSERT_EQ(1u, os->aspiInquiries.size());
  SRB_HAInquiry sent;
  std::memcpy(&sent, os->aspiInquiries[0].data(), sizeof sent);
  EXPECT_EQ(SC_HA_INQUIRY, sent.SRB_Cmd);
  EXPECT_EQ(1, sent.SRB_HaId);
  EXPECT_EQ(0, sent.SRB_Flags);

  EXPECT_EQ("ASPI host adapter inquiry", c.source);
  EXPECT_EQ("QUILL MGR", c.aspiManager);
  EXPECT_EQ("PCI IDE", c.aspiAdapter);
  EXPECT_EQ(0x0103, c.alignmentMask);       // a word: both bytes
  EXPECT_EQ(0x01020304, c.maxTransfer);     // a double word at byte 4, after the target count
  EXPECT_EQ("", c.bus);
  EXPECT_EQ("", c.adapterBus);
  EXPECT_EQ(0u, os->propertyQueries.size());

  // Adapter 0 has no line of its own: the defaults.
  DriveConnection first = list->Connection(0);
  EXPECT_EQ("EMULATED ASPI", first.aspiManager);
  EXPECT_EQ(0, first.alignmentMask);
}

// A library whose inquiry answer the test writes byte by byte.
SRB_HAInquiry g_answer;
DWORD ASPI_CALL ScriptedSend(void* srb) {
  SRB_HAInquiry* block = static_cast<SRB_HAInquiry*>(srb);
  const BYTE adapter = block->SRB_HaId;
  std::memcpy(block, &g_answer, sizeof g_answer);
  block->SRB_HaId = adapter;
  return block->SRB_Status;
}

TEST(AspiConnectionTest, StringsKeepPrintableCharactersUpToTheirNulAndTheBusIsNeverGuessed) {
  std::memset(&g_answer, 0, sizeof g_answer);
  g_answer.SRB_Status = SS_COMP;
  std::memcpy(g_answer.HA_ManagerId, "AB\x01" "C\0XYZ", 7);
  std::memcpy(g_answer.HA_Identifier, "USB 1394 BRIDGE!", 16);  // all 16, no NUL
  const BYTE unique[8] = {0x07, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00};
  std::memcpy(g_answer.HA_Unique, unique, sizeof unique);
  g_answer.HA_Rsvd1 = 0xFFFF;
  DriveConnection c = AspiConnection(&ScriptedSend, 3);
  EXPECT_EQ("ABC", c.aspiManager);
  EXPECT_EQ("USB 1394 BRIDGE!", c.aspiAdapter);
  EXPECT_EQ(7, c.alignmentMask);
  EXPECT_EQ(0x10000, c.maxTransfer);
  EXPECT_EQ("", c.bus);
  EXPECT_FALSE(c.Bridged());
}

TEST_F(ConnectionTest, AnAspiRefusalOrNoLibraryTellsNothing) {
  std::memset(&g_answer, 0, sizeof g_answer);
  g_answer.SRB_Status = SS_INVALID_HA;
  std::memcpy(g_answer.HA_ManagerId, "STALE", 5);
  EXPECT_FALSE(AspiConnection(&ScriptedSend, 0).Told());
  EXPECT_FALSE(AspiConnection(nullptr, 0).Told());

  // The emulated library refuses an adapter it does not have.
  Discover(Profile({Drive(0, 0, "A", "B")}), true);
  ASSERT_EQ(1, list->GetCount());
  PFN_SendASPI32Command send = EntryPointCast<PFN_SendASPI32Command>(
      Win().GetProcAddress(Win().LoadLibraryA("WNASPI32"), "SendASPI32Command"));
  EXPECT_FALSE(AspiConnection(send, 1).Told());
  EXPECT_TRUE(AspiConnection(send, 0).Told());
}

TEST(ConnectionProfileTest, MalformedKeysAreRefused) {
  for (const char* text : {"device 0 0 0\n  storage-fails both\n", "device 0 0 0\n  storage-bus 7\n",
                           "device 0 0 0\n  alignment-mask x\n", "device 0 0 0\n  storage-strings \"A\" \"B\"\n",
                           "host-adapter 0 \"MANAGER NAME TOO LONG\" \"ID\" 0 65536\n",
                           "host-adapter 0 \"M\" \"ID\" 10000 65536\n"}) {
    driveemu::DriveProfile profile;
    std::string error;
    EXPECT_FALSE(driveemu::ParseProfile(text, &profile, &error)) << text;
  }
}

}  // namespace
