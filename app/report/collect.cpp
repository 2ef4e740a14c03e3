#include "app/report/collect.h"

namespace {

const WORD kConfigurationHeaderLength = 8;
const WORD kPerformanceDescriptors = 32;
const BYTE kWriteSpeedType = 0x03;
const BYTE kPerformanceType = 0x00;
// Type 00h: tolerance 10b (bits 4-3), reading, nominal performance.
const BYTE kNominalReadPerformance = 0x10;
const BYTE kRedacted = '*';

// The answer in `slot`, or, where it was not sent because an earlier
// command found the drive unreachable, why not.
CommandAnswer SentOrSkipped(const DriveAnswers& answers, CommandAnswer DriveAnswers::*slot) {
  const ReportCommand* stop = nullptr;
  for (const ReportCommand& command : kReportCommands) {
    const CommandAnswer& answer = answers.*command.slot;
    if (command.slot == slot) {
      if (answer.sent || stop == nullptr) return answer;
      const bool timedOut = (answers.*stop->slot).outcome.failure == CommandOutcome::kTimedOut;
      const std::string why = std::string("the drive ") + (timedOut ? "timed out on " : "was gone at ") + stop->command;
      CommandAnswer skipped;
      skipped.outcome = CommandOutcome::NotCarried(CommandOutcome::kNotSent, 0, why.c_str());
      return skipped;
    }
    if (stop == nullptr && Unreachable(answer)) stop = &command;
  }
  return answers.*slot;
}

// The current profile of a configuration header that came whole; false
// where none did.
bool CurrentProfile(const CommandAnswer& header, long* profile) {
  if (!header.Good() || header.data.size() < kConfigurationHeaderLength) return false;
  *profile = header.data[6] << 8 | header.data[7];
  return true;
}

// What READ DISC INFORMATION told, where it answered; a blank disc has no
// TOC to read.
DiscInformation InformationOf(const CommandAnswer& answer) {
  return answer.Good() ? DecodeDiscInformation(answer.data.data(), answer.data.size()) : DiscInformation();
}
bool Blank(const DiscInformation& information) {
  return information.decoded && information.discStatus == kDiscEmpty;
}

// The questions about the disc that the current profile calls for, each
// while the drive is still reachable.
void CollectDisc(DeviceList& devices, int index, DriveAnswers* answers) {
  long profile = 0;
  if (!CurrentProfile(answers->configurationHeader, &profile)) return;
  const MediumQueries queries = QueriesFor(profile);
  if (!queries.disc) return;
  // Each answer goes to its slot; false once the drive is unreachable.
  const auto ask = [answers](CommandAnswer DriveAnswers::*slot, const CommandAnswer& answer) {
    answers->*slot = answer;
    return !Unreachable(answer);
  };
  if (!ask(&DriveAnswers::discInformation, ReadDiscInformation(devices, index))) return;
  if (!Blank(InformationOf(answers->discInformation)) &&
      !ask(&DriveAnswers::toc, ReadToc(devices, index, kTocFormat, kTocAnswerLength)))
    return;
  if (queries.atip && !ask(&DriveAnswers::atip, ReadToc(devices, index, kAtipFormat, kAtipAnswerLength))) return;
  if (!ask(&DriveAnswers::capacity, ReadCapacity(devices, index))) return;
  if (queries.dvdPhysical &&
      !ask(&DriveAnswers::dvdPhysical, ReadDiscStructure(devices, index, kDvdMedia, kPhysicalFormat, kPhysicalAnswerLength)))
    return;
  if (queries.dvdMaker >= 0) {
    const BYTE format = static_cast<BYTE>(queries.dvdMaker);
    const WORD length = format == kAdipFormat ? kAdipAnswerLength : kPreRecordedAnswerLength;
    if (!ask(&DriveAnswers::dvdMaker, ReadDiscStructure(devices, index, kDvdMedia, format, length))) return;
  }
  if (queries.bdInformation)
    ask(&DriveAnswers::bdInformation,
        ReadDiscStructure(devices, index, kBdMedia, kPhysicalFormat, kBdDiscInformationAnswerLength));
}

const BYTE* Bytes(const CommandAnswer& answer) { return answer.data.empty() ? nullptr : &answer.data[0]; }

// What the answers about the disc come to, for the profile the collector
// went by; the write speeds as multiples of the medium's 1x.
DiscReport InterpretDisc(const DriveAnswers& answers, const DriveReport& drive) {
  DiscReport disc;
  disc.profileKnown = CurrentProfile(answers.configurationHeader, &disc.profile);
  if (!disc.profileKnown) return disc;
  disc.queries = QueriesFor(disc.profile);
  if (!disc.queries.disc) return disc;
  // A report of an earlier version asked nothing about the disc.
  const CommandAnswer first = SentOrSkipped(answers, &DriveAnswers::discInformation);
  if (!first.sent && first.outcome.message[0] == '\0') {
    disc.unasked = true;
    return disc;
  }
  const auto outcome = [&answers](CommandAnswer DriveAnswers::*slot) { return SentOrSkipped(answers, slot).outcome; };
  disc.informationOutcome = outcome(&DriveAnswers::discInformation);
  disc.information = InformationOf(answers.discInformation);
  disc.empty = Blank(disc.information);
  disc.tocOutcome = outcome(&DriveAnswers::toc);
  if (answers.toc.Good()) disc.toc = DecodeToc(Bytes(answers.toc), answers.toc.data.size());
  disc.atipOutcome = outcome(&DriveAnswers::atip);
  if (answers.atip.Good()) disc.atip = DecodeAtip(Bytes(answers.atip), answers.atip.data.size());
  disc.capacityOutcome = outcome(&DriveAnswers::capacity);
  if (answers.capacity.Good()) disc.capacity = DecodeCapacity(Bytes(answers.capacity), answers.capacity.data.size());
  disc.physicalOutcome = outcome(&DriveAnswers::dvdPhysical);
  if (answers.dvdPhysical.Good())
    disc.physical = DecodeDvdPhysical(Bytes(answers.dvdPhysical), answers.dvdPhysical.data.size());
  const bool bd = disc.queries.bdInformation;
  const CommandAnswer& maker = bd ? answers.bdInformation : answers.dvdMaker;
  disc.makerOutcome = outcome(bd ? &DriveAnswers::bdInformation : &DriveAnswers::dvdMaker);
  if (maker.Good()) {
    const BYTE* bytes = Bytes(maker);
    disc.maker = bd ? DecodeBdMaker(bytes, maker.data.size())
                    : disc.queries.dvdMaker == kAdipFormat ? DecodeDvdPlusMaker(bytes, maker.data.size())
                                                           : DecodeDvdMinusMaker(bytes, maker.data.size());
  }
  disc.writeSpeeds = SpeedMultiplesText(drive.writeSpeeds.writeSpeeds, drive.medium);
  return disc;
}

}  // namespace

