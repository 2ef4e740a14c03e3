#include "app/report/collect.h"

#include <chrono>
#include <ctime>

#include "device/aspi_transport.h"

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

const ReportCommand kReportCommands[23] = {
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
    {"READ(10) (probe)", "READ(10)", &DriveAnswers::probeRead10, kRead10Operation},
    {"READ CD (user data)", "READ CD", &DriveAnswers::probeUserData, kReadCdOperation},
    {"READ CD (raw sector)", "READ CD", &DriveAnswers::probeRawSector, kReadCdOperation},
    {"READ CD (C2 pointers)", "READ CD", &DriveAnswers::probeC2, kReadCdOperation},
    {"READ CD (C2 and block error)", "READ CD", &DriveAnswers::probeC2BlockError, kReadCdOperation},
    {"READ CD (formatted Q)", "READ CD", &DriveAnswers::probeFormattedQ, kReadCdOperation},
    {"READ CD (raw P-W)", "READ CD", &DriveAnswers::probeRawPw, kReadCdOperation},
    {"READ CD (audio)", "READ CD", &DriveAnswers::probeAudio, kReadCdOperation},
    {"READ CD (audio again)", "READ CD", &DriveAnswers::probeAudioAgain, kReadCdOperation},
};

namespace {

// The probe's reads, in the order it sends them: READ(10), or READ CD with
// its expected sector type, its blocks, the fields of byte 9 and the
// sub-channel. What follows each sector (C2, sub-channel) is read for two
// blocks: where the second block's sector stands tells whether it came,
// which the length moved does not always (libata's ATAPI path reports the
// whole allocation moved).
struct ProbeRead {
  CommandAnswer DriveAnswers::*slot;
  bool audio;  // of the audio block; else of the data block
  BYTE operation, sectorType, blocks, fields, subChannel;
};
const ProbeRead kProbeReads[] = {
    {&DriveAnswers::probeRead10, false, kRead10Operation, 0, 1, 0, 0},
    {&DriveAnswers::probeUserData, false, kReadCdOperation, kAnySector, 1, 0x10, 0x00},
    {&DriveAnswers::probeRawSector, false, kReadCdOperation, kAnySector, 1, 0xF8, 0x00},
    {&DriveAnswers::probeC2, false, kReadCdOperation, kAnySector, 2, 0xFA, 0x00},
    {&DriveAnswers::probeC2BlockError, false, kReadCdOperation, kAnySector, 2, 0xFC, 0x00},
    {&DriveAnswers::probeFormattedQ, false, kReadCdOperation, kAnySector, 2, 0xF8, 0x02},
    {&DriveAnswers::probeRawPw, false, kReadCdOperation, kAnySector, 2, 0xF8, 0x01},
    {&DriveAnswers::probeAudio, true, kReadCdOperation, kCdDaSector, 1, 0xF8, 0x00},
    {&DriveAnswers::probeAudioAgain, true, kReadCdOperation, kCdDaSector, 1, 0xF8, 0x00},
};
static_assert(sizeof kProbeReads / sizeof kProbeReads[0] <= kProbeCommandLimit, "the probe's bound");

// The sectors of the disc the probe reads; false, with why, where there
// are none: no CD, or no TOC of it.
bool ProbeSectorsOf(const DriveAnswers& answers, ProbeSectors* sectors, std::string* whyNot) {
  long profile = 0;
  if (!CurrentProfile(answers.configurationHeader, &profile)) {
    *whyNot = "the drive told no current profile";
    return false;
  }
  if (profile == 0) {
    *whyNot = "no disc in the drive";
    return false;
  }
  if (profile < 0x08 || profile > 0x0A) {
    *whyNot = "the disc is a " + ProfileName(static_cast<int>(profile)) + ", and READ CD reads CDs";
    return false;
  }
  if (Blank(InformationOf(answers.discInformation))) {
    *whyNot = "the disc is blank";
    return false;
  }
  const Toc toc = answers.toc.Good() ? DecodeToc(answers.toc.data.data(), answers.toc.data.size()) : Toc();
  if (!toc.decoded) {
    *whyNot = "no TOC came to choose the blocks from";
    return false;
  }
  *sectors = ChooseProbeSectors(toc);
  return true;
}

// The probe's reads, each while the drive is reachable and its time-out
// would still end within the probe's time; one that would not is recorded
// as not sent, with why.
void CollectProbe(DeviceList& devices, int index, DriveAnswers* answers, SecondsClock clock) {
  ProbeSectors sectors;
  std::string whyNot;
  if (!ProbeSectorsOf(*answers, &sectors, &whyNot)) return;
  // The longest a command may take: its time-out, or ASPI's wait.
  const double longest = devices.UsesAspi() ? kAspiWaitMilliseconds / 1000.0 : kCommandTimeOutSeconds;
  const double start = clock();
  for (const ProbeRead& read : kProbeReads) {
    if (!(read.audio ? sectors.audio : sectors.data)) continue;
    const std::uint32_t lba = static_cast<std::uint32_t>(read.audio ? sectors.audioLba : sectors.dataLba);
    CommandAnswer& slot = answers->*read.slot;
    if (clock() - start + longest > kProbeSeconds) {
      std::vector<BYTE> scratch(2 * (kRawSectorLength + kC2BlockErrorLength + kRawSubChannelLength));
      const DriveCommand command =
          read.operation == kRead10Operation
              ? Read10Command(scratch.data(), lba)
              : ReadCdCommand(scratch.data(), read.sectorType, lba, read.blocks, read.fields, read.subChannel);
      const std::string why = "the probe's " + std::to_string(kProbeSeconds) + " s were spent";
      slot = AnswerOf(command, CommandOutcome::NotCarried(CommandOutcome::kNotSent, 0, why.c_str()));
      continue;
    }
    slot = read.operation == kRead10Operation
               ? ReadUserData(devices, index, lba)
               : ReadCd(devices, index, read.sectorType, lba, read.blocks, read.fields, read.subChannel);
    if (Unreachable(slot)) return;
  }
}

// What the page and the features declare of each capability the probe
// weighs.
void Declarations(const DriveReport& drive, ProbeCheck* check) {
  const bool page = drive.capabilities.Answered();
  const BYTE byte5 = drive.capabilities.page[3];  // page bytes 2-7
  const auto bit = [&](int n) { return page ? ((byte5 >> n) & 1 ? kDeclaresYes : kDeclaresNo) : kDeclaresNothing; };
  const Feature* cdRead = nullptr;
  for (const Feature& feature : drive.features.features)
    if (feature.code == 0x001E) cdRead = &feature;
  const bool listed = drive.features.decoded;
  const ProbeDeclared readCd = !listed ? kDeclaresNothing : cdRead ? kDeclaresYes : kDeclaresNo;
  const ProbeDeclared c2 = !listed ? kDeclaresNothing
                           : cdRead && !cdRead->data.empty() && (cdRead->data[0] & 0x02) ? kDeclaresYes
                                                                                       : kDeclaresNo;
  switch (check->id) {
    case kProbeUserData:
    case kProbeRawSector:
      check->features = readCd;
      break;
    case kProbeC2:
    case kProbeC2BlockError:
      check->page = bit(4);    // C2 pointers supported
      check->features = c2;    // CD Read's C2 flag
      break;
    case kProbeRawPw:
      check->page = bit(2);    // R-W supported
      break;
    case kProbeAudioRepeat:
      check->page = bit(0);    // CD-DA commands supported
      check->features = readCd;
      break;
    default:
      break;  // no declaration speaks of the formatted Q
  }
}

}  // namespace

