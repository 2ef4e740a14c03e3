#include "platform/linux_drive_port.h"

#include <dirent.h>
#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

class KernelSystem : public LinuxSystem {
 public:
  int Open(const char* path, int flags) override {
    int fd = ::open(path, flags);
    return fd < 0 ? -errno : fd;
  }
  int Ioctl(int fd, unsigned long request, void* argument) override {
    int result = ::ioctl(fd, request, argument);
    return result < 0 ? -errno : result;
  }
  int Close(int fd) override { return ::close(fd) < 0 ? -errno : 0; }
  int Stat(const char* path, struct stat* info) override { return ::stat(path, info) < 0 ? -errno : 0; }
  std::string RealPath(const char* path) override {
    char* resolved = ::realpath(path, nullptr);
    if (resolved == nullptr) return std::string();
    std::string result = resolved;
    std::free(resolved);
    return result;
  }
};

// Host and driver codes of the SG_IO header (the kernel's DID_* and
// DRIVER_* values) that the outcome tells apart.
const unsigned kDidNoConnect = 0x01;
const unsigned kDidTimeOut = 0x03;
const unsigned kDidBadTarget = 0x04;
const unsigned kDriverTimeout = 0x06;
const unsigned kDriverSense = 0x08;

// The kernel's names of its host codes, for the outcome's message.
const char* const kHostCodes[] = {"DID_OK",       "DID_NO_CONNECT", "DID_BUS_BUSY", "DID_TIME_OUT",
                                  "DID_BAD_TARGET", "DID_ABORT",    "DID_PARITY",   "DID_ERROR",
                                  "DID_RESET",    "DID_BAD_INTR",   "DID_PASSTHROUGH", "DID_SOFT_ERROR",
                                  "DID_IMM_RETRY", "DID_REQUEUE",   "DID_TRANSPORT_DISRUPTED",
                                  "DID_TRANSPORT_FAILFAST"};

CommandOutcome::Failure FailureOfErrno(int error) {
  switch (error) {
    case ETIMEDOUT:
      return CommandOutcome::kTimedOut;
    case ENODEV:
    case ENXIO:
    case ENOENT:
      return CommandOutcome::kNoSuchDevice;
    default:
      return CommandOutcome::kSystemError;
  }
}

CommandOutcome FromErrno(int error) {
  return CommandOutcome::NotCarried(FailureOfErrno(error), error, std::strerror(error));
}

// A command that the kernel ended at the host or in the driver: no status
// came from the drive.
CommandOutcome FromHostOrDriver(unsigned host, unsigned driver) {
  char text[96];
  if (host != 0) {
    const char* name = host < sizeof(kHostCodes) / sizeof(kHostCodes[0]) ? kHostCodes[host] : "unknown";
    std::snprintf(text, sizeof(text), "host status 0x%02x (%s)", host, name);
  } else {
    std::snprintf(text, sizeof(text), "driver status 0x%02x", driver);
  }
  CommandOutcome::Failure failure = CommandOutcome::kSystemError;
  if (host == kDidTimeOut || (host == 0 && driver == kDriverTimeout))
    failure = CommandOutcome::kTimedOut;
  else if (host == kDidNoConnect || host == kDidBadTarget)
    failure = CommandOutcome::kNoSuchDevice;
  return CommandOutcome::NotCarried(failure, 0, text);
}

const std::uintptr_t kFirstHandle = 0x100;

std::string ReadFirstLine(const std::string& path) {
  std::string line;
  FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) return line;
  char buffer[256];
  if (std::fgets(buffer, sizeof(buffer), file) != nullptr) line = buffer;
  std::fclose(file);
  while (!line.empty() && (line.back() == '\n' || line.back() == ' ' || line.back() == '\r')) line.pop_back();
  return line;
}

// "sr" followed by digits only: sr0, sr12; not "sr0p1" or "srx".
bool IsOpticalName(const char* name) {
  if (std::strncmp(name, "sr", 2) != 0 || name[2] == '\0') return false;
  for (const char* p = name + 2; *p != '\0'; ++p)
    if (*p < '0' || *p > '9') return false;
  return true;
}

