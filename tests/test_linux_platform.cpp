// The Linux drive port: drives from a sysfs tree of the test's own, the
// device list and the reports above it, and SG_IO answered by a stand-in
// kernel. No Windows call is installed: one made would end the test.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "app/report/report.h"
#include "interrogation/capabilities.h"
#include "platform/linux_drive_port.h"
#include "tests/support/helpers.h"

using namespace testing_helpers;

namespace {

// A kernel that answers SG_IO from emulated drives, by device path.
class FakeKernel : public LinuxSystem {
 public:
  struct Node {
    driveemu::EmulatedUnit unit;
    int readWriteError = 0;  // errno of an O_RDWR open
    int readOnlyError = 0;   // errno of an O_RDONLY open
    mode_t mode = S_IFBLK | 0660;
    gid_t gid = 24;
  };
  std::map<std::string, Node> nodes;
  std::vector<std::pair<std::string, int> > opens;  // path and flags, successful or not
  std::map<int, std::string> openFds;
  std::map<int, int> closeCounts;
  std::vector<sg_io_hdr_t> sent;
  // Forced outcome of the next SG_IO calls, after the drive has answered.
  int ioctlError = 0;
  unsigned hostStatus = 0;
  unsigned driverStatus = 0;
  int faultyOpcode = -1;  // the forced outcome for this operation code alone; -1: for every command
  // Counts a kernel should never give, forced after the drive answered.
  bool forceResid = false;
  int resid = 0;
  int senseCount = -1;  // sb_len_wr; -1: as the drive's sense had it

  int Open(const char* path, int flags) override {
    opens.push_back(std::make_pair(std::string(path), flags));
    std::map<std::string, Node>::const_iterator it = nodes.find(path);
    if (it == nodes.end()) return -ENOENT;
    int error = (flags & O_ACCMODE) == O_RDWR ? it->second.readWriteError : it->second.readOnlyError;
    if (error != 0) return -error;
    int fd = nextFd++;
    openFds[fd] = path;
    return fd;
  }
  int Ioctl(int fd, unsigned long request, void* argument) override {
    if (openFds.count(fd) == 0) return -EBADF;
    if (request != SG_IO) return -ENOTTY;
    sg_io_hdr_t* io = static_cast<sg_io_hdr_t*>(argument);
    sent.push_back(*io);
    if (ioctlError != 0) return -ioctlError;
    const driveemu::EmulatedUnit& unit = nodes[openFds[fd]].unit;
    driveemu::ScsiOutcome outcome = driveemu::Respond(unit, static_cast<const BYTE*>(io->cmdp), io->cmd_len,
                                                      io->dxfer_len);
    io->host_status = 0;
    io->driver_status = 0;
    io->status = 0;
    io->sb_len_wr = 0;
    io->resid = 0;
    if (!outcome.transportOk) {
      io->host_status = 0x01;  // no connection
    } else {
      io->status = outcome.status;
      if (!outcome.data.empty()) std::memcpy(io->dxferp, outcome.data.data(), outcome.data.size());
      io->resid = static_cast<int>(io->dxfer_len - outcome.data.size());
      if (!outcome.sense.empty()) {
        io->driver_status = 0x08;  // sense available
        io->sb_len_wr = static_cast<unsigned char>(std::min<size_t>(outcome.sense.size(), io->mx_sb_len));
        std::memcpy(io->sbp, outcome.sense.data(), io->sb_len_wr);
      }
    }
    const bool faulty = faultyOpcode < 0 || static_cast<const BYTE*>(io->cmdp)[0] == faultyOpcode;
    if (faulty && hostStatus != 0) io->host_status = static_cast<unsigned short>(hostStatus);
    if (faulty && driverStatus != 0) io->driver_status = static_cast<unsigned short>(driverStatus);
    if (forceResid) io->resid = resid;
    if (senseCount >= 0) io->sb_len_wr = static_cast<unsigned char>(senseCount);
    return 0;
  }
  int Close(int fd) override {
    ++closeCounts[fd];
    return openFds.erase(fd) != 0 ? 0 : -EBADF;
  }
  int Stat(const char* path, struct stat* info) override {
    std::map<std::string, Node>::const_iterator it = nodes.find(path);
    if (it == nodes.end()) return -ENOENT;
    std::memset(info, 0, sizeof(*info));
    info->st_mode = it->second.mode;
    info->st_gid = it->second.gid;
    return 0;
  }
  // Links by path, as /dev/cdrom links to its drive.
  std::map<std::string, std::string> links;
  std::string RealPath(const char* path) override {
    std::map<std::string, std::string>::const_iterator link = links.find(path);
    if (link != links.end()) return link->second;
    return nodes.count(path) != 0 ? path : "";
  }

 private:
  int nextFd = 10;
};

// A sysfs tree: class/block/<name>/device linking to a SCSI device directory
// named by its address and holding its peripheral type.
class SysfsTree {
 public:
  SysfsTree() {
    char pattern[] = "/tmp/quillanor-sysfs-XXXXXX";
    root = ::mkdtemp(pattern);
    Make("/class");
    Make("/class/block");
    Make("/devices");
    std::ofstream(root + "/group") << "root:x:0:\ncdrom:x:24:alice,bob\ndisk:x:6:\n";
  }
  ~SysfsTree() { std::system(("rm -rf '" + root + "'").c_str()); }

