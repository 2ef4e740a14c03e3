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

// Median time to a ready dialog over the runs; negative when it never came.
double MedianStartup(const std::string& exe, int runs) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    uidriver::Session session;
    LARGE_INTEGER start, ready;
    QueryPerformanceCounter(&start);
    if (!session.Start(exe, std::string()) || session.WaitForDialog(60000) == nullptr) return -1;
    QueryPerformanceCounter(&ready);
    times.push_back(Seconds(start, ready));
    session.Click(IDOK);
    session.WaitForExit(10000);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
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
  MedianStartup(argv[2], 1);  // warm the file cache and Wine's libraries
  double bare = MedianStartup(argv[2], runs);
  double program = MedianStartup(argv[1], runs);
  if (bare <= 0 || program <= 0) {
    std::printf("a dialog did not open\n");
    return 1;
  }
  std::printf("start-up to a ready dialog, median of %d runs:\n", runs);
  std::printf("  Quillanor.exe    %.3f s\n", program);
  std::printf("  bare dialog      %.3f s\n", bare);
  std::printf("  ratio            %.2f\n", program / bare);
  std::printf("size of Quillanor.exe: %lld bytes\n", FileSize(argv[1]));
  return 0;
}