bool ParseAddress(const std::string& text, int address[4]) {
  char tail = 0;
  return std::sscanf(text.c_str(), "%d:%d:%d:%d%c", &address[0], &address[1], &address[2], &address[3], &tail) ==
         4;
}

// What the port knows of a drive it found in sysfs.
struct LinuxDrive {
  std::string name;  // srN
  int address[4];    // SCSI host, channel, target, lun
};

bool ByAddress(const LinuxDrive& a, const LinuxDrive& b) {
  for (int i = 0; i < 4; ++i)
    if (a.address[i] != b.address[i]) return a.address[i] < b.address[i];
  // Same or unknown address: sr2 before sr10.
  if (a.name.size() != b.name.size()) return a.name.size() < b.name.size();
  return a.name < b.name;
}

std::string ModeText(mode_t mode) {
  const char* letters = "rwxrwxrwx";
  std::string text(1, S_ISCHR(mode) ? 'c' : S_ISBLK(mode) ? 'b' : '-');
  for (int i = 0; i < 9; ++i) text += (mode & (0400 >> i)) ? letters[i] : '-';
  return text;
}

}  // namespace

LinuxSystem& RealLinuxSystem() {
  static KernelSystem system;
  return system;
}

LinuxDrivePort::LinuxDrivePort() : LinuxDrivePort(LinuxPaths(), RealLinuxSystem()) {}

LinuxDrivePort::LinuxDrivePort(const LinuxPaths& paths, LinuxSystem& system)
    : m_paths(paths), m_system(system), m_sgIoCount(0), m_nextHandle(kFirstHandle) {}

LinuxDrivePort::~LinuxDrivePort() {
  // Whatever was left open goes with the port.
  for (std::map<std::uintptr_t, int>::const_iterator it = m_files.begin(); it != m_files.end(); ++it)
    m_system.Close(it->second);
}

std::vector<std::string> LinuxDrivePort::ListDrives() {
  std::vector<LinuxDrive> drives;
  const std::string blockDir = m_paths.sysfs + "/class/block";
  DIR* dir = ::opendir(blockDir.c_str());
  if (dir != nullptr) {
    while (const dirent* entry = ::readdir(dir)) {
      if (!IsOpticalName(entry->d_name)) continue;
      const std::string device = blockDir + "/" + entry->d_name + "/device";
      // Peripheral type 5: a CD/DVD drive (the sr driver also takes WORM, 4).
      if (ReadFirstLine(device + "/type") != "5") continue;
      LinuxDrive drive;
      drive.name = entry->d_name;
      for (int i = 0; i < 4; ++i) drive.address[i] = 0x7FFFFFFF;
      char target[4096];
      ssize_t length = ::readlink(device.c_str(), target, sizeof(target) - 1);
      if (length > 0) {
        target[length] = '\0';
        const char* slash = std::strrchr(target, '/');
        int address[4];
        if (ParseAddress(slash != nullptr ? slash + 1 : target, address))
          std::copy(address, address + 4, drive.address);
      }
      drives.push_back(drive);
    }
    ::closedir(dir);
  }
  std::sort(drives.begin(), drives.end(), ByAddress);
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < drives.size(); ++i) paths.push_back(m_paths.dev + "/" + drives[i].name);
  return paths;
}

OpenedDrive LinuxDrivePort::Open(const std::string& path) {
  OpenedDrive opened;
  opened.handle = kNoDrive;
  opened.failure = CommandOutcome::kCarried;
  opened.accessDenied = false;
  opened.systemError = 0;
  // Non-blocking: an empty tray must not keep open() waiting for a disc.
  const int common = O_NONBLOCK | O_CLOEXEC;
  int fd = m_system.Open(path.c_str(), O_RDWR | common);
  // INQUIRY and MODE SENSE are allowed on a read-only open.
  if (fd == -EACCES || fd == -EPERM || fd == -EROFS) fd = m_system.Open(path.c_str(), O_RDONLY | common);
  if (fd < 0) {
    opened.failure = FailureOfErrno(-fd);
    opened.systemError = -fd;
    if (fd == -EACCES || fd == -EPERM) {
      opened.accessDenied = true;
      opened.advice = AccessAdvice(path);
    }
    return opened;
  }
  std::uintptr_t handle = m_nextHandle++;
  m_files[handle] = fd;
  opened.handle = reinterpret_cast<DriveHandle>(handle);
  return opened;
}

