// quillanor-report: the drives and their capabilities, on standard output.
#include <cstdio>
#include <exception>
#include <iostream>

#include "app/report/report.h"

int main(int argc, char** argv) {
  try {
    return RunReport(argc, argv, std::cout, std::cerr);
  } catch (const CMemoryException&) {
    std::fputs("quillanor-report: out of memory\n", stderr);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quillanor-report: %s\n", error.what());
  } catch (...) {
    std::fputs("quillanor-report: unexpected failure\n", stderr);
  }
  return kReportCannotRun;
}