  void AddBlock(const std::string& name, const std::string& address, const std::string& type) {
    const std::string device = "/devices/" + address;
    Make(device);
    std::ofstream(root + device + "/type") << type << "\n";
    Make("/class/block/" + name);
    EXPECT_EQ(0, ::symlink(("../../../devices/" + address).c_str(), (root + "/class/block/" + name + "/device").c_str()));
  }
  LinuxPaths Paths() const {
    LinuxPaths paths;
    paths.sysfs = root;
    paths.dev = "/dev";
    paths.groupFile = root + "/group";
    return paths;
  }
  std::string root;

 private:
  void Make(const std::string& path) { ::mkdir((root + path).c_str(), 0755); }
};

// Installs a Linux port over the fake tree and kernel for one test.
class LinuxSeamTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(HaveWindowsApi()); }
  void TearDown() override { SetDrivePort(previous); }
  LinuxDrivePort& Install() {
    port.reset(new LinuxDrivePort(tree.Paths(), kernel));
    previous = SetDrivePort(port.get());
    return *port;
  }
  void AddDrive(const std::string& name, const std::string& address, const std::string& vendor,
                const std::string& product, std::vector<BYTE> page = {0x3B, 0, 0x71, 0x60, 0x29, 0}) {
    tree.AddBlock(name, address, "5");
    kernel.nodes["/dev/" + name].unit = Drive(0, 0, vendor, product, page);
  }

  SysfsTree tree;
  FakeKernel kernel;
  std::unique_ptr<LinuxDrivePort> port;
  DrivePort* previous = nullptr;
};

TEST_F(LinuxSeamTest, ListsOpticalDrivesInScsiAddressOrderAndNamesThemFromInquiry) {
  AddDrive("sr0", "2:0:0:0", "LATE", "ON HOST TWO");
  AddDrive("sr10", "0:0:0:0", "FIRST", "HOST ZERO");
  AddDrive("sr1", "0:0:1:0", "SECOND", "TARGET ONE");
  tree.AddBlock("sr2", "0:0:2:0", "4");  // a WORM drive, not a CD/DVD one
  tree.AddBlock("sda", "0:0:3:0", "5");  // not an sr device at all
  // No SCSI address to read: after those that have one, by number.
  AddDrive("sr12", "usb-b", "UNKNOWN", "TWELVE");
  AddDrive("sr3", "usb-a", "UNKNOWN", "THREE");
  Install();

  DeviceList devices;
  EXPECT_FALSE(devices.UsesAspi());
  ASSERT_EQ(5, devices.Enumerate());
  const char* expected[5][2] = {{"FIRST", "HOST ZERO"},
                                {"SECOND", "TARGET ONE"},
                                {"LATE", "ON HOST TWO"},
                                {"UNKNOWN", "THREE"},
                                {"UNKNOWN", "TWELVE"}};
  for (int i = 0; i < 5; ++i) {
    CString vendor, product;
    devices.GetDeviceNames(i, vendor, product);
    EXPECT_STREQ(expected[i][0], vendor) << i;
    EXPECT_STREQ(expected[i][1], product) << i;
  }
  ASSERT_EQ(5u, kernel.opens.size());
  EXPECT_EQ("/dev/sr10", kernel.opens[0].first);
  EXPECT_EQ("/dev/sr1", kernel.opens[1].first);
  EXPECT_EQ("/dev/sr0", kernel.opens[2].first);
  EXPECT_EQ(O_RDWR | O_NONBLOCK | O_CLOEXEC, kernel.opens[0].second);
  EXPECT_TRUE(devices.ScanProblems().empty());

  // Every descriptor is closed once when the list lets the drives go.
  devices.Clear();
  EXPECT_TRUE(kernel.openFds.empty());
  for (std::map<int, int>::const_iterator it = kernel.closeCounts.begin(); it != kernel.closeCounts.end(); ++it)
    EXPECT_EQ(1, it->second) << "fd " << it->first;
}

TEST_F(LinuxSeamTest, FallsBackToReadOnlyAndExplainsWhenNeitherOpenIsAllowed) {
  AddDrive("sr0", "0:0:0:0", "READONLY", "DRIVE");
  kernel.nodes["/dev/sr0"].readWriteError = EACCES;
  AddDrive("sr1", "9:0:0:0", "LOCKED", "DRIVE");
  kernel.nodes["/dev/sr1"].readWriteError = EACCES;
  kernel.nodes["/dev/sr1"].readOnlyError = EACCES;
  kernel.nodes["/dev/sr1"].mode = S_IFBLK | 0660;
  // Each refusal of read-write that read-only may still get past.
  AddDrive("sr2", "1:0:0:0", "NOPERM", "DRIVE");
  kernel.nodes["/dev/sr2"].readWriteError = EPERM;
  AddDrive("sr3", "2:0:0:0", "ROFS", "DRIVE");
  kernel.nodes["/dev/sr3"].readWriteError = EROFS;
  Install();

  DeviceList devices;
  ASSERT_EQ(3, devices.Enumerate());  // the read-only drives answer INQUIRY
  const char* vendors[] = {"READONLY", "NOPERM", "ROFS"};
  for (int i = 0; i < 3; ++i) {
    CString vendor, product;
    devices.GetDeviceNames(i, vendor, product);
    EXPECT_STREQ(vendors[i], vendor) << i;
  }
  ASSERT_EQ(8u, kernel.opens.size());
  for (int i : {1, 3, 5}) EXPECT_EQ(O_RDONLY | O_NONBLOCK | O_CLOEXEC, kernel.opens[i].second) << i;

  ASSERT_EQ(1u, devices.ScanProblems().size());
  const DeviceProblem& problem = devices.ScanProblems()[0];
  EXPECT_EQ(DeviceProblem::kAccessDenied, problem.kind);
  EXPECT_STREQ("Unable to access CD/DVD device.  Please make sure you have Administrator privileges.", problem.text);
  // The port's advice travels with the problem.
  const std::string& advice = problem.advice;
  EXPECT_NE(std::string::npos, advice.find("/dev/sr1")) << advice;
  EXPECT_NE(std::string::npos, advice.find("brw-rw----, group cdrom")) << advice;
  EXPECT_NE(std::string::npos, advice.find("usermod -aG cdrom")) << advice;
}