std::int32_t DiscAddress(const DiscReport& disc, std::uint32_t field) {
  return disc.Cd() ? LbaOfMsf((field >> 16) & 0xFF, (field >> 8) & 0xFF, field & 0xFF)
                   : static_cast<std::int32_t>(field);
}

bool TrackLength(const DiscReport& disc, std::size_t entry, long long* blocks) {
  const std::vector<TocEntry>& entries = disc.toc.entries;
  if (entry + 1 >= entries.size() || entries[entry + 1].lba < entries[entry].lba) return false;
  *blocks = static_cast<long long>(entries[entry + 1].lba) - entries[entry].lba;
  return true;
}

unsigned long long CapacityBlocks(const Capacity& capacity) {
  return static_cast<unsigned long long>(capacity.lastLba) + 1;
}

unsigned long long CapacityBytes(const Capacity& capacity) { return CapacityBlocks(capacity) * capacity.blockLength; }

int SessionOfTrack(const DiscReport& disc, std::size_t entry) {
  const DiscInformation& info = disc.information;
  if (entry >= disc.toc.entries.size()) return 0;
  const int track = disc.toc.entries[entry].track;
  // An empty last session (of an appendable disc) names the next track as
  // its first, which no track of the TOC reaches; disc information that
  // did not come is all zero, and places no track.
  if (info.sessions == 1) return 1;
  if (track >= info.firstTrackOfLastSession) return info.sessions;
  if (info.sessions == 2) return 1;
  return 0;
}

namespace {

// Whether the drive lists a DVD profile, whose region setting REPORT KEY reads.
bool HasDvdProfile(const DriveAnswers& answers) {
  const CommandAnswer& configuration = answers.configuration.sent ? answers.configuration : answers.configurationHeader;
  const ProfilesResult profiles = InterpretProfiles(configuration);
  for (const auto& profile : profiles.detail.profiles)
    if (QueriesFor(profile.number).dvdPhysical) return true;
  return false;
}

}  // namespace

const ConnectionText kConnectionTexts[10] = {
    {"source", &DriveConnection::source},       {"bus", &DriveConnection::bus},
    {"driver", &DriveConnection::driver},       {"adapter_bus", &DriveConnection::adapterBus},
    {"vendor", &DriveConnection::vendor},       {"product", &DriveConnection::product},
    {"revision", &DriveConnection::revision},   {"serial", &DriveConnection::serial},
    {"aspi_manager", &DriveConnection::aspiManager}, {"aspi_adapter", &DriveConnection::aspiAdapter},
};
const ConnectionText kUsbTexts[5] = {
    {"vendor_id", &DriveConnection::usbVendorId},     {"product_id", &DriveConnection::usbProductId},
    {"manufacturer", &DriveConnection::usbManufacturer}, {"product", &DriveConnection::usbProduct},
    {"speed_mbps", &DriveConnection::usbSpeed},
};
const ConnectionNumber kConnectionNumbers[2] = {
    {"max_transfer", &DriveConnection::maxTransfer},
    {"alignment_mask", &DriveConnection::alignmentMask},
};

