// The replay's peak memory and time for the largest saved report it reads
// (as many drives as the cap allows for, each with the most features a GET
// CONFIGURATION answer holds, padded to the cap), and for the densest
// document of the cap's size (a report of no drives with a list of zeros
// beside them: a value every two bytes). A figure, not a test.
//   replay_memory PROGRAM   PROGRAM: the quillanor-report to measure
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/report/replay.h"
#include "app/report/report.h"
#include "tests/support/helpers.h"

namespace {

std::string LargestReport() {
  std::vector<driveemu::EmulatedUnit> units;
  for (std::size_t i = 0; i < kLargestReportDrives; ++i) {
    driveemu::EmulatedUnit unit = testing_helpers::Drive(0, static_cast<int>(i), "LARGEST", "DRIVE",
                                                         {0x3F, 0x37, 0x71, 0x63, 0x29, 0x23});
    unit.features.assign((kLargestConfiguration - 8) / 4, driveemu::FeatureDescriptor(0xFF00, 0x03, {}));
    unit.answersPerformance = true;
    units.push_back(unit);
  }
  StandInPlatform os(testing_helpers::Profile(units));
  const char* argv[] = {"quillanor-report", "--json", "--detail"};
  std::string out, err;
  RunReport(3, argv, &out, &err);
  return out;
}

// The densest document of the cap's size: a value every two bytes.
std::string DensestDocument() {
  std::string text = "{\"program\": \"quillanor-report\", \"redacted\": false, \"drives\": [], \"zeros\": [0";
  const std::string end = "]}";
  while (text.size() + 2 + end.size() <= kLargestReport) text += ",0";
  return text + end;
}

// Runs the program on the document; false when it would not run.
bool Measure(const char* program, const std::string& document, const char* what) {
  const std::string path = "/tmp/quillanor-largest-report.json";
  std::ofstream(path.c_str(), std::ios::binary) << document;
  timeval start, end;
  std::fflush(stdout);  // or the child would write it again
  gettimeofday(&start, nullptr);
  const pid_t child = fork();
  if (child == 0) {
    if (std::freopen("/dev/null", "w", stdout) == nullptr || std::freopen("/dev/null", "w", stderr) == nullptr)
      _exit(127);
    execl(program, program, "--replay", path.c_str(), "--json", "--detail", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage;
  const bool ran = child > 0 && wait4(child, &status, 0, &usage) == child;
  gettimeofday(&end, nullptr);
  std::remove(path.c_str());
  if (!ran) return false;
  const double seconds = static_cast<double>(end.tv_sec - start.tv_sec) + (end.tv_usec - start.tv_usec) / 1e6;
  const double peak = static_cast<double>(usage.ru_maxrss) * 1024.0;  // Linux gives kilobytes
  std::printf("  %s: %zu bytes, exit status %d, %.2f s, peak resident memory %.0f MB (%.1f bytes a byte of input)\n",
              what, document.size(), WIFEXITED(status) ? WEXITSTATUS(status) : -1, seconds, peak / 1e6,
              peak / static_cast<double>(document.size()));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: replay_memory PROGRAM\n");
    return 2;
  }
  std::string document = LargestReport();
  std::printf("  the largest report: %zu drives, %zu bytes, padded with blanks to the cap\n", kLargestReportDrives,
              document.size());
  if (document.size() < kLargestReport) document.append(kLargestReport - document.size(), ' ');
  if (!Measure(argv[1], document, "replay of the largest report read")) return 1;
  if (!Measure(argv[1], DensestDocument(), "replay of the densest document read")) return 1;
  return 0;
}
