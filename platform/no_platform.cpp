// Builds without a seam of their own: tests install the stand-in.
#include "platform/platform.h"

PlatformApi* DefaultPlatformApi() { return nullptr; }