TEST_F(LinuxSeamTest, OwnerOnlyNodeAndUnknownGroupAdvice) {
  AddDrive("sr0", "0:0:0:0", "A", "B");
  kernel.nodes["/dev/sr0"].readWriteError = EPERM;
  kernel.nodes["/dev/sr0"].readOnlyError = EPERM;
  kernel.nodes["/dev/sr0"].mode = S_IFBLK | 0600;
  kernel.nodes["/dev/sr0"].gid = 4242;
  LinuxDrivePort& seam = Install();
  OpenedDrive denied = seam.Open("/dev/sr0");
  EXPECT_EQ(kNoDrive, denied.handle);
  EXPECT_TRUE(denied.accessDenied);
  EXPECT_EQ(EPERM, denied.systemError);
  EXPECT_NE(std::string::npos, denied.advice.find("group 4242. Only its owner may open it: run as root."))
      << denied.advice;

  // A node that is simply missing is not a permission problem.
  OpenedDrive missing = seam.Open("/dev/sr9");
  EXPECT_EQ(kNoDrive, missing.handle);
  EXPECT_FALSE(missing.accessDenied);
  EXPECT_EQ(CommandOutcome::kNoSuchDevice, missing.failure);
  EXPECT_TRUE(missing.advice.empty());
}

TEST_F(LinuxSeamTest, ModeSenseTravelsAsOneSgIoRequestAndComesBackAsRows) {
  // QEMU's ATAPI drive, as its answers were recorded.
  std::string error;
  driveemu::DriveProfile qemu = ProfileFile(std::string(QUILLANOR_SOURCE_DIR) + "/tests/data/qemu-7.2.profile", &error);
  ASSERT_EQ("", error);
  tree.AddBlock("sr0", "0:0:0:0", "5");
  kernel.nodes["/dev/sr0"].unit = qemu.units.at(0);
  LinuxDrivePort& seam = Install();
  DeviceList devices;
  ASSERT_EQ(1, devices.Enumerate());
  CString vendor, product;
  devices.GetDeviceNames(0, vendor, product);
  EXPECT_STREQ("QEMU DVD-ROM", product);
  kernel.sent.clear();

  BYTE answer[kModeSenseAnswerLength];
  const DriveCommand asked = ModeSenseCommand(answer);
  CommandAnswer sent = SendRequest(devices, 0, asked);
  CapabilitiesResult result = InterpretCapabilities(sent);
  ASSERT_EQ(1u, kernel.sent.size());
  const sg_io_hdr_t& io = kernel.sent[0];
  EXPECT_EQ('S', io.interface_id);
  EXPECT_EQ(SG_DXFER_FROM_DEV, io.dxfer_direction);
  EXPECT_EQ(asked.cdbLength, io.cmd_len);
  EXPECT_EQ(asked.length, io.dxfer_len);
  EXPECT_EQ(answer, io.dxferp);
  EXPECT_EQ(15000u, io.timeout);  // the command's 15 s, in milliseconds
  EXPECT_EQ(asked.senseRoom, io.mx_sb_len);
  EXPECT_EQ(2u, seam.SgIoCount());  // INQUIRY and MODE SENSE
  // The residual count shortens the answer to what the drive sent.
  EXPECT_EQ(8 + 22, sent.outcome.transferred);
  EXPECT_EQ(8u + 22u, sent.data.size());

  ASSERT_TRUE(result.Answered());
  ASSERT_EQ(24u, result.rows.size());
  EXPECT_TRUE(result.rows[0].yes);    // CD-R read
  EXPECT_FALSE(result.rows[5].yes);   // no writing
  EXPECT_TRUE(result.rows[10].yes);   // audio play
  EXPECT_FALSE(result.rows[11].yes);  // no CD-DA commands: the ATAPI drive, not the SCSI one
}

