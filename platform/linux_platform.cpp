#include "platform/linux_platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/pass_through.h"

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
};

// Host and driver codes of the SG_IO header that mean the command did not
// complete at the drive (the kernel's DID_* and DRIVER_* values).
const unsigned kDidTimeOut = 0x03;
const unsigned kDriverTimeout = 0x06;
const unsigned kDriverSense = 0x08;

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

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case 0:
      return ERROR_SUCCESS;
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return ERROR_FILE_NOT_FOUND;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case EINVAL:
    case EFAULT:
      return ERROR_INVALID_PARAMETER;
    case ENOTTY:
    case EOPNOTSUPP:
      return ERROR_NOT_SUPPORTED;
    case ETIMEDOUT:
      return ERROR_SEM_TIMEOUT;
    case ENOMEDIUM:
      return ERROR_NOT_READY;
    case EIO:
      return ERROR_IO_DEVICE;
    default:
      return ERROR_GEN_FAILURE;
  }
}

LinuxPlatform::LinuxPlatform() : LinuxPlatform(LinuxPaths(), RealLinuxSystem()) {}

LinuxPlatform::LinuxPlatform(const LinuxPaths& paths, LinuxSystem& system)
    : m_paths(paths), m_system(system), m_lastError(ERROR_SUCCESS), m_sgIoCount(0), m_nextHandle(kFirstHandle) {}

LinuxPlatform::~LinuxPlatform() {
  // Whatever the program left open goes with the seam.
  for (std::map<std::uintptr_t, int>::const_iterator it = m_files.begin(); it != m_files.end(); ++it)
    m_system.Close(it->second);
}

BOOL LinuxPlatform::Fail(DWORD error) {
  m_lastError = error;
  return FALSE;
}

std::vector<LinuxDrive> LinuxPlatform::ListDrives() const {
  std::vector<LinuxDrive> drives;
  const std::string blockDir = m_paths.sysfs + "/class/block";
  DIR* dir = ::opendir(blockDir.c_str());
  if (dir == nullptr) return drives;
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
      if (ParseAddress(slash != nullptr ? slash + 1 : target, address)) std::copy(address, address + 4, drive.address);
    }
    drives.push_back(drive);
  }
  ::closedir(dir);
  std::sort(drives.begin(), drives.end(), ByAddress);
  return drives;
}

BOOL LinuxPlatform::GetVersionExA(OSVERSIONINFOA* info) {
  if (info == nullptr || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) return Fail(ERROR_INVALID_PARAMETER);
  std::memset(reinterpret_cast<char*>(info) + sizeof(DWORD), 0, sizeof(OSVERSIONINFOA) - sizeof(DWORD));
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  utsname names;
  if (::uname(&names) == 0) {
    unsigned major = 0, minor = 0;
    if (std::sscanf(names.release, "%u.%u", &major, &minor) == 2) {
      info->dwMajorVersion = major;
      info->dwMinorVersion = minor;
    }
    const std::string system = std::string(names.sysname) + " " + names.release;
    std::strncpy(info->szCSDVersion, system.c_str(), sizeof(info->szCSDVersion) - 1);
  }
  return TRUE;
}

UINT LinuxPlatform::SetErrorMode(UINT) { return 0; }

HMODULE LinuxPlatform::LoadLibraryA(const char*) {
  m_lastError = ERROR_FILE_NOT_FOUND;
  return nullptr;
}

FARPROC LinuxPlatform::GetProcAddress(HMODULE, const char*) { return nullptr; }

BOOL LinuxPlatform::FreeLibrary(HMODULE) { return Fail(ERROR_INVALID_HANDLE); }

HANDLE LinuxPlatform::CreateFileA(const char* path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD,
                                  HANDLE) {
  if (path == nullptr) {
    m_lastError = ERROR_INVALID_PARAMETER;
    return INVALID_HANDLE_VALUE;
  }
  // Non-blocking: an empty tray must not keep open() waiting for a disc.
  const int common = O_NONBLOCK | O_CLOEXEC;
  const bool write = (access & GENERIC_WRITE) != 0;
  int fd = m_system.Open(path, (write ? O_RDWR : O_RDONLY) | common);
  // INQUIRY and MODE SENSE are allowed on a read-only open.
  if (write && (fd == -EACCES || fd == -EPERM || fd == -EROFS)) fd = m_system.Open(path, O_RDONLY | common);
  if (fd < 0) {
    if (fd == -EACCES || fd == -EPERM) NoteAccessProblem(path);
    m_lastError = ErrorFromErrno(-fd);
    return INVALID_HANDLE_VALUE;
  }
  std::uintptr_t handle = m_nextHandle++;
  m_files[handle] = fd;
  m_lastError = ERROR_SUCCESS;
  return reinterpret_cast<HANDLE>(handle);
}

BOOL LinuxPlatform::CloseHandle(HANDLE handle) {
  std::map<std::uintptr_t, int>::iterator it = m_files.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == m_files.end()) return Fail(ERROR_INVALID_HANDLE);
  int result = m_system.Close(it->second);
  m_files.erase(it);  // the descriptor is gone even when close() reports an error
  return result < 0 ? Fail(ErrorFromErrno(-result)) : TRUE;
}

