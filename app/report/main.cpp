// quillanor-report: the drives and their capabilities, on standard output.
#include <cstdio>
#include <exception>
#include <string>

#include "app/report/report.h"

namespace {
// Writes all of text; false when the stream would not take it.
bool WriteAll(const std::string& text, FILE* stream) {
  return std::fwrite(text.data(), 1, text.size(), stream) == text.size() && std::fflush(stream) == 0;
}
}  // namespace

int main(int argc, char** argv) {
  int status = kReportCannotRun;
  std::string out, err;
  try {
    status = RunReport(argc, argv, &out, &err);
  } catch (const CMemoryException&) {
    err += "quillanor-report: out of memory\n";
  } catch (const std::exception& error) {
    err += std::string("quillanor-report: ") + error.what() + "\n";
  } catch (...) {
    err += "quillanor-report: unexpected failure\n";
  }
  WriteAll(err, stderr);
  // A report cut short (a full disk, a closed pipe) must not look complete.
  if (!WriteAll(out, stdout)) {
    std::fputs("quillanor-report: cannot write the report\n", stderr);
    return kReportCannotRun;
  }
  return status;
}
