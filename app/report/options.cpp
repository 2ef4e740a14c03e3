#include "app/report/options.h"

#include <cstring>

const char kReportProgram[] = "quillanor-report";

// Written for the system it runs on: Windows knows the window and ASPI,
// Linux neither.
const char kReportUsage[] =
    "Usage: quillanor-report [--json] [--detail | --probe | --list] [--redact] [--device PATH | --drive N]\n"
    "       quillanor-report --replay FILE [--json] [--detail | --probe | --list] [--redact]\n"
    "                        [--device PATH | --drive N]\n"
    "Print, for every CD/DVD drive of this computer, its name and what it can do:\n"
    "the 24 capabilities that the drive reports in its MMC capabilities page\n"
    "(MODE SENSE page 2Ah), or why it could not report them.\n"
    "\n"
    "  --json          print one JSON document instead of text\n"
    "  --detail        also print the firmware revision and the rest of the\n"
    "                  INQUIRY answer, the rest of the capabilities page, every\n"
    "                  feature of GET CONFIGURATION with the media profiles, the\n"
    "                  speeds of GET PERFORMANCE, and the disc in the drive (its\n"
    "                  status, tracks, capacity, maker); with --json, also every\n"
    "                  command's raw answer, so that the report can be replayed\n"
    "  --probe         --detail, and for a drive with a CD in it, read a block\n"
    "                  of its first data track and of its first audio track in\n"
    "                  the forms READ CD offers (raw, C2 pointers, sub-channel)\n"
    "                  and check what comes against what the drive declares;\n"
    "                  it only reads: at most 9 commands and 60 s more a drive\n"
    "  --list          print one line per drive, for inventories: its index,\n"
    "                  path, vendor, product, revision, connection and serial\n"
    "                  number, tab-separated under a header line (with --json,\n"
    "                  an array); it sends the drives no command of its own\n"
    "  --redact        blank out the drive serial number and the vendor-specific\n"
    "                  INQUIRY text, in the raw answers too\n"
    "  --replay FILE   print the report again from a saved --json --detail\n"
    "                  report, without any drive; at most 64 MiB, the largest\n"
    "                  report: 16 drives, each with the largest answers\n"
#ifdef _WIN32
    "  --device PATH   report only the drive opened as PATH (its interface path)\n"
    "  --drive N       report only drive N, counted from 0 as the window lists them\n"
#else
    "  --device PATH   report only the drive at PATH (/dev/srN, or a link to it\n"
    "                  such as /dev/cdrom)\n"
    "  --drive N       report only drive N, counted from 0 in SCSI address order\n"
#endif
    "  -h, --help      show this help and exit\n"
    "  -V, --version   show the version and exit\n"
    "An option's value may also follow an equals sign (--drive=1); -- ends the options.\n"
    "\n"
    "Exit status:\n"
    "  0  every drive answered (also when there is no drive)\n"
    "  1  some drive failed the query; its failure lines say why\n"
    "  2  the command could not run: a bad option, no such drive, no access to\n"
    "     the drives, or a saved report that cannot be read\n"
#ifndef _WIN32
    "\n"
    "The drives are /dev/sr*, opened read-only when read-write is not allowed;\n"
    "their group (often 'cdrom') may open them without root.\n"
#endif
    ;

namespace {

bool Wrong(std::string* err, const std::string& message, bool hint) {
  *err += std::string(kReportProgram) + ": " + message + "\n";
  if (hint) *err += std::string("Try '") + kReportProgram + " --help' for more information.\n";
  return false;
}

// Decimal digits only, by hand: the 32-bit command imports nothing that
// Windows 98's runtime may lack. -1 for anything else or above kLastDriveIndex.
long DriveNumber(const char* text) {
  if (*text == '\0') return -1;
  long number = 0;
  for (const char* digit = text; *digit != '\0'; ++digit) {
    if (*digit < '0' || *digit > '9') return -1;
    number = number * 10 + (*digit - '0');
    if (number > kLastDriveIndex) return -1;
  }
  return number;
}

}  // namespace

bool ParseReportOptions(int argc, const char* const* argv, ReportOptions* options, std::string* err) {
  bool options_end = false;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    if (options_end || option.empty() || option[0] != '-' || option == "-")
      return Wrong(err, "unexpected argument '" + option + "'", true);
    if (option == "--") {
      options_end = true;
      continue;
    }
    // --name=value as well as --name value.
    std::string value;
    bool inlineValue = false;
    const std::size_t equals = option.find('=');
    if (option.compare(0, 2, "--") == 0 && equals != std::string::npos) {
      value = option.substr(equals + 1);
      option.erase(equals);
      inlineValue = true;
    }
    const bool takesValue = option == "--device" || option == "--drive" || option == "--replay";
    if (inlineValue && !takesValue) return Wrong(err, "option '" + option + "' takes no value", true);
    if (takesValue && !inlineValue) {
      if (i + 1 >= argc) return Wrong(err, "option '" + option + "' needs a value", true);
      value = argv[++i];
    }
    if (option == "--json") {
      options->json = true;
    } else if (option == "--detail") {
      options->detail = true;
    } else if (option == "--probe") {
      options->probe = options->detail = true;
    } else if (option == "--list") {
      options->list = true;
    } else if (option == "--redact") {
      options->redact = true;
    } else if (option == "--replay") {
      if (!options->replay.empty()) return Wrong(err, "give one --replay", false);
      if (value.empty()) return Wrong(err, "'' is no file", false);
      options->replay = value;
    } else if (option == "--device" || option == "--drive") {
      if (options->OneDrive()) return Wrong(err, "give one --device or --drive", false);
      if (option == "--device") {
        if (value.empty()) return Wrong(err, "'' is no device path", false);
        options->devicePath = value;
      } else {
        options->driveIndex = DriveNumber(value.c_str());
        if (options->driveIndex < 0) return Wrong(err, "'" + value + "' is no drive number", false);
      }
    } else if (option == "--help" || option == "-h") {
      options->help = true;
      return true;
    } else if (option == "--version" || option == "-V") {
      options->version = true;
      return true;
    } else {
      return Wrong(err, "unrecognized option '" + option + "'", true);
    }
  }
  if (options->list && options->detail)
    return Wrong(err, std::string("--list is one line per drive: give it no ") + (options->probe ? "--probe" : "--detail"),
                 false);
  return true;
}
