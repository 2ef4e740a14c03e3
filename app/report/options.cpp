#include "app/report/options.h"

#include <cstring>

const char kReportProgram[] = "quillanor-report";

const char kReportUsage[] =
    "Usage: quillanor-report [--json] [--detail] [--device PATH | --drive N]\n"
    "Print, for every CD/DVD drive of this computer, its name and what it can do:\n"
    "the 24 capabilities that the drive reports in its MMC capabilities page\n"
    "(MODE SENSE page 2Ah), or why it could not report them.\n"
    "\n"
    "  --json          print one JSON document instead of text\n"
    "  --detail        also print the rest of the capabilities page (loading\n"
    "                  mechanism, lock, speeds, buffer, write speeds) and the\n"
    "                  drive's media profiles (GET CONFIGURATION)\n"
    "  --device PATH   report only the drive opened as PATH (Linux: /dev/srN)\n"
    "  --drive N       report only drive N, counted from 0 as the window lists them\n"
    "  -h, --help      show this help and exit\n"
    "  -V, --version   show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0  every drive answered (also when there is no drive)\n"
    "  1  some drive failed the query; its failure lines say why\n"
    "  2  the command could not run: a bad option, no such drive, or no access\n"
    "     to the drives\n"
    "\n"
    "On Linux the drives are /dev/sr*, opened read-only when read-write is not\n"
    "allowed; their group (often 'cdrom') may open them without root.\n";

namespace {

bool Wrong(std::string* err, const std::string& message, bool hint) {
  *err += std::string(kReportProgram) + ": " + message + "\n";
  if (hint) *err += std::string("Try '") + kReportProgram + " --help' for more information.\n";
  return false;
}

// Decimal digits only, by hand: the 32-bit command imports nothing that
// Windows 98's runtime may lack. -1 for anything else or above 9999.
long DriveNumber(const char* text) {
  if (*text == '\0') return -1;
  long number = 0;
  for (const char* digit = text; *digit != '\0'; ++digit) {
    if (*digit < '0' || *digit > '9') return -1;
    number = number * 10 + (*digit - '0');
    if (number > 9999) return -1;
  }
  return number;
}

}  // namespace

bool ParseReportOptions(int argc, const char* const* argv, ReportOptions* options, std::string* err) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--json") {
      options->json = true;
    } else if (option == "--detail") {
      options->detail = true;
    } else if (option == "--device" || option == "--drive") {
      if (i + 1 >= argc) return Wrong(err, "option '" + option + "' needs a value", true);
      if (options->OneDrive()) return Wrong(err, "give one --device or --drive", false);
      const char* value = argv[++i];
      if (option == "--device") {
        if (*value == '\0') return Wrong(err, "'' is no device path", false);
        options->devicePath = value;
      } else {
        options->driveIndex = DriveNumber(value);
        if (options->driveIndex < 0) return Wrong(err, std::string("'") + value + "' is no drive number", false);
      }
    } else if (option == "--help" || option == "-h") {
      options->help = true;
      return true;
    } else if (option == "--version" || option == "-V") {
      options->version = true;
      return true;
    } else {
      return Wrong(err, (option[0] == '-' ? "unrecognized option '" : "unexpected argument '") + option + "'", true);
    }
  }
  return true;
}
