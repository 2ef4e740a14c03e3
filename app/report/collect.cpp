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

}  // namespace

const ReportCommand kReportCommands[6] = {
    {"INQUIRY", "INQUIRY", &DriveAnswers::inquiry, kInquiryOperation},
    {"MODE SENSE(10)", "MODE SENSE(10)", &DriveAnswers::modeSense, kModeSense10Operation},
    {"GET CONFIGURATION (header)", "GET CONFIGURATION", &DriveAnswers::configurationHeader, kGetConfigurationOperation},
    {"GET CONFIGURATION", "GET CONFIGURATION", &DriveAnswers::configuration, kGetConfigurationOperation},
    {"GET PERFORMANCE (write speeds)", "GET PERFORMANCE", &DriveAnswers::writeSpeeds, kGetPerformanceOperation},
    {"GET PERFORMANCE (read)", "GET PERFORMANCE", &DriveAnswers::performance, kGetPerformanceOperation},
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
