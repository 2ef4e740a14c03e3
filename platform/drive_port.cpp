#include "platform/drive_port.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

const DriveHandle kNoDrive = reinterpret_cast<DriveHandle>(static_cast<std::intptr_t>(-1));

namespace {
DrivePort* g_port = nullptr;
}

DrivePort& Drives() {
  if (g_port == nullptr) g_port = DefaultDrivePort();
  if (g_port == nullptr) {
    std::fputs("quillanor: this build has no way to reach drives\n", stderr);
    std::abort();
  }
  return *g_port;
}

DrivePort* SetDrivePort(DrivePort* port) {
  DrivePort* previous = g_port;
  g_port = port;
  return previous;
}

bool MalformedCommand(const DriveCommand& command) {
  return command.cdbLength == 0 || command.cdbLength > kMaxCdbLength || command.senseRoom > kMaxSenseLength ||
         (command.length != 0 && (command.buffer == nullptr || command.direction == DriveCommand::kUnspecified));
}