BOOL LinuxPlatform::DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                                    DWORD* returned, LPOVERLAPPED overlapped) {
  if (returned != nullptr) *returned = 0;
  std::map<std::uintptr_t, int>::const_iterator it = m_files.find(reinterpret_cast<std::uintptr_t>(device));
  if (it == m_files.end()) return Fail(ERROR_INVALID_HANDLE);
  if (code != kIoctlScsiPassThroughDirect || overlapped != nullptr) return Fail(ERROR_NOT_SUPPORTED);
  return PassThrough(it->second, in, inSize, out, outSize, returned);
}

BOOL LinuxPlatform::PassThrough(int fd, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned) {
  // The record is read from the input buffer and answered in the output
  // buffer; the program passes the same record as both.
  if (in == nullptr || out == nullptr || inSize < sizeof(ScsiPassThroughDirect) ||
      outSize < sizeof(ScsiPassThroughDirect))
    return Fail(ERROR_INVALID_PARAMETER);
  if (in != out) std::memmove(out, in, std::min(inSize, outSize));
  ScsiPassThroughDirect* header = static_cast<ScsiPassThroughDirect*>(out);
  if (header->CdbLength == 0 || header->CdbLength > sizeof(header->Cdb)) return Fail(ERROR_INVALID_PARAMETER);
  // The sense area lies inside the record, or nothing is sent.
  if (header->SenseInfoLength != 0 &&
      (header->SenseInfoOffset < sizeof(ScsiPassThroughDirect) || header->SenseInfoOffset > outSize ||
       header->SenseInfoLength > outSize - header->SenseInfoOffset))
    return Fail(ERROR_INVALID_PARAMETER);
  if (header->DataTransferLength != 0 && header->DataBuffer == nullptr) return Fail(ERROR_INVALID_PARAMETER);

  sg_io_hdr_t io;
  std::memset(&io, 0, sizeof(io));
  io.interface_id = 'S';
  if (header->DataTransferLength == 0)
    io.dxfer_direction = SG_DXFER_NONE;
  else if (header->DataIn == SCSI_IOCTL_DATA_IN)
    io.dxfer_direction = SG_DXFER_FROM_DEV;
  else if (header->DataIn == SCSI_IOCTL_DATA_OUT)
    io.dxfer_direction = SG_DXFER_TO_DEV;
  else
    return Fail(ERROR_INVALID_PARAMETER);
  io.cmd_len = header->CdbLength;
  io.cmdp = header->Cdb;
  io.dxfer_len = header->DataTransferLength;
  io.dxferp = header->DataBuffer;
  io.mx_sb_len = header->SenseInfoLength;
  io.sbp = header->SenseInfoLength != 0 ? static_cast<unsigned char*>(out) + header->SenseInfoOffset : nullptr;
  io.timeout = header->TimeOutValue > 0xFFFFFFFFu / 1000 ? 0xFFFFFFFFu : header->TimeOutValue * 1000;

  ++m_sgIoCount;
  int result = m_system.Ioctl(fd, SG_IO, &io);
  if (result < 0) return Fail(ErrorFromErrno(-result));

  // Only an answer from the drive counts: a command that timed out, lost
  // its connection or was reset on the way has no status to report.
  const unsigned driver = io.driver_status & 0x0F;
  if (io.host_status != 0 || (driver != 0 && driver != kDriverSense))
    return Fail(io.host_status == kDidTimeOut || driver == kDriverTimeout ? ERROR_SEM_TIMEOUT : ERROR_IO_DEVICE);

  header->ScsiStatus = io.status;
  header->SenseInfoLength = io.sb_len_wr <= header->SenseInfoLength ? io.sb_len_wr : header->SenseInfoLength;
  if (io.resid > 0 && static_cast<unsigned>(io.resid) <= header->DataTransferLength)
    header->DataTransferLength -= static_cast<unsigned>(io.resid);
  if (returned != nullptr) *returned = outSize;
  m_lastError = ERROR_SUCCESS;
  return TRUE;
}