TEST_F(LinuxSeamTest, CheckConditionAndBusyComeBackAsTheDriveSaidThem) {
  AddDrive("sr0", "0:0:0:0", "A", "UNSUPPORTED");
  kernel.nodes["/dev/sr0"].unit.replies[0x5A] = CheckCondition(0x05, 0x24, 0x00);
  AddDrive("sr1", "0:0:1:0", "B", "NO DISC");
  kernel.nodes["/dev/sr1"].unit.replies[0x5A] = CheckCondition(0x02, 0x3A, 0x00);
  AddDrive("sr2", "0:0:2:0", "C", "BUSY");
  kernel.nodes["/dev/sr2"].unit.replies[0x5A] = ErrorStatus(0x08)  /* BUSY */;
  Install();
  DeviceList devices;
  ASSERT_EQ(3, devices.Enumerate());

  std::vector<CapabilitiesResult> results;
  for (int i = 0; i < 3; ++i) results.push_back(QueryCapabilities(devices, i));
  EXPECT_EQ(2u, results[0].failure.size());
  EXPECT_STREQ("Command not supported by device.", results[0].failure[1]);
  EXPECT_EQ(CommandOutcome::kCheckCondition, results[0].outcome.kind());
  ASSERT_EQ(14, results[0].outcome.senseLength);  // as many as the request had room for
  EXPECT_EQ(0x70, results[0].outcome.sense[0]);
  EXPECT_EQ(0x24, results[0].outcome.sense[12]);
  ASSERT_EQ(2u, results[1].failure.size());
  EXPECT_STREQ("Sense Data = 02 3A 00", results[1].failure[1]);
  EXPECT_EQ(1u, results[2].failure.size());
  EXPECT_EQ(CommandOutcome::kOtherStatus, results[2].outcome.kind());
  EXPECT_EQ(8, results[2].outcome.status);
  EXPECT_EQ(0, results[2].outcome.senseLength);
}

TEST_F(LinuxSeamTest, HostAndDriverErrorsAreFailuresNeverAnswersAndSayWhy) {
  AddDrive("sr0", "0:0:0:0", "A", "B");
  Install();
  DeviceList devices;
  ASSERT_EQ(1, devices.Enumerate());

  struct Case {
    int ioctlError;
    unsigned host;
    unsigned driver;
    CommandOutcome::Failure failure;
    const char* reason;
  } cases[] = {
      {EIO, 0, 0, CommandOutcome::kSystemError, "Input/output error"},  // the ioctl itself failed
      {ENODEV, 0, 0, CommandOutcome::kNoSuchDevice, "no such device"},  // the drive went away
      {ETIMEDOUT, 0, 0, CommandOutcome::kTimedOut, "timed out"},
      {0, 0x01, 0, CommandOutcome::kNoSuchDevice, "no such device"},    // no connection
      {0, 0x03, 0, CommandOutcome::kTimedOut, "timed out"},             // timed out at the host
      {0, 0x08, 0, CommandOutcome::kSystemError, "host status 0x08 (DID_RESET)"},
      {0, 0x40, 0, CommandOutcome::kSystemError, "host status 0x40 (unknown)"},
      {0, 0, 0x06, CommandOutcome::kTimedOut, "timed out"},             // timed out in the driver
      {0, 0, 0x04, CommandOutcome::kSystemError, "driver status 0x04"},
      {0, 0, 0x08 | 0x04, CommandOutcome::kSystemError, "driver status 0x0c"},  // an error, even with sense
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    kernel.ioctlError = c.ioctlError;
    kernel.hostStatus = c.host;
    kernel.driverStatus = c.driver;
    CommandAnswer answer = ModeSenseCapabilities(devices, 0);
    EXPECT_EQ(CommandOutcome::kNotCarried, answer.outcome.kind());
    EXPECT_EQ(c.failure, answer.outcome.failure);
    EXPECT_EQ(c.reason, answer.outcome.Reason());
    EXPECT_TRUE(answer.data.empty());
    EXPECT_EQ(1u, InterpretCapabilities(answer).failure.size());
  }
}

TEST_F(LinuxSeamTest, RefusesCommandsAndHandlesThatAreNotRight) {
  AddDrive("sr0", "0:0:0:0", "A", "B");
  LinuxDrivePort& seam = Install();
  OpenedDrive opened = seam.Open("/dev/sr0");
  ASSERT_NE(kNoDrive, opened.handle);

  BYTE answer[kModeSenseAnswerLength];
  const DriveCommand good = ModeSenseCommand(answer);
  std::vector<DriveCommand> wrong(5, good);
  wrong[0].senseRoom = 33;      // more sense than any record has room for
  wrong[1].cdbLength = 0;
  wrong[2].cdbLength = 17;
  wrong[3].buffer = nullptr;    // data without a buffer
  wrong[4].direction = DriveCommand::kUnspecified;
  for (const DriveCommand& command : wrong)
    EXPECT_EQ(CommandOutcome::kNotSent, seam.Execute(opened.handle, command).failure);
  // A handle the port never gave out.
  EXPECT_EQ(CommandOutcome::kNotSent, seam.Execute(reinterpret_cast<DriveHandle>(0x77), good).failure);
  EXPECT_TRUE(kernel.sent.empty());
  EXPECT_TRUE(seam.Execute(opened.handle, good).Good());

  seam.Close(opened.handle);
  seam.Close(opened.handle);  // a second close touches nothing
  EXPECT_EQ(1, kernel.closeCounts.begin()->second);
  EXPECT_EQ(CommandOutcome::kNotSent, seam.Execute(opened.handle, good).failure);
}