double SteadySeconds() {
#ifdef _WIN32
  // Windows' C runtime counts clock() in wall time since the program
  // started, as the bound needs; std::chrono's clocks would import
  // functions the oldest supported Windows lacks.
  return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
#else
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
#endif
}

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

DriveAnswers DiscoveryAnswers(DeviceList& devices, int index) {
  DriveAnswers answers;
  answers.index = index;
  const CdDevice& device = devices.Device(index);
  answers.path = device.m_strPath.GetString();
  answers.inquiry = device.m_inquiry;
  answers.connection = devices.Connection(index);
  return answers;
}

DriveAnswers CollectAnswers(DeviceList& devices, int index, bool detail, bool probe, SecondsClock clock) {
  DriveAnswers answers = DiscoveryAnswers(devices, index);
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
  if (probe && !Unreachable(answers.rpcState)) CollectProbe(devices, index, &answers, clock);
  return answers;
}

namespace {

ProbeReport InterpretProbe(const DriveAnswers& answers, const DriveReport& drive) {
  ProbeReport probe;
  probe.asked = true;
  std::string whyNot;
  if (ProbeSectorsOf(answers, &probe.sectors, &whyNot)) {
    bool any = false;
    for (const ProbeRead& read : kProbeReads) any = any || (answers.*read.slot).sent;
    const CommandAnswer first = SentOrSkipped(answers, kProbeReads[0].slot);
    // Neither sent nor skipped: a saved report of a run without the probe.
    if (!any && first.outcome.message[0] == '\0') whyNot = "the saved report holds no probe of this drive";
  }
  probe.whyNotTried = whyNot;
  const auto answer = [&answers](CommandAnswer DriveAnswers::*slot) { return SentOrSkipped(answers, slot); };
  for (int id = 0; id < kProbeCheckCount; ++id) {
    ProbeCheck check;
    check.id = static_cast<ProbeCheckId>(id);
    Declarations(drive, &check);
    const bool audio = check.id == kProbeAudioRepeat;
    const ProbeSectors& sectors = probe.sectors;
    if (!whyNot.empty()) {
      check.found = NotTried(whyNot);
    } else if (audio ? !sectors.audio : !sectors.data) {
      check.found = NotTried(audio ? sectors.whyNoAudio : sectors.whyNoData);
    } else {
      switch (check.id) {
        case kProbeUserData:
          check.found = CheckUserData(answer(&DriveAnswers::probeUserData), answer(&DriveAnswers::probeRead10));
          break;
        case kProbeRawSector: check.found = CheckRawSector(answer(&DriveAnswers::probeRawSector)); break;
        case kProbeC2: check.found = CheckC2(answer(&DriveAnswers::probeC2), false); break;
        case kProbeC2BlockError: check.found = CheckC2(answer(&DriveAnswers::probeC2BlockError), true); break;
        case kProbeFormattedQ: check.found = CheckSubChannel(answer(&DriveAnswers::probeFormattedQ), false); break;
        case kProbeRawPw: check.found = CheckSubChannel(answer(&DriveAnswers::probeRawPw), true); break;
        default:
          check.found = CheckAudioRepeat(answer(&DriveAnswers::probeAudio), answer(&DriveAnswers::probeAudioAgain));
      }
    }
    probe.checks.push_back(check);
  }
  return probe;
}

}  // namespace

DriveReport InterpretDrive(const DriveAnswers& answers, bool detail, bool probe) {
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
  if (probe) drive.probe = InterpretProbe(answers, drive);
  return drive;
}

DriveReport CollectDrive(DeviceList& devices, int index, bool detail, bool probe) {
  return InterpretDrive(CollectAnswers(devices, index, detail, probe), detail, probe);
}

std::vector<DriveReport> CollectReport(DeviceList& devices, bool detail, bool probe) {
  std::vector<DriveReport> drives;
  for (int i = 0; i < devices.GetCount(); ++i) drives.push_back(CollectDrive(devices, i, detail, probe));
  return drives;
}

void ForgetProbe(DriveAnswers& answers) {
  for (const ProbeRead& read : kProbeReads) answers.*read.slot = CommandAnswer();
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
