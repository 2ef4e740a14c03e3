#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>

const GUID kGuidDevinterfaceCdrom = {0x53F56308, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};

// The platform's own seam, where the build has one.
PlatformApi* DefaultPlatformApi();

namespace {
PlatformApi* g_api = nullptr;
}

PlatformApi& Api() {
  if (g_api == nullptr) g_api = DefaultPlatformApi();
  if (g_api == nullptr) {
    std::fputs("quillanor: no operating-system seam is installed\n", stderr);
    std::abort();
  }
  return *g_api;
}

PlatformApi* SetApi(PlatformApi* api) {
  PlatformApi* previous = g_api;
  g_api = api;
  return previous;
}
