// The replay's peak memory and time for the largest saved report it reads:
// as many drives as the cap allows for, each with the most features a GET
// CONFIGURATION answer holds, padded to the cap. A figure, not a test.
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: replay_memory PROGRAM\n");
    return 2;
  }
  const std::string path = "/tmp/quillanor-largest-report.json";
  std::string document = LargestReport();
  const std::size_t written = document.size();
  if (document.size() < kLargestReport) document.append(kLargestReport - document.size(), ' ');
  std::ofstream(path.c_str(), std::ios::binary) << document;
  document = std::string();

  timeval start, end;
  gettimeofday(&start, nullptr);
  const pid_t child = fork();
  if (child == 0) {
    if (std::freopen("/dev/null", "w", stdout) == nullptr) _exit(127);
    execl(argv[1], argv[1], "--replay", path.c_str(), "--json", "--detail", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage;
  if (child < 0 || wait4(child, &status, 0, &usage) != child) return 1;
  gettimeofday(&end, nullptr);
  const double seconds = static_cast<double>(end.tv_sec - start.tv_sec) + (end.tv_usec - start.tv_usec) / 1e6;
  const double peak = static_cast<double>(usage.ru_maxrss) * 1024.0;  // Linux gives kilobytes
  std::printf("  replay of the largest accepted report: %zu bytes (%zu drives, %zu bytes of report, the rest blanks)\n",
              kLargestReport, kLargestReportDrives, written);
  std::printf("    exit status %d, %.2f s, peak resident memory %.0f MB (%.1f bytes a byte of input)\n",
              WIFEXITED(status) ? WEXITSTATUS(status) : -1, seconds, peak / 1e6, peak / static_cast<double>(kLargestReport));
  std::remove(path.c_str());
  return 0;
}
