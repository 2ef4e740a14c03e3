// Stands in for the web browser in tests: appends the address it was asked
// to open to the file named by QUILLANOR_URL_LOG.
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  const char* log = std::getenv("QUILLANOR_URL_LOG");
  if (log == nullptr || argc < 2) return 1;
  std::FILE* out = std::fopen(log, "ab");
  if (out == nullptr) return 1;
  std::fprintf(out, "%s\n", argv[1]);
  return std::fclose(out) == 0 ? 0 : 1;
}
