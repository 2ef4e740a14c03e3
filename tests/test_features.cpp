// The decoders of the report's detail beyond the capabilities page: every
// feature of GET CONFIGURATION, GET PERFORMANCE, the rest of INQUIRY and
// the sense in words; against answers built from MMC's tables for drives of
// three generations, and against answers that are cut short or contradict
// their own lengths.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "interrogation/features.h"
#include "interrogation/inquiry_detail.h"
#include "interrogation/performance.h"
#include "interrogation/sense_words.h"
#include "tools/driveemu/drive_model.h"

namespace {

using Bytes = std::vector<unsigned char>;
using driveemu::FeatureDescriptor;

const unsigned char kPersistentCurrent = 0x03;
const unsigned char kCurrent = 0x01;

// A GET CONFIGURATION answer: the header with its data length, then the
// descriptors.
Bytes Configuration(unsigned current, const std::vector<Bytes>& features) {
  Bytes answer(8, 0);
  answer[6] = static_cast<unsigned char>(current >> 8);
  answer[7] = static_cast<unsigned char>(current);
  for (const Bytes& feature : features) answer.insert(answer.end(), feature.begin(), feature.end());
  const size_t length = answer.size() - 4;
  for (int i = 0; i < 4; ++i) answer[static_cast<size_t>(i)] = static_cast<unsigned char>(length >> (24 - 8 * i));
  return answer;
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

FeatureList Decode(const Bytes& answer) { return DecodeFeatures(answer.data(), answer.size()); }

const Feature* Find(const FeatureList& list, int code) {
  for (const Feature& feature : list.features)
    if (feature.code == code) return &feature;
  return nullptr;
}

// A field's value as the text form gives it, or "(absent)".
std::string Field(const FeatureList& list, int code, const std::string& key) {
  const Feature* feature = Find(list, code);
  if (feature == nullptr) return "(no feature)";
  for (const FeatureField& field : feature->fields) {
    if (key != field.key) continue;
    if (field.kind == FeatureField::kFlag) return field.number ? "yes" : "no";
    if (field.kind == FeatureField::kNumber) return std::to_string(field.number);
    if (field.kind == FeatureField::kText) return field.text;
    std::string list;
    for (long n : field.numbers) list += (list.empty() ? "" : ",") + std::to_string(n);
    return "[" + list + "]";
  }
  return "(absent)";
}

std::vector<int> Codes(const FeatureList& list) {
  std::vector<int> codes;
  for (const Feature& feature : list.features) codes.push_back(feature.code);
  return codes;
}

// An MMC-2 CD-RW writer on ATAPI, recording a CD-RW.
Bytes CdRwWriter() {
  return Configuration(0x000A, {FeatureDescriptor(0x0000, kPersistentCurrent, {0x00, 0x08, 0x00, 0, 0x00, 0x09, 0x00, 0,
                                                                                0x00, 0x0A, 0x01, 0}),
                                FeatureDescriptor(0x0001, kPersistentCurrent, {0, 0, 0, 2}),
                                FeatureDescriptor(0x0002, kPersistentCurrent, {0x00, 0, 0, 0}),
                                FeatureDescriptor(0x0003, kPersistentCurrent, {0x29, 0, 0, 0}),
                                FeatureDescriptor(0x0010, kCurrent, {0, 0, 0x08, 0, 0, 1, 0, 0}),
                                FeatureDescriptor(0x001E, kCurrent, {0x03, 0, 0, 0}),
                                FeatureDescriptor(0x0021, 0x04 | kCurrent, {0x00, 0x01, 0x01, 1, 7, 0, 0, 0}),
                                FeatureDescriptor(0x002D, kCurrent, {0x46, 0, 0x00, 0x01}),
                                FeatureDescriptor(0x002E, kCurrent, {0x7F, 0x00, 0x0D, 0x80}),
                                FeatureDescriptor(0x0103, kPersistentCurrent, {0x03, 0, 0x01, 0x00})});
}

// An MMC-5 DVD+-RW writer on Serial ATA with a DVD+R in it.
Bytes DvdWriter() {
  return Configuration(0x001B, {FeatureDescriptor(0x0000, kPersistentCurrent, {0x00, 0x1B, 0x01, 0, 0x00, 0x1A, 0x00, 0,
                                                                                0x00, 0x10, 0x00, 0}),
                                FeatureDescriptor(0x0001, 0x08 | kPersistentCurrent, {0, 0, 0, 7, 0x01, 0, 0, 0}),
                                FeatureDescriptor(0x001F, 0x04 | kCurrent, {0x01, 0, 0x03, 0}),
                                FeatureDescriptor(0x002A, 0, {0x01, 0x02, 0, 0}),
                                FeatureDescriptor(0x002B, kCurrent, {0x01, 0, 0, 0}),
                                FeatureDescriptor(0x002F, 0x04, {0x4E, 0, 0, 0}),
                                FeatureDescriptor(0x003B, 0, {0x01, 0, 0, 0}),
                                FeatureDescriptor(0x0107, kPersistentCurrent, {0x1F, 0, 0, 0}),
                                FeatureDescriptor(0x0108, kPersistentCurrent, Text("K2N1234567  ")),
                                FeatureDescriptor(0x010C, kPersistentCurrent, Text("20061103123456\0\0"))});
}

// A BD writer behind a USB bridge, without a disc; its BD Write descriptor
// is 20 bytes long, as real writers send it beside the 28 of the standard.
Bytes BdWriterBehindUsb() {
  Bytes bdRead(28, 0), bdWrite(20, 0);
  bdRead[0] = 0x01;                        // BCA
  bdRead[5] = 0x0E, bdRead[13] = 0x0E;     // BD-RE class 0 versions 1-3, BD-R class 0
  bdRead[21] = 0x02;                       // BD-ROM class 0 version 1
  bdWrite[5] = 0x06, bdWrite[13] = 0x06;
  return Configuration(0x0000, {FeatureDescriptor(0x0000, kPersistentCurrent, {0x00, 0x43, 0x00, 0, 0x00, 0x41, 0x00, 0,
                                                                                0x00, 0x40, 0x00, 0}),
                                FeatureDescriptor(0x0001, 0x08 | kPersistentCurrent, {0, 0, 0, 8, 0x00, 0, 0, 0}),
                                FeatureDescriptor(0x0040, 0x04, bdRead),
                                FeatureDescriptor(0x0041, 0x08, bdWrite),
                                FeatureDescriptor(0x010C, kPersistentCurrent, Text("BD-W 1.02 2019")),
                                FeatureDescriptor(0x010D, 0x08 | kPersistentCurrent, {0x17, 0x10, 0x04, 0x02}),
                                FeatureDescriptor(0xFF01, 0, {0xDE, 0xAD, 0xBE, 0xEF})});
}

TEST(FeaturesTest, ACdRwWriterOfMmc2) {
  FeatureList list = Decode(CdRwWriter());
  ASSERT_TRUE(list.decoded);
  EXPECT_TRUE(list.notes.empty()) << list.notes[0];
  EXPECT_EQ(0x000A, list.currentProfile);
  EXPECT_EQ((std::vector<int>{0x0000, 0x0001, 0x0002, 0x0003, 0x0010, 0x001E, 0x0021, 0x002D, 0x002E, 0x0103}),
            Codes(list));
  EXPECT_STREQ("Core", Find(list, 0x0001)->name);
  EXPECT_TRUE(Find(list, 0x0001)->persistent);
  EXPECT_EQ("ATAPI", Field(list, 0x0001, "physical_interface"));
  EXPECT_EQ("(absent)", Field(list, 0x0001, "dbe"));  // a Core descriptor of 4 data bytes holds no DBE
  EXPECT_EQ("tray", Field(list, 0x0003, "loading_mechanism"));
  EXPECT_EQ("yes", Field(list, 0x0003, "eject"));
  EXPECT_EQ("yes", Field(list, 0x0003, "lock"));
  EXPECT_EQ("2048", Field(list, 0x0010, "block_size"));
  EXPECT_EQ("yes", Field(list, 0x001E, "c2_flags"));
  EXPECT_EQ("yes", Field(list, 0x001E, "cd_text"));
  EXPECT_EQ("no", Field(list, 0x001E, "dap"));
  EXPECT_EQ(1, Find(list, 0x0021)->version);
  EXPECT_EQ("[7]", Field(list, 0x0021, "link_sizes"));
  EXPECT_EQ("yes", Field(list, 0x0021, "buf"));
  EXPECT_EQ("yes", Field(list, 0x002D, "buf"));
  EXPECT_EQ("yes", Field(list, 0x002D, "test_write"));
  EXPECT_EQ("yes", Field(list, 0x002E, "sao"));
  EXPECT_EQ("yes", Field(list, 0x002E, "raw"));
  EXPECT_EQ("3456", Field(list, 0x002E, "max_cue_sheet_length"));
  EXPECT_EQ("256", Field(list, 0x0103, "volume_levels"));
}

TEST(FeaturesTest, ADvdWriterOfMmc5) {
  FeatureList list = Decode(DvdWriter());
  ASSERT_TRUE(list.notes.empty()) << list.notes[0];
  EXPECT_EQ("Serial ATAPI", Field(list, 0x0001, "physical_interface"));
  EXPECT_EQ("yes", Field(list, 0x0001, "dbe"));
  EXPECT_EQ("yes", Field(list, 0x001F, "multi110"));
  EXPECT_EQ("yes", Field(list, 0x001F, "dual_layer_dvd_r"));
  EXPECT_EQ("yes", Field(list, 0x001F, "dual_layer_dvd_rw"));
  EXPECT_EQ("yes", Field(list, 0x002A, "quick_start"));
  EXPECT_STREQ("DVD+R Dual Layer", Find(list, 0x003B)->name);
  EXPECT_EQ("yes", Field(list, 0x002F, "rdl"));
  EXPECT_EQ("yes", Field(list, 0x002F, "dvd_rw_sl"));
  EXPECT_EQ("K2N1234567", Field(list, 0x0108, "serial_number"));
  EXPECT_EQ("2006-11-03 12:34:56", Field(list, 0x010C, "firmware_date"));
  EXPECT_EQ("yes", Field(list, 0x0107, "wspd"));
}

// A flag is its own bit alone, whatever its neighbours hold.
TEST(FeaturesTest, FlagsBesideSetBits) {
  const Bytes core = {0, 0, 0, 2, 0x02, 0, 0, 0};  // ATAPI; INQ2 set, DBE clear
  const FeatureList list = Decode(Configuration(0, {FeatureDescriptor(0x0001, kPersistentCurrent, core)}));
  EXPECT_EQ("no", Field(list, 0x0001, "dbe"));
  EXPECT_EQ("yes", Field(list, 0x0001, "inq2"));
}

// Every one-bit field of every decoded feature, from MMC's tables
// (written apart from the decoder's): set alone it reads yes and every other
// flag of its feature no; it is there in a descriptor that ends at its byte
// and absent from one that ends a byte before.
TEST(FeaturesTest, EveryFlagOfEveryFeatureFromItsOwnBit) {
  const struct {
    int code;
    const char* key;
    size_t byte;  // in the descriptor, header included
    int bit;
  } flags[] = {
      {0x0001, "dbe", 8, 0},          {0x0001, "inq2", 8, 1},          {0x0002, "async", 4, 0},
      {0x0002, "oc_event", 4, 1},     {0x0003, "lock", 4, 0},          {0x0003, "dbml", 4, 1},
      {0x0003, "prevent_jumper", 4, 2}, {0x0003, "eject", 4, 3},       {0x0003, "load", 4, 4},
      {0x0004, "sswpp", 4, 0},        {0x0004, "spwp", 4, 1},          {0x0004, "wdcb", 4, 2},
      {0x0004, "dwp", 4, 3},          {0x0010, "pp", 10, 0},           {0x001E, "cd_text", 4, 0},
      {0x001E, "c2_flags", 4, 1},     {0x001E, "dap", 4, 7},           {0x001F, "multi110", 4, 0},
      {0x001F, "dual_layer_dvd_r", 6, 0}, {0x001F, "dual_layer_dvd_rw", 6, 1}, {0x0020, "pp", 14, 0},
      {0x0021, "buf", 6, 0},          {0x0021, "arsv", 6, 1},          {0x0021, "trio", 6, 2},
      {0x0023, "cert", 4, 0},         {0x0023, "qcert", 4, 1},         {0x0023, "expand", 4, 2},
      {0x0023, "renosa", 4, 3},       {0x0023, "rrm", 8, 0},           {0x0024, "ssa", 4, 7},
      {0x0025, "pp", 10, 0},          {0x0028, "cd_mrw_write", 4, 0},  {0x0028, "dvd_plus_mrw_read", 4, 1},
      {0x0028, "dvd_plus_mrw_write", 4, 2}, {0x0029, "drt_dm", 4, 0},  {0x002A, "write", 4, 0},
      {0x002A, "close_only", 5, 0},   {0x002A, "quick_start", 5, 1},   {0x002B, "write", 4, 0},
      {0x002C, "blank", 4, 0},        {0x002C, "intermediate", 4, 1},  {0x002C, "dsdr", 4, 2},
      {0x002C, "dsdg", 4, 3},         {0x002D, "rw_subcode", 4, 0},    {0x002D, "cd_rw", 4, 1},
      {0x002D, "test_write", 4, 2},   {0x002D, "rw_pack", 4, 3},       {0x002D, "rw_raw", 4, 4},
      {0x002D, "buf", 4, 6},          {0x002E, "rw", 4, 0},            {0x002E, "cd_rw", 4, 1},
      {0x002E, "test_write", 4, 2},   {0x002E, "raw", 4, 3},           {0x002E, "raw_multisession", 4, 4},
      {0x002E, "sao", 4, 5},          {0x002E, "buf", 4, 6},           {0x002F, "dvd_rw_sl", 4, 1},
      {0x002F, "test_write", 4, 2},   {0x002F, "rdl", 4, 3},           {0x002F, "buf", 4, 6},
      {0x003A, "write", 4, 0},        {0x003A, "close_only", 5, 0},    {0x003A, "quick_start", 5, 1},
      {0x003B, "write", 4, 0},        {0x0040, "bca", 4, 0},           {0x0041, "svnr", 4, 0},
      {0x0050, "hd_dvd_r", 4, 0},     {0x0050, "hd_dvd_ram", 6, 0},    {0x0051, "hd_dvd_r", 4, 0},
      {0x0051, "hd_dvd_ram", 6, 0},   {0x0080, "ri", 4, 0},            {0x0101, "pp", 4, 0},
      {0x0102, "sdp", 4, 2},          {0x0102, "scc", 4, 4},           {0x0103, "sv", 4, 0},
      {0x0103, "scm", 4, 1},          {0x0103, "scan", 4, 2},          {0x0104, "m5", 4, 0},
      {0x0105, "group3", 4, 0},       {0x0107, "sw", 4, 0},            {0x0107, "wspd", 4, 1},
      {0x0107, "mp2a", 4, 2},         {0x0107, "scs", 4, 3},           {0x0107, "rbcb", 4, 4},
      {0x0107, "smp", 4, 5},          {0x010D, "bng", 4, 0},           {0x010D, "bec", 4, 1},
      {0x010D, "wbe", 4, 2},          {0x010D, "rmc", 4, 3},           {0x010D, "rdc", 4, 4},
      {0x0142, "me", 4, 0},           {0x0142, "lospb", 4, 6},         {0x0142, "psau", 4, 7},
  };
  for (const auto& flag : flags) {
    SCOPED_TRACE(testing::Message() << std::hex << flag.code << " " << flag.key);
    Bytes data(28, 0);
    data[flag.byte - 4] = static_cast<unsigned char>(1 << flag.bit);
    const FeatureList list = Decode(Configuration(0, {FeatureDescriptor(flag.code, kCurrent, data)}));
    for (const auto& other : flags) {
      if (other.code != flag.code) continue;
      EXPECT_EQ(std::string(other.key) == flag.key ? "yes" : "no", Field(list, other.code, other.key)) << other.key;
    }
    for (size_t length : {flag.byte + 1 - 4, flag.byte - 4}) {
      const Bytes cut(data.begin(), data.begin() + static_cast<long>(length));
      const FeatureList shorter = Decode(Configuration(0, {FeatureDescriptor(flag.code, kCurrent, cut)}));
      EXPECT_EQ(length > flag.byte - 4 ? "yes" : "(absent)", Field(shorter, flag.code, flag.key)) << length;
    }
  }
}

// Every number of every decoded feature, from its own bytes: each byte of
// the descriptor a value of its own, so that a field read a byte early or
// late, or too wide or too narrow, reads another number; bytes of 7Fh give
// the field's width (and stay within 31 bits, as a long holds on every
// system); a descriptor a byte short of the field leaves it absent.
TEST(FeaturesTest, EveryNumberOfEveryFeatureFromItsOwnBytes) {
  const struct {
    int code;
    const char* key;
    size_t offset;  // in the descriptor, header included
    size_t width;   // bytes
    unsigned mask;  // within its one byte; 0: the whole bytes
  } numbers[] = {
      {0x0010, "block_size", 4, 4, 0},         {0x0010, "blocking", 8, 2, 0},
      {0x0020, "last_lba", 4, 4, 0},           {0x0020, "block_size", 8, 4, 0},
      {0x0020, "blocking", 12, 2, 0},          {0x0021, "data_block_types", 4, 2, 0},
      {0x0025, "block_size", 4, 4, 0},         {0x0025, "blocking", 8, 2, 0},
      {0x0029, "dbi_cache_zones", 5, 1, 0},    {0x0029, "entries", 6, 2, 0},
      {0x002D, "data_types", 6, 2, 0},         {0x002E, "max_cue_sheet_length", 5, 3, 0},
      {0x0102, "highest_slot", 7, 1, 0x1F},    {0x0103, "volume_levels", 6, 2, 0},
      {0x0105, "unit_length", 6, 2, 0},        {0x0106, "css_version", 7, 1, 0},
      {0x010B, "cprm_version", 7, 1, 0},       {0x010D, "binding_nonce_blocks", 5, 1, 0},
      {0x010D, "agids", 6, 1, 0x0F},           {0x010D, "aacs_version", 7, 1, 0},
      {0x010E, "max_scramble_extents", 4, 1, 0},
  };
  for (const auto& n : numbers) {
    SCOPED_TRACE(testing::Message() << std::hex << n.code << " " << n.key);
    Bytes distinct(24), ones(24, 0x7F);
    for (size_t i = 0; i < distinct.size(); ++i) distinct[i] = static_cast<unsigned char>(0x40 + 4 + i);
    unsigned long value = 0, all = 0;
    for (size_t i = 0; i < n.width; ++i) value = (value << 8) | (0x40 + n.offset + i), all = (all << 8) | 0x7F;
    if (n.mask != 0) value &= n.mask, all &= n.mask;
    EXPECT_EQ(std::to_string(value), Field(Decode(Configuration(0, {FeatureDescriptor(n.code, 0, distinct)})), n.code, n.key));
    EXPECT_EQ(std::to_string(all), Field(Decode(Configuration(0, {FeatureDescriptor(n.code, 0, ones)})), n.code, n.key));
    for (size_t length : {n.offset + n.width - 4, n.offset + n.width - 5}) {
      const Bytes cut(distinct.begin(), distinct.begin() + static_cast<long>(length));
      const std::string got = Field(Decode(Configuration(0, {FeatureDescriptor(n.code, 0, cut)})), n.code, n.key);
      EXPECT_EQ(length == n.offset + n.width - 4 ? std::to_string(value) : "(absent)", got) << length;
    }
  }
}

// The lists of numbers: each from its own count and offset.
TEST(FeaturesTest, EveryListOfEveryFeatureFromItsCountAndOffset) {
  const struct {
    int code;
    Bytes data;  // after the 4-byte header
    const char* key;
    const char* list;
  } cases[] = {
      {0x0021, {0, 0, 0, 2, 7, 16, 0, 0}, "link_sizes", "[7,16]"},
      {0x0033, {0, 0, 0, 3, 1, 7, 16, 0}, "link_sizes", "[1,7,16]"},
      {0x0037, {0, 0xA5, 0, 0}, "subtypes", "[0,2,5,7]"},
      {0x0142, {0, 2, 0x00, 0x1B, 0x00, 0x2B, 0, 0}, "profiles", "[27,43]"},
      {0x010A, {0x46, 0x44, 0x43, 0x00, 0x01, 0x02, 0x03, 0x04}, "dcb_identifiers", "[1178878720,16909060]"},
      {0x0040, {1, 0, 0, 0, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8, 0, 9, 0, 10, 0, 11, 0, 12},
       "bd_re_classes", "[1,2,3,4]"},
      {0x0040, {1, 0, 0, 0, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8, 0, 9, 0, 10, 0, 11, 0, 12},
       "bd_r_classes", "[5,6,7,8]"},
      {0x0040, {1, 0, 0, 0, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8, 0, 9, 0, 10, 0, 11, 0, 12},
       "bd_rom_classes", "[9,10,11,12]"},
      {0x0041, {0, 0, 0, 0, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8}, "bd_r_classes", "[5,6,7,8]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.code << " " << c.key);
    EXPECT_EQ(c.list, Field(Decode(Configuration(0, {FeatureDescriptor(c.code, 0, c.data)})), c.code, c.key));
  }
}

// MMC's names, those of the features without a decoder among them.
TEST(FeaturesTest, FeatureNamesAsMmcGivesThem) {
  const struct {
    int code;
    const char* name;
  } names[] = {{0x0000, "Profile List"},
               {0x002F, "DVD-R/-RW Write"},
               {0x0030, "DDCD Read"},
               {0x0031, "DDCD-R Write"},
               {0x0032, "DDCD-RW Write"},
               {0x0033, "Layer Jump Recording"},
               {0x0034, "Layer Jump Rigid Restricted Overwrite"},
               {0x0035, "Stop Long Operation"},
               {0x0036, "unknown"},
               {0x0051, "HD DVD Write"},
               {0x0052, "HD DVD-RW Fragment Recording"},
               {0x0053, "unknown"},
               {0xFEFF, "unknown"},
               {0xFF00, "vendor specific"}};
  for (const auto& n : names) EXPECT_STREQ(n.name, FeatureName(n.code)) << n.code;
}

// A firmware date only when every field of it is one: each at its bound,
// and one past it.
TEST(FeaturesTest, FirmwareDatesAtTheirBounds) {
  const struct {
    const char* text;
    const char* date;  // "(absent)": shown as text
  } cases[] = {
      {"20061231235959", "2006-12-31 23:59:59"}, {"20060101000000", "2006-01-01 00:00:00"},
      {"20061301000000", "(absent)"},            {"20060001000000", "(absent)"},
      {"20060132000000", "(absent)"},            {"20060100000000", "(absent)"},
      {"20060101240000", "(absent)"},            {"20060101006000", "(absent)"},
      {"20060101000060", "(absent)"},            {"2006010100000x", "(absent)"},
  };
  for (const auto& c : cases) {
    const FeatureList list = Decode(Configuration(0, {FeatureDescriptor(0x010C, kPersistentCurrent, Text(c.text))}));
    EXPECT_EQ(c.date, Field(list, 0x010C, "firmware_date")) << c.text;
  }
}

TEST(FeaturesTest, ABdWriterBehindUsb) {
  FeatureList list = Decode(BdWriterBehindUsb());
  ASSERT_TRUE(list.notes.empty()) << list.notes[0];
  EXPECT_EQ(0, list.currentProfile);
  EXPECT_EQ("USB", Field(list, 0x0001, "physical_interface"));
  EXPECT_EQ("[14,0,0,0]", Field(list, 0x0040, "bd_re_classes"));
  EXPECT_EQ("[14,0,0,0]", Field(list, 0x0040, "bd_r_classes"));
  EXPECT_EQ("[2,0,0,0]", Field(list, 0x0040, "bd_rom_classes"));
  EXPECT_EQ("[6,0,0,0]", Field(list, 0x0041, "bd_r_classes"));
  EXPECT_EQ("(absent)", Field(list, 0x0041, "bd_rom_classes"));
  // Not a date: the text as it stands.
  EXPECT_EQ("(absent)", Field(list, 0x010C, "firmware_date"));
  EXPECT_EQ("BD-W 1.02 2019", Field(list, 0x010C, "firmware_text"));
  EXPECT_EQ("yes", Field(list, 0x010D, "bng"));
  EXPECT_EQ("yes", Field(list, 0x010D, "rdc"));
  EXPECT_EQ("16", Field(list, 0x010D, "binding_nonce_blocks"));
  EXPECT_EQ("4", Field(list, 0x010D, "agids"));
  EXPECT_EQ("2", Field(list, 0x010D, "aacs_version"));
  const Feature* vendor = Find(list, 0xFF01);
  ASSERT_NE(nullptr, vendor);
  EXPECT_STREQ("vendor specific", vendor->name);
  EXPECT_TRUE(vendor->fields.empty());
  EXPECT_EQ((Bytes{0xDE, 0xAD, 0xBE, 0xEF}), vendor->data);
}

TEST(FeaturesTest, AnswersThatAreCutShortOrContradictTheirLengths) {
  struct Case {
    const char* what;
    Bytes answer;
    size_t received;  // of the answer; 0: all of it
    std::vector<int> codes;
    const char* note;  // among the list's or a feature's notes
  };
  Bytes cd = CdRwWriter();
  Bytes claimsMore = cd;
  claimsMore[3] += 40;  // the data length says 40 bytes more than are there
  Bytes claimsLess = cd;
  claimsLess[3] = static_cast<unsigned char>(claimsLess[3] - 4);  // the last descriptor ends beyond the data length
  Bytes odd = Configuration(0, {FeatureDescriptor(0x0001, 0x03, {0, 0, 0, 2, 1, 0}),
                                FeatureDescriptor(0x001E, 0x01, {0x01, 0, 0, 0})});
  // ASPI tells no length moved: a data length that claims 400 bytes more
  // than the drive sent leaves the buffer's zeros in the answer.
  Bytes zeroed = cd;
  zeroed[2] = static_cast<unsigned char>(zeroed[2] + 1), zeroed[3] = static_cast<unsigned char>(zeroed[3] + 144);
  zeroed.resize(zeroed.size() + 400, 0);
  // Descriptors out of order, and a second Profile List.
  Bytes backwards = Configuration(0, {FeatureDescriptor(0x0000, 0x03, {0x00, 0x08, 0x01, 0}),
                                      FeatureDescriptor(0x0010, 0x01, {0, 0, 0x08, 0, 0, 1, 0, 0}),
                                      FeatureDescriptor(0x0003, 0x03, {0x29, 0, 0, 0})});
  Bytes twice = Configuration(0, {FeatureDescriptor(0x0001, 0x03, {0, 0, 0, 2}),
                                  FeatureDescriptor(0x0001, 0x03, {0, 0, 0, 2})});
  const Case cases[] = {
      {"the data length counts 4 fewer bytes than the answer", cd, 0,
       {0x0000, 0x0001, 0x0002, 0x0003, 0x0010, 0x001E, 0x0021, 0x002D, 0x002E, 0x0103}, nullptr},
      {"the data length beyond what came", claimsMore, 0,
       {0x0000, 0x0001, 0x0002, 0x0003, 0x0010, 0x001E, 0x0021, 0x002D, 0x002E, 0x0103}, "the answer says"},
      {"a descriptor beyond the data length", claimsLess, 0,
       {0x0000, 0x0001, 0x0002, 0x0003, 0x0010, 0x001E, 0x0021, 0x002D, 0x002E, 0x0103}, "cut short"},
      {"the last descriptor cut at the end of what came", cd, cd.size() - 2,
       {0x0000, 0x0001, 0x0002, 0x0003, 0x0010, 0x001E, 0x0021, 0x002D, 0x002E, 0x0103}, "cut short"},
      {"only the last descriptor's header came", cd, cd.size() - 4,
       {0x0000, 0x0001, 0x0002, 0x0003, 0x0010, 0x001E, 0x0021, 0x002D, 0x002E, 0x0103}, "cut short"},
      {"three bytes of a header after the last descriptor", cd, cd.size() - 5,
       {0x0000, 0x0001, 0x0002, 0x0003, 0x0010, 0x001E, 0x0021, 0x002D, 0x002E}, "bytes after the last"},
      {"a length that is no multiple of 4", odd, 0, {0x0001, 0x001E}, "no multiple of 4"},
      {"the zeroed rest of the buffer", zeroed, 0,
       {0x0000, 0x0001, 0x0002, 0x0003, 0x0010, 0x001E, 0x0021, 0x002D, 0x002E, 0x0103},
       "the walk ends at byte 104: feature 0000h is not above 0103h before it, and features ascend"},
      {"a code below the one before", backwards, 0, {0x0000, 0x0010},
       "the walk ends at byte 28: feature 0003h is not above 0010h before it"},
      {"a code equal to the one before", twice, 0, {0x0001}, "the walk ends at byte 16: feature 0001h is not above"},
      {"no features at all", Configuration(0x0008, {}), 0, {}, "no features"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FeatureList list = DecodeFeatures(c.answer.data(), c.received != 0 ? c.received : c.answer.size());
    EXPECT_TRUE(list.decoded);
    EXPECT_EQ(c.codes, Codes(list));
    std::vector<std::string> notes = list.notes;
    for (const Feature& feature : list.features) notes.insert(notes.end(), feature.notes.begin(), feature.notes.end());
    bool found = c.note == nullptr ? notes.empty() : false;
    for (const std::string& note : notes) found = found || (c.note != nullptr && note.find(c.note) != std::string::npos);
    EXPECT_TRUE(found) << (notes.empty() ? "no notes" : notes[0]);
  }
  // The walk's end is the one note: no bytes are left over after it.
  EXPECT_EQ(1u, Decode(zeroed).notes.size());
  // A field is decoded when all of its bytes came, whatever the version says.
  FeatureList oddList = Decode(odd);
  EXPECT_EQ("ATAPI", Field(oddList, 0x0001, "physical_interface"));
  EXPECT_EQ("yes", Field(oddList, 0x0001, "dbe"));  // a version-0 Core, but byte 8 is within its 6 data bytes
  Bytes cut = cd;
  FeatureList lastCut = DecodeFeatures(cut.data(), cut.size() - 2);
  EXPECT_EQ("(absent)", Field(lastCut, 0x0103, "volume_levels"));  // bytes 6-7, of which one came
  EXPECT_EQ("yes", Field(lastCut, 0x0103, "sv"));
  // No header, no decoding; an answer that says it is shorter than its header.
  EXPECT_FALSE(DecodeFeatures(cd.data(), 7).decoded);
  Bytes tiny = {0, 0, 0, 2, 0, 0, 0, 8};
  FeatureList shortList = Decode(tiny);
  EXPECT_TRUE(shortList.features.empty());
  EXPECT_NE(std::string::npos, shortList.notes[0].find("leaves no room for the header"));
}

TEST(FeaturesTest, TheWholeAnswersLengthComesFromTheHeader) {
  Bytes header = {0x00, 0x00, 0x01, 0x00, 0, 0, 0, 0};
  EXPECT_EQ(0x104u, ConfigurationLength(header.data(), header.size()));
  header[1] = 0x02;  // beyond what one command can ask for
  EXPECT_EQ(kLargestConfiguration, ConfigurationLength(header.data(), header.size()));
  header = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};  // four gigabytes: no wrap-around
  EXPECT_EQ(kLargestConfiguration, ConfigurationLength(header.data(), header.size()));
  header = {0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(8u, ConfigurationLength(header.data(), header.size()));
  EXPECT_EQ(8u, ConfigurationLength(header.data(), 3));
}

Bytes Performance(unsigned char flags, const std::vector<Bytes>& descriptors) {
  Bytes answer(8, 0);
  answer[4] = flags;
  for (const Bytes& d : descriptors) answer.insert(answer.end(), d.begin(), d.end());
  const size_t length = answer.size() - 4;
  answer[2] = static_cast<unsigned char>(length >> 8);
  answer[3] = static_cast<unsigned char>(length);
  return answer;
}

Bytes Words(unsigned long a, unsigned long b, unsigned long c, unsigned long d) {
  Bytes bytes;
  for (unsigned long word : {a, b, c, d})
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<unsigned char>(word >> shift));
  return bytes;
}

TEST(PerformanceTest, WriteSpeedsAndReadPerformanceWithTheMediumsOneX) {
  // A DVD writer: 4x CLV exact, 8x CAV; read performance from 6x to 16x.
  Bytes speeds = Performance(0, {Words(0x02000000, 2295103, 11080, 5540), Words(0x08000000, 2295103, 22160, 11080)});
  PerformanceAnswer w = DecodeWriteSpeeds(speeds.data(), speeds.size());
  ASSERT_EQ(2u, w.writeSpeeds.size());
  EXPECT_TRUE(w.notes.empty());
  EXPECT_TRUE(w.writeSpeeds[0].exact);
  EXPECT_EQ(0, w.writeSpeeds[0].wrc);
  EXPECT_EQ(1, w.writeSpeeds[1].wrc);
  EXPECT_EQ(2295103u, w.writeSpeeds[1].endLba);
  EXPECT_EQ(11080u, w.writeSpeeds[1].writeSpeed);
  const Medium dvd = MediumOf(0x001B);
  EXPECT_EQ("5540 kB/s (4.0x DVD)", MediumSpeedText(w.writeSpeeds[0].writeSpeed, dvd));
  EXPECT_EQ("7056 kB/s (40.0x CD)", MediumSpeedText(7056, MediumOf(0x0009)));
  EXPECT_EQ("17980 kB/s (4.0x BD)", MediumSpeedText(17980, MediumOf(0x0043)));
  EXPECT_EQ("7056 kB/s", MediumSpeedText(7056, MediumOf(0)));  // no disc: no medium
  // Each medium's profiles, at both ends of their ranges and one past.
  const struct {
    long profile;
    const char* medium;
  } media[] = {{0x07, ""},    {0x08, "CD"},  {0x0A, "CD"},  {0x0B, ""},    {0x0F, ""},  {0x10, "DVD"},
               {0x1B, "DVD"}, {0x1C, ""},    {0x2A, "DVD"}, {0x2B, "DVD"}, {0x3F, ""},  {0x40, "BD"},
               {0x43, "BD"},  {0x44, ""}};
  for (const auto& m : media) EXPECT_EQ(m.medium, MediumOf(m.profile).name) << m.profile;

  Bytes reading = Performance(0x00, {Words(0, 8310, 2295103, 22160)});
  PerformanceAnswer r = DecodePerformance(reading.data(), reading.size());
  ASSERT_EQ(1u, r.performance.size());
  EXPECT_FALSE(r.write);
  EXPECT_EQ(8310u, r.performance[0].startSpeed);
  EXPECT_EQ(2295103u, r.performance[0].endLba);
}

// A data length of FFFFFFFFh counts past 32 bits with its own four bytes;
// a Windows long would wrap it.
TEST(PerformanceTest, TheLargestDataLengthsAreToldWhole) {
  const Bytes header = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
  const std::string told = "the answer says 4294967299 bytes, 8 came";
  EXPECT_EQ(told, DecodeWriteSpeeds(header.data(), header.size()).notes.at(0));
  FeatureList features = DecodeFeatures(header.data(), header.size());
  EXPECT_NE(features.notes.end(), std::find(features.notes.begin(), features.notes.end(), told));
}

TEST(PerformanceTest, AnswersThatAreCutShortOrSayMoreThanCame) {
  Bytes two = Performance(0, {Words(0, 1, 2, 3), Words(0, 4, 5, 6)});
  Bytes claims = two;
  claims[3] = static_cast<unsigned char>(claims[3] + 32);  // two descriptors more than came
  struct Case {
    const char* what;
    Bytes answer;
    size_t received;
    size_t descriptors;
    const char* note;
  } cases[] = {
      {"whole", two, two.size(), 2, nullptr},
      {"a data length beyond the data", claims, claims.size(), 2, "the answer says"},
      {"the last descriptor cut", two, two.size() - 1, 1, "no whole descriptor"},
      {"zero descriptors (no disc)", Performance(0, {}), 8, 0, "no descriptors"},
      {"no whole header", two, 7, 0, "did not come whole"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PerformanceAnswer w = DecodeWriteSpeeds(c.answer.data(), c.received);
    PerformanceAnswer r = DecodePerformance(c.answer.data(), c.received);
    EXPECT_EQ(c.descriptors, w.writeSpeeds.size());
    EXPECT_EQ(c.descriptors, r.performance.size());
    bool found = c.note == nullptr ? w.notes.empty() : false;
    for (const std::string& note : w.notes) found = found || (c.note != nullptr && note.find(c.note) != std::string::npos);
    EXPECT_TRUE(found) << (w.notes.empty() ? "no notes" : w.notes[0]);
  }
}

TEST(InquiryDetailTest, TheRevisionAndTheRestAsFarAsTheAnswerHoldsThem) {
  Bytes answer = driveemu::InquiryAnswer("VENDOR", "PRODUCT", "1.0 ");
  for (size_t i = 36; i < 56; ++i) answer[i] = static_cast<unsigned char>("2006/11/03 SN12345\x01\x02"[i - 36]);
  InquiryDetail detail = DecodeInquiry(answer.data(), answer.size());
  ASSERT_TRUE(detail.decoded);
  EXPECT_EQ(5, detail.deviceType);
  EXPECT_EQ("CD/DVD", DeviceTypeName(detail.deviceType));
  EXPECT_TRUE(detail.removable);
  EXPECT_EQ(5, detail.version);
  EXPECT_EQ(2, detail.responseFormat);
  EXPECT_TRUE(detail.revisionCame);
  EXPECT_EQ("1.0", detail.revision);
  ASSERT_EQ(20u, detail.vendorSpecific.size());
  EXPECT_EQ("2006/11/03 SN12345..", PrintableText(detail.vendorSpecific.data(), detail.vendorSpecific.size()));
  const unsigned char bounds[] = {0x1F, 0x20, 'A', 0x7E, 0x7F, 'B'};
  EXPECT_EQ(". A~.B", PrintableText(bounds, sizeof bounds));  // printable ASCII is 20h to 7Eh

  // An old drive answers 36 bytes: a revision, nothing vendor specific.
  answer[4] = 31;
  detail = DecodeInquiry(answer.data(), answer.size());
  EXPECT_TRUE(detail.revisionCame);
  EXPECT_TRUE(detail.vendorSpecific.empty());
  // One that says 32 bytes holds no whole revision; one cut after 40 bytes
  // keeps only the 4 vendor bytes that came, and says so.
  answer[4] = 27;
  EXPECT_FALSE(DecodeInquiry(answer.data(), answer.size()).revisionCame);
  answer[4] = 91;
  detail = DecodeInquiry(answer.data(), 40);
  EXPECT_EQ(4u, detail.vendorSpecific.size());
  ASSERT_EQ(1u, detail.notes.size());
  EXPECT_EQ("the answer says 96 bytes, 40 came", detail.notes[0]);
  EXPECT_FALSE(DecodeInquiry(answer.data(), 4).decoded);
  EXPECT_EQ("type 1Fh", DeviceTypeName(0x1F));
}

// The revision takes the one rule of INQUIRY's texts: blanks and zero bytes
// at its end are padding, any other byte outside printable ASCII is '.'.
TEST(InquiryDetailTest, TheRevisionIsPrintableTextPaddingRemoved) {
  const struct {
    const char bytes[5];
    const char* revision;
  } cases[] = {{"1.0 ", "1.0"}, {{'S', '0', '1', 0}, "S01"}, {{0, 0, 0, 0}, ""},     {"    ", ""},
               {{'4', '.', '2', 1}, "4.2."}, {{'A', 0, 'B', ' '}, "A.B"}, {{' ', 'A', 0, ' '}, " A"},
               {{'1', '\t', 0x7F, static_cast<char>(0xA9)}, "1..."}};
  for (const auto& c : cases) {
    Bytes answer = driveemu::InquiryAnswer("VENDOR", "PRODUCT", "1.0");
    std::copy(c.bytes, c.bytes + 4, answer.begin() + 32);
    const InquiryDetail detail = DecodeInquiry(answer.data(), answer.size());
    EXPECT_TRUE(detail.revisionCame);
    EXPECT_EQ(c.revision, detail.revision) << c.revision;
  }
  // SPC's peripheral qualifiers, each its own.
  const char* const qualifiers[] = {"connected", "not connected now", "reserved (2)", "no device can be supported here",
                                    "vendor specific (4)", "vendor specific (7)"};
  const int codes[] = {0, 1, 2, 3, 4, 7};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(qualifiers[i], PeripheralQualifierName(codes[i]));
  Bytes answer = driveemu::InquiryAnswer("VENDOR", "PRODUCT", "1.0");
  answer[0] = 0x65;  // qualifier 011b, type 05h
  const InquiryDetail absent = DecodeInquiry(answer.data(), answer.size());
  EXPECT_EQ(3, absent.qualifier);
  EXPECT_EQ(5, absent.deviceType);
}

TEST(SenseWordsTest, KeysAndTheCommonCodesInWords) {
  EXPECT_EQ("Not Ready, Medium not present", SenseWords(0x02, 0x3A, 0x00));
  EXPECT_EQ("Not Ready, Medium not present, tray open", SenseWords(0x02, 0x3A, 0x02));
  EXPECT_EQ("Illegal Request, Invalid command operation code", SenseWords(0x05, 0x20, 0x00));
  EXPECT_EQ("Medium Error, ASC 99h ASCQ 01h", SenseWords(0x03, 0x99, 0x01));
  EXPECT_EQ("Completed, No additional sense information", SenseWords(0x0F, 0x00, 0x00));
}

// Sense bytes of either format, read where SPC-4 puts each field, and
// sense too short for a field says that field did not come.
TEST(SenseWordsTest, FixedAndDescriptorFormatsEachFromTheirOwnBytes) {
  const Bytes fixed = {0x70, 0, 0x06, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x28, 0x00, 0, 0, 0, 0};
  const Bytes fixedValid = {0xF0, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x3A, 0x01};  // VALID set
  const Bytes deferred = {0x71, 0, 0x03, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x11, 0x05};
  // Descriptor format: key, ASC, ASCQ in bytes 1-3; bytes 2, 12 and 13 hold
  // other values, which fixed-format reading would take.
  const Bytes descriptor = {0x72, 0x02, 0x3A, 0x02, 0, 0, 0, 6, 0, 0, 0, 0, 0x24, 0x00};
  const Bytes descriptorDeferred = {0x73, 0x05, 0x24, 0x00, 0, 0, 0, 0};
  const Bytes vendor = {0x7F, 0x05, 0x24, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0x24, 0x00};
  const struct {
    const char* what;
    Bytes sense;
    size_t length;  // of the bytes; as many as the sense holds when larger
    const char* words;
    const char* format;
  } cases[] = {
      {"fixed, current", fixed, 18, "Unit Attention, Not ready to ready change, medium may have changed",
       "fixed format, current"},
      {"fixed with VALID", fixedValid, 14, "Not Ready, Medium not present, tray closed", "fixed format, current"},
      {"fixed, deferred", deferred, 14, "Medium Error, L-EC uncorrectable error (fixed format, deferred)",
       "fixed format, deferred"},
      {"descriptor, current", descriptor, 14, "Not Ready, Medium not present, tray open (descriptor format, current)",
       "descriptor format, current"},
      {"descriptor, deferred", descriptorDeferred, 8, "Illegal Request, Invalid field in CDB (descriptor format, deferred)",
       "descriptor format, deferred"},
      {"descriptor of its four bytes", descriptor, 4,
       "Not Ready, Medium not present, tray open (descriptor format, current)", "descriptor format, current"},
      {"descriptor without its ASCQ", descriptor, 3, "Not Ready, ASC 3Ah, no ASCQ came (descriptor format, current)",
       "descriptor format, current"},
      {"descriptor without its ASC", descriptor, 2, "Not Ready, no ASC or ASCQ came (descriptor format, current)",
       "descriptor format, current"},
      {"descriptor without its key", descriptor, 1, "no sense key came (descriptor format, current)",
       "descriptor format, current"},
      {"fixed of 14 bytes", fixed, 14, "Unit Attention, Not ready to ready change, medium may have changed",
       "fixed format, current"},
      {"fixed without its ASCQ", fixed, 13, "Unit Attention, ASC 28h, no ASCQ came", "fixed format, current"},
      {"fixed without its ASC", fixed, 12, "Unit Attention, no ASC or ASCQ came", "fixed format, current"},
      {"fixed with its key alone", fixed, 3, "Unit Attention, no ASC or ASCQ came", "fixed format, current"},
      {"fixed without its key", fixed, 2, "no sense key came", "fixed format, current"},
      {"a format not known", vendor, 14, "sense data of response code 7Fh, a format not known",
       "response code 7Fh, a format not known"},
      {"response code 69h", Bytes{0x69, 0, 0x05}, 3, "sense data of response code 69h, a format not known",
       "response code 69h, a format not known"},
      {"no sense bytes", fixed, 0, "no sense data came", "none"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const size_t length = c.length < c.sense.size() ? c.length : c.sense.size();
    EXPECT_EQ(c.words, SenseWords(c.sense.data(), length));
    EXPECT_EQ(c.format, SenseFormatName(DecodeSense(c.sense.data(), length)));
  }
}

}  // namespace