void LinuxDrivePort::Close(DriveHandle drive) {
  std::map<std::uintptr_t, int>::iterator it = m_files.find(reinterpret_cast<std::uintptr_t>(drive));
  if (it == m_files.end()) return;
  m_system.Close(it->second);
  m_files.erase(it);  // the descriptor is gone even when close() reports an error
}

CommandOutcome LinuxDrivePort::Execute(DriveHandle drive, const DriveCommand& command) {
  std::map<std::uintptr_t, int>::const_iterator it = m_files.find(reinterpret_cast<std::uintptr_t>(drive));
  if (it == m_files.end()) return CommandOutcome::NotCarried(CommandOutcome::kNotSent, EBADF, "no such open drive");
  if (MalformedCommand(command)) return CommandOutcome::NotCarried(CommandOutcome::kNotSent, EINVAL, "malformed command");

  unsigned char cdb[16];
  std::memcpy(cdb, command.cdb, command.cdbLength);
  unsigned char sense[32] = {0};
  sg_io_hdr_t io;
  std::memset(&io, 0, sizeof(io));
  io.interface_id = 'S';
  if (command.length == 0)
    io.dxfer_direction = SG_DXFER_NONE;
  else
    io.dxfer_direction = command.direction == DriveCommand::kFromDrive ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV;
  io.cmd_len = static_cast<unsigned char>(command.cdbLength);
  io.cmdp = cdb;
  io.dxfer_len = static_cast<unsigned>(command.length);
  io.dxferp = command.buffer;
  io.mx_sb_len = static_cast<unsigned char>(command.senseRoom);
  io.sbp = sense;
  io.timeout = command.timeoutSeconds > 0xFFFFFFFFu / 1000 ? 0xFFFFFFFFu : command.timeoutSeconds * 1000;

  ++m_sgIoCount;
  int result = m_system.Ioctl(it->second, SG_IO, &io);
  if (result < 0) return FromErrno(-result);

  // Only an answer from the drive counts: a command that timed out, lost
  // its connection or was reset on the way has no status to report.
  const unsigned driver = io.driver_status & 0x0F;
  if (io.host_status != 0 || (driver != 0 && driver != kDriverSense)) return FromHostOrDriver(io.host_status, driver);

  // The kernel writes no more than the room it was given; a count beyond it
  // is not believed.
  std::size_t senseLength = io.sb_len_wr <= command.senseRoom ? io.sb_len_wr : command.senseRoom;
  long moved = io.resid >= 0 && static_cast<unsigned>(io.resid) <= io.dxfer_len
                   ? static_cast<long>(io.dxfer_len - static_cast<unsigned>(io.resid))
                   : kTransferUnknown;
  return CommandOutcome::FromStatus(io.status, sense, senseLength, moved);
}

std::string LinuxDrivePort::CanonicalPath(const std::string& path) {
  const std::string resolved = m_system.RealPath(path.c_str());
  return resolved.empty() ? path : resolved;
}

std::string LinuxDrivePort::UnlistedReason(const std::string& path) {
  struct stat info;
  const int result = m_system.Stat(path.c_str(), &info);
  if (result == -ENOENT || result == -ENOTDIR) return "does not exist";
  if (result < 0) return std::string("cannot be examined: ") + std::strerror(-result);
  if (!S_ISBLK(info.st_mode)) return "is not a device; CD/DVD drives are /dev/srN";
  return "is not a CD/DVD drive (those are the block devices sr* of SCSI type 5)";
}

std::string LinuxDrivePort::NoDrivesAdvice() const {
  return "no CD/DVD drive in " + m_paths.sysfs +
         "/class/block (block devices sr* of SCSI type 5): the sr_mod module may not be loaded, a USB drive "
         "may be unplugged, or this is a virtual machine or container without a CD device";
}