bool HasUsbDevice(const DriveConnection& connection) {
  for (const ConnectionText& field : kUsbTexts)
    if (!(connection.*field.text).empty()) return true;
  return false;
}

const ReportCommand kReportCommands[14] = {
    {"INQUIRY", "INQUIRY", &DriveAnswers::inquiry, kInquiryOperation},
    {"MODE SENSE(10)", "MODE SENSE(10)", &DriveAnswers::modeSense, kModeSense10Operation},
    {"GET CONFIGURATION (header)", "GET CONFIGURATION", &DriveAnswers::configurationHeader, kGetConfigurationOperation},
    {"GET CONFIGURATION", "GET CONFIGURATION", &DriveAnswers::configuration, kGetConfigurationOperation},
    {"GET PERFORMANCE (write speeds)", "GET PERFORMANCE", &DriveAnswers::writeSpeeds, kGetPerformanceOperation},
    {"GET PERFORMANCE (read)", "GET PERFORMANCE", &DriveAnswers::performance, kGetPerformanceOperation},
    {"READ DISC INFORMATION", "READ DISC INFORMATION", &DriveAnswers::discInformation, kReadDiscInformationOperation},
    {"READ TOC/PMA/ATIP (TOC)", "READ TOC/PMA/ATIP", &DriveAnswers::toc, kReadTocOperation},
    {"READ TOC/PMA/ATIP (ATIP)", "READ TOC/PMA/ATIP", &DriveAnswers::atip, kReadTocOperation},
    {"READ CAPACITY", "READ CAPACITY", &DriveAnswers::capacity, kReadCapacityOperation},
    {"READ DISC STRUCTURE (physical format)", "READ DISC STRUCTURE", &DriveAnswers::dvdPhysical,
     kReadDiscStructureOperation},
    {"READ DISC STRUCTURE (manufacturer)", "READ DISC STRUCTURE", &DriveAnswers::dvdMaker, kReadDiscStructureOperation},
    {"READ DISC STRUCTURE (BD disc information)", "READ DISC STRUCTURE", &DriveAnswers::bdInformation,
     kReadDiscStructureOperation},
    {"REPORT KEY (RPC state)", "REPORT KEY", &DriveAnswers::rpcState, kReportKeyOperation},
};

// A drive that let a command time out, or is gone, would make every further
// command wait as long again (a time-out costs its 15 s and as much again
// of the kernel's error recovery).
bool Unreachable(const CommandAnswer& answer) {
  return answer.sent && (answer.outcome.failure == CommandOutcome::kTimedOut ||
                         answer.outcome.failure == CommandOutcome::kNoSuchDevice);
}

std::vector<std::pair<const char*, const CommandAnswer*> > DriveAnswers::Sent() const {
  std::vector<std::pair<const char*, const CommandAnswer*> > sent;
  for (const ReportCommand& command : kReportCommands)
    if ((this->*command.slot).sent) sent.push_back(std::make_pair(command.name, &(this->*command.slot)));
  return sent;
}

DriveAnswers CollectAnswers(DeviceList& devices, int index, bool detail) {
  DriveAnswers answers;
  answers.index = index;
  const CdDevice& device = devices.Device(index);
  answers.path = device.m_strPath.GetString();
  answers.inquiry = device.m_inquiry;
  answers.connection = devices.Connection(index);
  if (Unreachable(answers.inquiry)) return answers;
  answers.modeSense = ModeSenseCapabilities(devices, index);
  if (!detail || !answers.modeSense.Good()) return answers;

  // The header first, then the whole answer by the length it gives: an
  // allocation guessed too small loses the last features.
  answers.configurationHeader = GetConfiguration(devices, index, 0, 0x0000, kConfigurationHeaderLength);
  if (answers.configurationHeader.Good()) {
    const CommandAnswer& header = answers.configurationHeader;
    const std::size_t whole = ConfigurationLength(header.data.empty() ? nullptr : &header.data[0], header.data.size());
    if (whole > kConfigurationHeaderLength)
      answers.configuration = GetConfiguration(devices, index, 0, 0x0000, static_cast<WORD>(whole));
  }
  if (Unreachable(answers.configurationHeader) || Unreachable(answers.configuration)) return answers;
  answers.writeSpeeds = GetPerformance(devices, index, 0x00, kWriteSpeedType, kPerformanceDescriptors);
  if (Unreachable(answers.writeSpeeds)) return answers;
  answers.performance = GetPerformance(devices, index, kNominalReadPerformance, kPerformanceType, kPerformanceDescriptors);
  if (Unreachable(answers.performance)) return answers;
  CollectDisc(devices, index, &answers);
  for (const ReportCommand& command : kReportCommands)
    if (Unreachable(answers.*command.slot)) return answers;
  if (HasDvdProfile(answers)) answers.rpcState = ReportRpcState(devices, index);
  return answers;
}