void LinuxPlatform::NoteAccessProblem(const char* path) {
  std::string advice = std::string("cannot open ") + path + ": permission denied.";
  struct stat info;
  if (m_system.Stat(path, &info) == 0) {
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
  m_accessAdvice = advice;
}

std::string LinuxPlatform::GroupName(unsigned gid) const {
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

HANDLE LinuxPlatform::CreateEventA(LPSECURITY_ATTRIBUTES, BOOL, BOOL, const char*) {
  m_lastError = ERROR_NOT_SUPPORTED;
  return nullptr;
}

DWORD LinuxPlatform::WaitForSingleObject(HANDLE, DWORD) {
  m_lastError = ERROR_INVALID_HANDLE;
  return WAIT_FAILED;
}

BOOL LinuxPlatform::ResetEvent(HANDLE) { return Fail(ERROR_INVALID_HANDLE); }

DWORD LinuxPlatform::GetModuleFileNameA(HMODULE module, char* buffer, DWORD size) {
  if (module != nullptr || buffer == nullptr || size == 0) return Fail(ERROR_INVALID_PARAMETER);
  ssize_t length = ::readlink("/proc/self/exe", buffer, size - 1);
  if (length < 0) {
    buffer[0] = '\0';
    return Fail(ErrorFromErrno(errno));
  }
  buffer[length] = '\0';
  return static_cast<DWORD>(length);
}

UINT LinuxPlatform::GetWindowsDirectoryA(char*, UINT) { return Fail(ERROR_NOT_SUPPORTED); }

UINT LinuxPlatform::GetSystemDirectoryA(char*, UINT) { return Fail(ERROR_NOT_SUPPORTED); }

// Text on Linux is UTF-8: no byte begins a double-byte character, and only
// ASCII letters are lowered, so multibyte sequences stay intact.
BOOL LinuxPlatform::IsDBCSLeadByte(BYTE) { return FALSE; }

DWORD LinuxPlatform::CharLowerBuffA(char* text, DWORD length) {
  if (text == nullptr) return 0;
  for (DWORD i = 0; i < length; ++i)
    if (text[i] >= 'A' && text[i] <= 'Z') text[i] = static_cast<char>(text[i] - 'A' + 'a');
  return length;
}

HDEVINFO LinuxPlatform::SetupDiGetClassDevsA(const GUID* guid, const char*, HWND, DWORD) {
  if (guid == nullptr || std::memcmp(guid, &kGuidDevinterfaceCdrom, sizeof(GUID)) != 0) {
    m_lastError = ERROR_INVALID_PARAMETER;
    return INVALID_HANDLE_VALUE;
  }
  std::vector<std::string> paths;
  std::vector<LinuxDrive> drives = ListDrives();
  for (std::size_t i = 0; i < drives.size(); ++i) paths.push_back(m_paths.dev + "/" + drives[i].name);
  std::uintptr_t handle = m_nextHandle++;
  m_sets[handle] = paths;
  m_lastError = ERROR_SUCCESS;
  return reinterpret_cast<HDEVINFO>(handle);
}

BOOL LinuxPlatform::SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA, const GUID*, DWORD index,
                                                PSP_DEVICE_INTERFACE_DATA data) {
  std::map<std::uintptr_t, std::vector<std::string> >::const_iterator it =
      m_sets.find(reinterpret_cast<std::uintptr_t>(set));
  if (it == m_sets.end()) return Fail(ERROR_INVALID_HANDLE);
  if (data == nullptr || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) return Fail(ERROR_INVALID_PARAMETER);
  if (index >= it->second.size()) return Fail(ERROR_NO_MORE_ITEMS);
  data->InterfaceClassGuid = kGuidDevinterfaceCdrom;
  data->Flags = 1;  // active
  data->Reserved = index;
  return TRUE;
}

BOOL LinuxPlatform::SetupDiGetDeviceInterfaceDetailA(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                                     PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD size,
                                                     DWORD* required, PSP_DEVINFO_DATA) {
  std::map<std::uintptr_t, std::vector<std::string> >::const_iterator it =
      m_sets.find(reinterpret_cast<std::uintptr_t>(set));
  if (it == m_sets.end()) return Fail(ERROR_INVALID_HANDLE);
  if (data == nullptr || data->Reserved >= it->second.size()) return Fail(ERROR_INVALID_PARAMETER);
  const std::string& path = it->second[data->Reserved];
  const DWORD needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1);
  if (required != nullptr) *required = needed;
  if (detail == nullptr || size < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
  if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) return Fail(ERROR_INVALID_PARAMETER);
  char* target = reinterpret_cast<char*>(detail) + offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
  std::memcpy(target, path.c_str(), path.size() + 1);
  return TRUE;
}

BOOL LinuxPlatform::SetupDiDestroyDeviceInfoList(HDEVINFO set) {
  return m_sets.erase(reinterpret_cast<std::uintptr_t>(set)) != 0 ? TRUE : Fail(ERROR_INVALID_HANDLE);
}

DWORD LinuxPlatform::GetFileVersionInfoSizeA(const char*, DWORD* handle) {
  if (handle != nullptr) *handle = 0;
  return Fail(ERROR_NOT_SUPPORTED);
}

BOOL LinuxPlatform::GetFileVersionInfoA(const char*, DWORD, DWORD, void*) { return Fail(ERROR_NOT_SUPPORTED); }

BOOL LinuxPlatform::VerQueryValueA(const void*, const char*, void**, UINT*) { return Fail(ERROR_NOT_SUPPORTED); }

int LinuxPlatform::MessageBoxA(HWND, const char* text, const char* caption, UINT) {
  std::fprintf(stderr, "%s: %s\n", caption != nullptr ? caption : "quillanor", text != nullptr ? text : "");
  return IDOK;
}

PlatformApi* DefaultPlatformApi() {
  static LinuxPlatform platform;
  return &platform;
}