std::string LinuxDrivePort::AccessAdvice(const std::string& path) const {
  std::string advice = "cannot open " + path + ": permission denied.";
  struct stat info;
  if (m_system.Stat(path.c_str(), &info) == 0) {
    const std::string group = GroupName(info.st_gid);
    advice += " It is " + ModeText(info.st_mode) + ", group " + group + ".";
    if ((info.st_mode & 0060) != 0)
      advice += " Members of that group may open it: sudo usermod -aG " + group +
                " \"$USER\", then log in again; or run as root.";
    else
      advice += " Only its owner may open it: run as root.";
  } else {
    advice += " Run as root, or as a member of the group that owns the device.";
  }
  return advice;
}

std::string LinuxDrivePort::GroupName(unsigned gid) const {
  // Read the group file directly: a static program has no name services.
  FILE* file = std::fopen(m_paths.groupFile.c_str(), "r");
  if (file != nullptr) {
    char line[1024];
    while (std::fgets(line, sizeof(line), file) != nullptr) {
      char* nameEnd = std::strchr(line, ':');
      if (nameEnd == nullptr) continue;
      char* passwordEnd = std::strchr(nameEnd + 1, ':');
      if (passwordEnd == nullptr) continue;
      unsigned found = 0;
      char after = 0;
      if (std::sscanf(passwordEnd + 1, "%u%c", &found, &after) == 2 && after == ':' && found == gid) {
        std::fclose(file);
        return std::string(line, nameEnd);
      }
    }
    std::fclose(file);
  }
  char number[16];
  std::snprintf(number, sizeof(number), "%u", gid);
  return number;
}

namespace {

std::string Trimmed(const std::string& text) {
  const char* blank = " \t\r\n";
  const std::size_t first = text.find_first_not_of(blank);
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(blank) - first + 1);
}

// Whether a path component is `prefix` and a number after it: "host3",
// "ata1", "usb2", "fw0" and "fw0.1".
bool NumberedComponent(const std::string& component, const char* prefix) {
  const std::size_t length = std::strlen(prefix);
  return component.size() > length && component.compare(0, length, prefix) == 0 && component[length] >= '0' &&
         component[length] <= '9';
}

// How a SCSI host shows its bus: by its driver (proc_name) or by a
// component on the device's path. The first that matches names the bus;
// none names "SCSI".
struct BusSign {
  const char* bus;
  const char* component;  // numbered, as NumberedComponent reads it; or null
  const char* drivers[2];
};
const BusSign kBusSigns[] = {
    {kBusUsb, "usb", {"usb-storage", "uas"}},
    {kBus1394, "fw", {"sbp2", nullptr}},
    {"ATA", "ata", {nullptr, nullptr}},
    {"virtio", nullptr, {"virtio_scsi", nullptr}},
};
const char* const kBusOther = "SCSI";

const char* BusOf(const std::vector<std::string>& components, const std::string& driver) {
  for (const BusSign& sign : kBusSigns) {
    for (const char* name : sign.drivers)
      if (name != nullptr && driver == name) return sign.bus;
    if (sign.component != nullptr)
      for (const std::string& component : components)
        if (NumberedComponent(component, sign.component)) return sign.bus;
  }
  return kBusOther;
}

// The serial number of a VPD page 80h as the kernel saved it (vpd_pg80):
// byte 1 the page code, bytes 2-3 the length, the serial after; read no
// further than the file or the page goes.
std::string VpdSerial(const std::string& path) {
  std::vector<unsigned char> page(4 + 0xFFFF);
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::string();
  const std::size_t size = std::fread(page.data(), 1, page.size(), file);
  std::fclose(file);
  if (size < 4 || page[1] != 0x80) return std::string();
  const std::size_t length = std::min<std::size_t>(size - 4, (page[2] << 8) | page[3]);
  std::string serial(reinterpret_cast<const char*>(page.data() + 4), length);
  // Drives pad the field with blanks, some with NULs.
  const std::size_t end = serial.find('\0');
  return Trimmed(serial.substr(0, end));
}