TEST_F(LinuxSeamTest, CountsBeyondTheRoomGivenAreNotBelieved) {
  AddDrive("sr0", "0:0:0:0", "A", "B");
  kernel.nodes["/dev/sr0"].unit.replies[0x5A] = CheckCondition(0x05, 0x24, 0x00);
  LinuxDrivePort& seam = Install();
  OpenedDrive opened = seam.Open("/dev/sr0");
  ASSERT_NE(kNoDrive, opened.handle);
  BYTE answer[kModeSenseAnswerLength];
  const DriveCommand command = ModeSenseCommand(answer);
  struct Case {
    bool forceResid;
    int resid;
    int senseCount;
    long transferred;  // what the outcome must say (of a forced residual)
    int senseLength;
  };
  const long length = static_cast<long>(sizeof(answer));
  const Case cases[] = {
      {true, 0, -1, length, 14},                                  // the whole transfer
      {true, static_cast<int>(sizeof(answer)), -1, 0, 14},        // nothing moved, exactly
      {true, static_cast<int>(sizeof(answer)) + 1, -1, kTransferUnknown, 14},  // one past the transfer
      {true, -1, -1, kTransferUnknown, 14},                       // negative
      {false, 0, 14, 0, 14},                                      // the room, exactly
      {false, 0, 15, 0, 14},                                      // one past the room
      {false, 0, 252, 0, 14},                                     // far past any sense buffer
  };
  for (const Case& c : cases) {
    kernel.forceResid = c.forceResid;
    kernel.resid = c.resid;
    kernel.senseCount = c.senseCount;
    const CommandOutcome outcome = seam.Execute(opened.handle, command);
    SCOPED_TRACE(testing::Message() << "resid " << c.resid << ", sb_len_wr " << c.senseCount);
    ASSERT_EQ(CommandOutcome::kCheckCondition, outcome.kind());
    if (c.forceResid) {
      EXPECT_EQ(c.transferred, outcome.transferred);
    }
    EXPECT_EQ(c.senseLength, outcome.senseLength);
    EXPECT_EQ(0x70, outcome.sense[0]);
  }
  seam.Close(opened.handle);
}

TEST_F(LinuxSeamTest, ReportTellsACommandThatTimedOutAndAsksThatDriveNothingMore) {
  AddDrive("sr0", "0:0:0:0", "SLOW", "DRIVE");
  Install();
  kernel.hostStatus = 0x03;  // MODE SENSE times out at the host
  kernel.faultyOpcode = 0x5A;
  std::string out, err;
  const char* text[] = {"quillanor-report", "--drive", "0"};
  EXPECT_EQ(kReportSomeFailed, RunReport(3, text, &out, &err));
  EXPECT_EQ("Drive 0 (/dev/sr0): SLOW DRIVE\n  Mode Sense Command Failure\n  Not carried: timed out\n", out);
  const char* json[] = {"quillanor-report", "--json", "--detail"};
  out.clear();
  kernel.sent.clear();
  EXPECT_EQ(kReportSomeFailed, RunReport(3, json, &out, &err));
  EXPECT_NE(std::string::npos, out.find("\"failure\": [\"Mode Sense Command Failure\"],\n      \"not_carried\": \"timed out\"")) << out;
  EXPECT_TRUE(MatchesReportSchema(out));
  EXPECT_EQ(2u, kernel.sent.size());  // INQUIRY and MODE SENSE: no detail for a drive that timed out

  // A drive that let discovery's INQUIRY time out is asked nothing more: a
  // time-out costs as much again each time.
  kernel.faultyOpcode = -1;
  kernel.sent.clear();
  out.clear();
  EXPECT_EQ(kReportSomeFailed, RunReport(3, text, &out, &err));
  EXPECT_EQ("Drive 0 (/dev/sr0): GENERIC CD-ROM0\n  Mode Sense Command Failure\n"
            "  Not carried: the drive timed out on INQUIRY\n",
            out);
  EXPECT_EQ(1u, kernel.sent.size());
}

TEST_F(LinuxSeamTest, ReportRefusesToRunWithoutAccessAndSaysWhatToDo) {
  AddDrive("sr0", "0:0:0:0", "A", "B");
  kernel.nodes["/dev/sr0"].readWriteError = EACCES;
  kernel.nodes["/dev/sr0"].readOnlyError = EACCES;
  Install();
  std::string out, err;
  const char* argv[] = {"quillanor-report"};
  EXPECT_EQ(kReportCannotRun, RunReport(1, argv, &out, &err));
  EXPECT_EQ("", out);
  // The Linux advice alone: the window's text speaks of Administrators.
  EXPECT_EQ(0u, err.find("quillanor-report: cannot open /dev/sr0: permission denied. It is brw-rw----, group cdrom."))
      << err;
  EXPECT_NE(std::string::npos, err.find("usermod -aG cdrom")) << err;
  EXPECT_EQ(std::string::npos, err.find("Administrator")) << err;
  EXPECT_EQ(1, std::count(err.begin(), err.end(), '\n')) << err;
}

}  // namespace