DriveReport InterpretDrive(const DriveAnswers& answers, bool detail) {
  DriveReport drive;
  drive.answers = answers;
  CString vendor, product;
  NameFromInquiry(answers.inquiry, answers.index, &vendor, &product);
  drive.vendor = vendor.GetString();
  drive.product = product.GetString();
  const std::vector<BYTE>& inquiry = answers.inquiry.data;
  if (answers.inquiry.Good()) drive.inquiry = DecodeInquiry(inquiry.empty() ? nullptr : &inquiry[0], inquiry.size());
  drive.capabilities = InterpretCapabilities(SentOrSkipped(answers, &DriveAnswers::modeSense));
  const std::vector<BYTE>& page = answers.modeSense.data;
  if (drive.capabilities.Answered()) drive.rowNotes = CapabilityRowNotes(page.empty() ? nullptr : &page[0], page.size());
  drive.detailed = detail && drive.capabilities.Answered();
  if (!drive.detailed) return drive;

  drive.mechanism = DecodeMechanism(page.empty() ? nullptr : &page[0], page.size());
  // The features from the whole answer; from the header alone when that
  // was all there was, or all that came.
  const CommandAnswer& configuration =
      answers.configuration.sent ? answers.configuration : answers.configurationHeader;
  drive.profiles = InterpretProfiles(configuration);
  if (configuration.Good())
    drive.features = DecodeFeatures(configuration.data.empty() ? nullptr : &configuration.data[0],
                                    configuration.data.size());
  drive.medium = MediumOf(drive.profiles.detail.currentProfile);
  drive.writeSpeedsOutcome = SentOrSkipped(answers, &DriveAnswers::writeSpeeds).outcome;
  drive.performanceOutcome = SentOrSkipped(answers, &DriveAnswers::performance).outcome;
  if (answers.writeSpeeds.Good())
    drive.writeSpeeds = DecodeWriteSpeeds(answers.writeSpeeds.data.empty() ? nullptr : &answers.writeSpeeds.data[0],
                                          answers.writeSpeeds.data.size());
  if (answers.performance.Good())
    drive.performance = DecodePerformance(answers.performance.data.empty() ? nullptr : &answers.performance.data[0],
                                          answers.performance.data.size());
  drive.disc = InterpretDisc(answers, drive);
  drive.protection = DescribeProtection(drive.features);
  // Not sent and no reason why: a report of an earlier version, which did not ask.
  const CommandAnswer rpc = SentOrSkipped(answers, &DriveAnswers::rpcState);
  drive.rpcAsked = HasDvdProfile(answers) && (rpc.sent || rpc.outcome.message[0] != '\0');
  drive.rpcOutcome = rpc.outcome;
  if (answers.rpcState.Good()) drive.rpc = DecodeRpcState(Bytes(answers.rpcState), answers.rpcState.data.size());
  return drive;
}

DriveReport CollectDrive(DeviceList& devices, int index, bool detail) {
  return InterpretDrive(CollectAnswers(devices, index, detail), detail);
}

std::vector<DriveReport> CollectReport(DeviceList& devices, bool detail) {
  std::vector<DriveReport> drives;
  for (int i = 0; i < devices.GetCount(); ++i) drives.push_back(CollectDrive(devices, i, detail));
  return drives;
}

void Redact(DriveAnswers& answers) {
  for (char& c : answers.connection.serial) c = static_cast<char>(kRedacted);
  std::vector<BYTE>& inquiry = answers.inquiry.data;
  for (std::size_t i = 36; i < 56 && i < inquiry.size(); ++i) inquiry[i] = kRedacted;
  CommandAnswer* configurations[] = {&answers.configurationHeader, &answers.configuration};
  for (CommandAnswer* configuration : configurations) {
    std::vector<BYTE>& data = configuration->data;
    // The serial number feature's text, wherever a walk of the answer finds it.
    for (std::size_t at = 8; at + 4 <= data.size(); at += 4 + static_cast<std::size_t>(data[at + 3])) {
      if (data[at] != 0x01 || data[at + 1] != 0x08) continue;
      const std::size_t end = at + 4 + data[at + 3];
      for (std::size_t i = at + 4; i < end && i < data.size(); ++i) data[i] = kRedacted;
    }
  }
}
