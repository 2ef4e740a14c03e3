// uidriver: starts Quillanor.exe, prints what its window shows (each drive's
// name and its rows, as a person would read them), saves a screenshot, and
// closes it with Exit.
//
//   uidriver <path to Quillanor.exe> [--screenshot <file.bmp>] [--keep]
//   uidriver --wine-version <program.exe> [win98|win95|nt40|...]
//       makes Wine report that Windows version to the program of that file
//       name (no version: Wine's default again); the one way the project
//       switches Windows 98 mode.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/uidriver/uidriver.h"

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--wine-version") == 0) {
    if (uidriver::SetWineVersion(argv[2], argc > 3 ? argv[3] : "")) return 0;
    std::fprintf(stderr, "uidriver: cannot set the Windows version of %s\n", argv[2]);
    return 1;
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: uidriver <Quillanor.exe> [--screenshot <file.bmp>] [--keep]\n"
                 "       uidriver --wine-version <program.exe> [version]\n");
    return 2;
  }
  std::string exe = argv[1];
  std::string screenshot;
  bool keep = false;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc)
      screenshot = argv[++i];
    else if (std::strcmp(argv[i], "--keep") == 0)
      keep = true;
  }

  uidriver::Session session;
  if (!session.Start(exe, std::string())) {
    std::fprintf(stderr, "uidriver: cannot start %s\n", exe.c_str());
    return 1;
  }
  // Messages of start-up come before the window: read them and go on.
  for (;;) {
    if (session.WaitForDialog(500) != nullptr) break;
    uidriver::MessageBoxInfo box;
    if (session.WaitForMessageBox(500, &box)) {
      std::printf("message: %s\n", box.text.c_str());
      session.CloseMessageBox(box);
      continue;
    }
    if (!session.Running()) {
      std::printf("the program ended without opening its window\n");
      return 1;
    }
  }

  std::printf("window: %s, version %s\n", session.ItemText(1003).c_str(), session.ItemText(1005).c_str());
  std::vector<uidriver::TreeItem> tree = session.Tree();
  const uidriver::TreeItem* firstDrive = nullptr;
  for (const uidriver::TreeItem& item : tree) {
    if (item.depth == 0) {
      std::printf("%s\n", item.text.c_str());
      continue;
    }
    if (firstDrive == nullptr) firstDrive = &item;
    std::printf("\n  %s\n", item.text.c_str());
    session.Select(item);
    for (const uidriver::ListRow& row : session.List())
      std::printf("    %-54s %s\n", row.label.c_str(), row.result.c_str());
  }
  if (firstDrive != nullptr) session.Select(*firstDrive);
  if (!screenshot.empty()) {
    if (session.Screenshot(screenshot))
      std::printf("\nscreenshot: %s\n", screenshot.c_str());
    else
      std::printf("\nscreenshot could not be saved\n");
  }
  if (!keep) {
    session.Click(IDOK);
    session.WaitForExit(10000);
  }
  return 0;
}