namespace {

TEST_F(LinuxSeamTest, DeviceTakesALinkToTheDriveAndNoDriveSaysWhereTheReportLooked) {
  AddDrive("sr0", "0:0:0:0", "FIRST", "DRIVE");
  AddDrive("sr1", "0:0:1:0", "SECOND", "DRIVE");
  kernel.links["/dev/cdrom"] = "/dev/sr1";
  Install();
  std::string out, err;
  const char* byLink[] = {"quillanor-report", "--device=/dev/cdrom"};
  EXPECT_EQ(kReportAllAnswered, RunReport(2, byLink, &out, &err)) << err;
  EXPECT_EQ(0u, out.find("Drive 1 (/dev/sr1): SECOND DRIVE\n")) << out;
  // A path that names no drive says why: it is not there, it is no device,
  // or it is another device.
  kernel.nodes["/dev/sda"].mode = S_IFBLK | 0660;
  kernel.nodes["/dev/null"].mode = S_IFCHR | 0666;
  const struct {
    const char* path;
    const char* why;
  } unlisted[] = {{"/dev/dvd", "/dev/dvd does not exist"},
                  {"/dev/null", "/dev/null is not a device; CD/DVD drives are /dev/srN"},
                  {"/dev/sda", "/dev/sda is not a CD/DVD drive (those are the block devices sr* of SCSI type 5)"}};
  for (const auto& path : unlisted) {
    const char* argv[] = {"quillanor-report", "--device", path.path};
    out.clear();
    err.clear();
    EXPECT_EQ(kReportCannotRun, RunReport(3, argv, &out, &err));
    EXPECT_EQ(std::string("quillanor-report: ") + path.why + " (2 drives found: /dev/sr0, /dev/sr1)\n", err);
    EXPECT_EQ("", out);
  }

  SysfsTree empty;
  LinuxDrivePort none(empty.Paths(), kernel);
  SetDrivePort(&none);
  err.clear();
  out.clear();
  const char* plain[] = {"quillanor-report"};
  EXPECT_EQ(kReportAllAnswered, RunReport(1, plain, &out, &err));
  EXPECT_EQ("No CD/DVD Devices Found\n", out);
  EXPECT_NE(std::string::npos, err.find("no CD/DVD drive in " + empty.root + "/class/block")) << err;
  EXPECT_NE(std::string::npos, err.find("sr_mod"));
  SetDrivePort(port.get());
}

// A sysfs tree laid out as the kernel lays it out: each drive's block
// device below its SCSI device, below its host, below whatever the host
// hangs from; class/block and class/scsi_host link into /devices.
class SysfsConnectionTest : public LinuxSeamTest {
 protected:
  // `host` is the host's path below /devices ("pci0000:00/.../ata1/host0");
  // the drive's address takes the host's number. Returns the SCSI device's
  // directory. No file is written for an empty proc_name.
  std::string AddAt(const std::string& name, const std::string& host, const std::string& procName,
                    const std::string& vendor = "QEMU    ", const std::string& model = "QEMU DVD-ROM    ",
                    const std::string& rev = "2.5+") {
    const std::string hostName = host.substr(host.rfind('/') + 1);
    const std::string number = hostName.substr(4);
    const std::string address = number + ":0:0:0";
    const std::string device = host + "/target" + number + ":0:0/" + address;
    MakeAll("/devices/" + device + "/block/" + name);
    MakeAll("/devices/" + host + "/scsi_host/" + hostName);
    MakeAll("/class/scsi_host");
    Write("/devices/" + device + "/type", "5\n");
    Write("/devices/" + device + "/vendor", vendor + "\n");
    Write("/devices/" + device + "/model", model + "\n");
    Write("/devices/" + device + "/rev", rev + "\n");
    if (!procName.empty()) Write("/devices/" + host + "/scsi_host/" + hostName + "/proc_name", procName + "\n");
    Link("../../../" + address, "/devices/" + device + "/block/" + name + "/device");
    Link("../../devices/" + device + "/block/" + name, "/class/block/" + name);
    ::symlink(("../../devices/" + host + "/scsi_host/" + hostName).c_str(),
              (tree.root + "/class/scsi_host/" + hostName).c_str());  // shared by a host's drives
    kernel.nodes["/dev/" + name].unit = Drive(0, 0, "QEMU", "QEMU DVD-ROM", {0x3B, 0, 0x71, 0x60, 0x29, 0});
    return "/devices/" + device;
  }
  void UsbDevice(const std::string& path, const std::string& vendorId, const std::string& productId,
                 const std::string& manufacturer, const std::string& product, const std::string& speed) {
    MakeAll(path);
    Write(path + "/idVendor", vendorId + "\n");
    Write(path + "/idProduct", productId + "\n");
    Write(path + "/manufacturer", manufacturer + "\n");
    Write(path + "/product", product + "\n");
    Write(path + "/speed", speed + "\n");
  }
  void MakeAll(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
      ::mkdir((tree.root + path.substr(0, slash)).c_str(), 0755);
      if (slash == std::string::npos) break;
    }
  }
  void Write(const std::string& path, const std::string& content) {
    std::ofstream(tree.root + path, std::ios::binary) << content;
  }
  void Link(const std::string& target, const std::string& at) {
    EXPECT_EQ(0, ::symlink(target.c_str(), (tree.root + at).c_str())) << at;
  }
  DriveConnection Of(const std::string& path) { return port->Connection(kNoDrive, path); }
};

