// Prints how long Quillanor.exe takes from start until its dialog is ready,
// against the bare dialog program, and the size of each program.
//   startup_bench <Quillanor.exe> <bare_dialog.exe> [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/uidriver/uidriver.h"

namespace {

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Time from start to a ready dialog; negative when it never came.
double Startup(const std::string& exe) {
  uidriver::Session session;
  LARGE_INTEGER start, ready;
  QueryPerformanceCounter(&start);
  if (!session.Start(exe, std::string()) || session.WaitForDialog(60000) == nullptr) return -1;
  QueryPerformanceCounter(&ready);
  session.Click(IDOK);
  session.WaitForExit(10000);
  return Seconds(start, ready);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: startup_bench <Quillanor.exe> <bare_dialog.exe> [runs]\n");
    return 2;
  }
  int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;
  // A first turn, not counted, warms the file cache and Wine's libraries
  // for both. Then the two are taken in turn, so that a machine that slows
  // down or speeds up meanwhile weighs on both alike; the ratio is the
  // median of each turn's ratio.
  std::vector<double> bare, program, ratios;
  for (int turn = -1; turn < runs; ++turn) {
    double b = Startup(argv[2]);
    double p = Startup(argv[1]);
    if (b <= 0 || p <= 0) {
      std::printf("a dialog did not open\n");
      return 1;
    }
    if (turn < 0) continue;
    bare.push_back(b);
    program.push_back(p);
    ratios.push_back(p / b);
  }
  std::printf("start-up to a ready dialog, median of %d runs, in turn:\n", runs);
  std::printf("  Quillanor.exe    %.3f s\n", Median(program));
  std::printf("  bare dialog      %.3f s\n", Median(bare));
  std::printf("  ratio            %.2f (median of the turns' ratios)\n", Median(ratios));
  std::printf("size of Quillanor.exe: %lld bytes\n", FileSize(argv[1]));
  return 0;
}