// A queue limit as a number of bytes; -1 when missing or not a number.
long long QueueLimit(const std::string& path, long long unit) {
  const std::string text = ReadFirstLine(path);
  if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789") != std::string::npos) return -1;
  return std::atoll(text.c_str()) * unit;
}

}  // namespace

DriveConnection LinuxDrivePort::Connection(DriveHandle drive, const std::string& path) {
  (void)drive;
  DriveConnection connection;
  const std::string canonical = CanonicalPath(path);
  const std::vector<std::string> listed = ListDrives();
  if (std::find(listed.begin(), listed.end(), canonical) == listed.end()) return connection;
  const std::string name = canonical.substr(m_paths.dev.size() + 1);
  // The device's own directory, every link resolved (a loop resolves to nothing).
  char* resolved = ::realpath((m_paths.sysfs + "/class/block/" + name + "/device").c_str(), nullptr);
  char* root = ::realpath(m_paths.sysfs.c_str(), nullptr);
  const std::string device = resolved != nullptr ? resolved : "";
  const std::string sysfs = root != nullptr ? root : "";
  std::free(resolved);
  std::free(root);
  if (device.empty() || sysfs.empty() || device.compare(0, sysfs.size() + 1, sysfs + "/") != 0) return connection;
  connection.source = "sysfs";

  std::vector<std::string> components;
  for (std::size_t start = sysfs.size() + 1; start < device.size();) {
    std::size_t end = device.find('/', start);
    if (end == std::string::npos) end = device.size();
    components.push_back(device.substr(start, end - start));
    start = end + 1;
  }
  std::string host;
  for (const std::string& component : components)
    if (NumberedComponent(component, "host") && component.find_first_not_of("0123456789", 4) == std::string::npos)
      host = component;
  if (!host.empty()) connection.driver = ReadFirstLine(sysfs + "/class/scsi_host/" + host + "/proc_name");
  // Some drivers leave proc_name unset (uas: "(null)"); then the driver
  // bound to the device the host hangs from (a USB interface, a virtio
  // device) is the host's.
  if ((connection.driver.empty() || connection.driver == "(null)") && !host.empty()) {
    const std::size_t at = device.find("/" + host + "/");
    char* bound = ::realpath((device.substr(0, at) + "/driver").c_str(), nullptr);
    connection.driver = bound != nullptr ? std::strrchr(bound, '/') + 1 : "";
    std::free(bound);
  }
  connection.bus = BusOf(components, connection.driver);

  // The USB device on the way: the nearest directory above that has IDs
  // (an interface has none; the root hub above it has its own).
  for (std::size_t slash = device.rfind('/'); slash != std::string::npos && slash > sysfs.size();
       slash = device.rfind('/', slash - 1)) {
    const std::string directory = device.substr(0, slash);
    const std::string vendorId = ReadFirstLine(directory + "/idVendor");
    if (vendorId.empty()) continue;
    connection.bus = kBusUsb;
    connection.usbVendorId = vendorId;
    connection.usbProductId = ReadFirstLine(directory + "/idProduct");
    connection.usbManufacturer = Trimmed(ReadFirstLine(directory + "/manufacturer"));
    connection.usbProduct = Trimmed(ReadFirstLine(directory + "/product"));
    connection.usbSpeed = ReadFirstLine(directory + "/speed");
    break;
  }

  connection.vendor = Trimmed(ReadFirstLine(device + "/vendor"));
  connection.product = Trimmed(ReadFirstLine(device + "/model"));
  connection.revision = Trimmed(ReadFirstLine(device + "/rev"));
  connection.serial = VpdSerial(device + "/vpd_pg80");
  // SG_IO refuses a transfer over the hardware's limit, and maps a buffer
  // directly only at the queue's DMA alignment.
  const std::string queue = m_paths.sysfs + "/class/block/" + name + "/queue/";
  connection.maxTransfer = QueueLimit(queue + "max_hw_sectors_kb", 1024);
  connection.alignmentMask = QueueLimit(queue + "dma_alignment", 1);
  return connection;
}

DrivePort* DefaultDrivePort() {
  static LinuxDrivePort port;
  return &port;
}