TEST_F(SysfsConnectionTest, AtaHostsNameTheirOwnDriverAndTheDrivesStrings) {
  AddAt("sr0", "pci0000:00/0000:00:01.1/ata1/host0", "ata_piix");
  // The next host is another driver's: each drive takes its own host's.
  AddAt("sr1", "pci0000:00/0000:00:01.1/ata2/host1", "pata_other");
  AddAt("sr2", "pci0000:00/0000:00:03.0/ata3/host2", "ahci", "  VENDOR  ", "MODEL X", " 1.0 ");
  MakeAll("/class/block/sr2/queue");
  Write("/class/block/sr2/queue/max_hw_sectors_kb", "32767\n");
  Write("/class/block/sr2/queue/dma_alignment", "511\n");
  MakeAll("/class/block/sr1/queue");
  Write("/class/block/sr1/queue/max_hw_sectors_kb", "12x\n");
  kernel.links["/dev/cdrom"] = "/dev/sr2";
  Install();

  DriveConnection first = Of("/dev/sr0");
  EXPECT_EQ("sysfs", first.source);
  EXPECT_EQ("ATA", first.bus);
  EXPECT_EQ("ata_piix", first.driver);
  EXPECT_EQ("ATA (ata_piix)", first.Short());
  EXPECT_FALSE(first.Bridged());
  EXPECT_EQ("QEMU", first.vendor);
  EXPECT_EQ("QEMU DVD-ROM", first.product);
  EXPECT_EQ("2.5+", first.revision);
  EXPECT_EQ("", first.serial);
  EXPECT_EQ("", first.usbVendorId);
  EXPECT_EQ(-1, first.maxTransfer);
  EXPECT_EQ(-1, first.alignmentMask);
  EXPECT_EQ("pata_other", Of("/dev/sr1").driver);
  EXPECT_EQ(-1, Of("/dev/sr1").maxTransfer);  // not a number

  // By its link as by its name; blanks around the strings are not theirs.
  DriveConnection third = Of("/dev/cdrom");
  EXPECT_EQ("ahci", third.driver);
  EXPECT_EQ("ATA", third.bus);
  EXPECT_EQ("VENDOR", third.vendor);
  EXPECT_EQ("MODEL X", third.product);
  EXPECT_EQ("1.0", third.revision);
  EXPECT_EQ(32767LL * 1024, third.maxTransfer);
  EXPECT_EQ(511, third.alignmentMask);

  // The device list asks by the path it opened the drive by.
  DeviceList devices;
  ASSERT_EQ(3, devices.Enumerate());
  EXPECT_EQ("ahci", devices.Connection(2).driver);
  EXPECT_FALSE(devices.Connection(3).Told());
}

TEST_F(SysfsConnectionTest, UsbDrivesNameTheNearestUsbDeviceAboveTheirInterface) {
  // usb-storage at high speed, uas at SuperSpeed; each USB device has an
  // interface below it (no IDs) and a root hub above it (other IDs).
  UsbDevice("/devices/pci0000:00/0000:00:04.0/usb2", "1d6b", "0002", "Linux xhci-hcd", "xHCI Host Controller", "480");
  UsbDevice("/devices/pci0000:00/0000:00:04.0/usb2/2-1", "46f4", "0001", " QEMU ", "QEMU USB HARDDRIVE", "480");
  AddAt("sr0", "pci0000:00/0000:00:04.0/usb2/2-1/2-1:1.0/host4", "usb-storage");
  UsbDevice("/devices/pci0000:00/0000:00:04.0/usb3", "1d6b", "0003", "Linux xhci-hcd", "xHCI Host Controller", "5000");
  UsbDevice("/devices/pci0000:00/0000:00:04.0/usb3/3-1", "46f4", "0003", "QEMU", "QEMU USB UAS", "5000");
  // uas leaves proc_name unset: the driver bound to the interface tells it.
  AddAt("sr1", "pci0000:00/0000:00:04.0/usb3/3-1/3-1:1.0/host5", "(null)");
  MakeAll("/bus/usb/drivers/uas");
  MakeAll("/bus/usb/drivers/usb-storage");
  Link("../../../../../../bus/usb/drivers/uas", "/devices/pci0000:00/0000:00:04.0/usb3/3-1/3-1:1.0/driver");
  Link("../../../../../bus/usb/drivers/usb-storage", "/devices/pci0000:00/0000:00:04.0/usb3/3-1/driver");
  // A USB path whose devices have no IDs still tells its bus, and no IDs.
  AddAt("sr2", "pci0000:00/0000:00:04.0/usb4/4-1/4-1:1.0/host6", "usb-storage");
  Install();

  DriveConnection bot = Of("/dev/sr0");
  EXPECT_EQ("USB", bot.bus);
  EXPECT_EQ("usb-storage", bot.driver);
  EXPECT_TRUE(bot.Bridged());
  EXPECT_EQ("USB (usb-storage)", bot.Short());
  EXPECT_EQ("46f4", bot.usbVendorId);
  EXPECT_EQ("0001", bot.usbProductId);
  EXPECT_EQ("QEMU", bot.usbManufacturer);
  EXPECT_EQ("QEMU USB HARDDRIVE", bot.usbProduct);
  EXPECT_EQ("480", bot.usbSpeed);

  DriveConnection uas = Of("/dev/sr1");
  EXPECT_EQ("USB", uas.bus);
  EXPECT_EQ("uas", uas.driver);
  EXPECT_EQ("46f4", uas.usbVendorId);
  EXPECT_EQ("0003", uas.usbProductId);
  EXPECT_EQ("QEMU USB UAS", uas.usbProduct);
  EXPECT_EQ("5000", uas.usbSpeed);

  DriveConnection bare = Of("/dev/sr2");
  EXPECT_EQ("USB", bare.bus);
  EXPECT_EQ("", bare.usbVendorId);
  EXPECT_EQ("", bare.usbSpeed);
}

TEST_F(SysfsConnectionTest, OtherHostsTellVirtioFirewireOrPlainScsi) {
  AddAt("sr0", "pci0000:00/0000:00:05.0/virtio1/host8", "virtio_scsi");
  AddAt("sr1", "pci0000:00/0000:00:06.0/host9", "sym53c8xx");
  AddAt("sr2", "pci0000:00/0000:00:1e.0/0000:05:00.0/fw0/fw0.0/host3", "sbp2");
  // Without a proc_name: the bus from the path alone, no driver.
  AddAt("sr3", "pci0000:00/0000:00:1e.0/0000:05:00.0/fw1/fw1.0/host7", "");
  AddAt("sr4", "pci0000:00/0000:00:01.1/ata5/host10", "");
  AddAt("sr5", "pci0000:00/0000:00:07.0/host11", "");
  // sbp2 names its bus whatever the path's components are.
  AddAt("sr6", "pci0000:00/0000:00:1e.0/0000:05:00.0/ohci0/host12", "sbp2");
  Install();

  const struct {
    const char* path;
    const char* bus;
    const char* driver;
    bool bridged;
  } expected[] = {{"/dev/sr0", "virtio", "virtio_scsi", false}, {"/dev/sr1", "SCSI", "sym53c8xx", false},
                  {"/dev/sr2", "IEEE 1394", "sbp2", true},      {"/dev/sr3", "IEEE 1394", "", true},
                  {"/dev/sr4", "ATA", "", false},               {"/dev/sr5", "SCSI", "", false},
                  {"/dev/sr6", "IEEE 1394", "sbp2", true}};
  for (const auto& drive : expected) {
    DriveConnection connection = Of(drive.path);
    EXPECT_EQ("sysfs", connection.source) << drive.path;
    EXPECT_EQ(drive.bus, connection.bus) << drive.path;
    EXPECT_EQ(drive.driver, connection.driver) << drive.path;
    EXPECT_EQ(drive.bridged, connection.Bridged()) << drive.path;
    EXPECT_EQ("", connection.usbVendorId) << drive.path;
  }
}

TEST_F(SysfsConnectionTest, SerialComesFromVpdPage80WithinTheFileAndThePage) {
  const struct {
    const char* why;
    std::string page;
    const char* serial;
  } pages[] = {
      {"whole, padded", std::string("\x05\x80\x00\x0A  SN-1234 ", 14), "SN-1234"},
      {"the file cut short of the length", std::string("\x05\x80\x00\x20" "ABCDEF", 10), "ABCDEF"},
      {"bytes past the length", std::string("\x05\x80\x00\x03" "XYZtrailing", 15), "XYZ"},
      {"NUL padding", std::string("\x05\x80\x00\x08" "NUL\0\0\0\0\0", 12), "NUL"},
      {"another page", std::string("\x05\x83\x00\x04" "WXYZ", 8), ""},
      {"no room for a length", std::string("\x05\x80\x00", 3), ""},
      {"a length over 255, the file shorter", std::string("\x05\x80\x01\x00" "LONGSN", 10), "LONGSN"},
  };
  int number = 0;
  std::vector<std::string> devices;
  for (const auto& page : pages) {
    const std::string name = "sr" + std::to_string(number);
    devices.push_back(AddAt(name, "pci0000:00/0000:00:06.0/host" + std::to_string(number), "sym53c8xx"));
    Write(devices.back() + "/vpd_pg80", page.page);
    ++number;
  }
  // The page beside it (83h) is no serial number; a drive without a page has none.
  const std::string other = AddAt("sr9", "pci0000:00/0000:00:06.0/host9", "sym53c8xx");
  Write(other + "/vpd_pg83", std::string("\x05\x83\x00\x04" "WXYZ", 8));
  Install();
  for (int i = 0; i < number; ++i)
    EXPECT_EQ(pages[i].serial, Of("/dev/sr" + std::to_string(i)).serial) << pages[i].why;
  EXPECT_EQ("", Of("/dev/sr9").serial);
  EXPECT_EQ("sysfs", Of("/dev/sr9").source);
}

TEST_F(SysfsConnectionTest, PathsThatAreNoListedDriveAndBrokenTreesTellNothing) {
  AddAt("sr0", "pci0000:00/0000:00:01.1/ata1/host0", "ata_piix", std::string(5000, 'V'));
  // A drive whose device link loops.
  MakeAll("/class/block/sr1");
  Link("device", "/class/block/sr1/device");
  kernel.nodes["/dev/sr1"].mode = S_IFBLK | 0660;
  kernel.nodes["/dev/sda"].mode = S_IFBLK | 0660;
  Install();

  EXPECT_FALSE(Of("/dev/sda").Told());
  EXPECT_FALSE(Of("/dev/sr1").Told());
  EXPECT_FALSE(Of("/dev/sr7").Told());
  EXPECT_FALSE(Of("").Told());
  // An overlong line is cut, not overrun.
  DriveConnection overlong = Of("/dev/sr0");
  EXPECT_EQ("ata_piix", overlong.driver);
  EXPECT_FALSE(overlong.vendor.empty());
  EXPECT_LT(overlong.vendor.size(), 5000u);
  EXPECT_EQ(std::string::npos, overlong.vendor.find_first_not_of('V'));

  SysfsTree empty;
  LinuxDrivePort none(empty.Paths(), kernel);
  EXPECT_FALSE(none.Connection(kNoDrive, "/dev/sr0").Told());
}

}  // namespace
