// The shell and registry layer the installation writes through: a link saved
// and read back, the registry record written, read back and rewritten. The
// same cases run on the real shell and registry (Windows builds, under Wine)
// and on the posix sandbox, whose injected failures are checked here too.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/os/FileSystem.h"
#include "platform/os/Registry.h"
#include "platform/os/Shell.h"
#ifndef _WIN32
#include <unistd.h>

#include "platform/os/ShellSandbox.h"
#endif

namespace velmorak::os {
namespace {

std::string TempFolder(const char* name) {
#ifdef _WIN32
  const char* base = std::getenv("TEMP");
  std::string folder = std::string(base ? base : "C:\\") + "\\" + name;
#else
  std::string folder = std::string("/tmp/velmorak-") + name + "-" + std::to_string(getpid());
#endif
  ForceDirectories(folder);
  return folder;
}

TEST(ShellLinkTest, SavedLinkReadsBackWithItsTargetAndWorkingDirectory) {
  InitializeShell();
  const std::string folder = TempFolder("links");
  const std::string file = folder + PathDelim() + "Kolvane Pro é.lnk";
  const std::string target = "C:\\Gestion\\VELMORAK\\Kolvane_Pro\\Kolvane.EXE";
  {
    TShellLink link;
    link.SetPath(target);
    link.SetWorkingDirectory("C:\\Gestion\\VELMORAK\\Kolvane_Pro\\");
    ASSERT_TRUE(link.Save(file));
    // Saving the same object again replaces the file.
    link.SetWorkingDirectory("C:\\Gestion\\");
    ASSERT_TRUE(link.Save(file));
  }
  std::string readTarget, readDir;
  ASSERT_TRUE(ReadShellLink(file, readTarget, readDir));
  EXPECT_EQ(readTarget, target);
  EXPECT_EQ(readDir, "C:\\Gestion\\");
  EXPECT_FALSE(ReadShellLink(folder + PathDelim() + "missing.lnk", readTarget, readDir));
  FileDelete(file);
}

TEST(RegistryTest, KeyCreatedWithValuesInOrderThenRewritten) {
  const std::string key = "\\Software\\VELMORAK Test\\Record\\";
  {
    TRegistry reg;
    reg.SetRootKey(rkCurrentUser);
    ASSERT_FALSE(reg.OpenKey(key + "Absent", false));
    ASSERT_TRUE(reg.OpenKey(key, true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\VELMORAK Test\\Record");
    reg.WriteString("ZORV Version", "5.5");
    reg.WriteString("ZORV Path", "C:\\Gestion\\VELMORAK\\Kolvane_Pro");
    reg.WriteString("ZORV Version", "5.6");
    reg.CloseKey();
  }
  TRegistry reader(KEY_READ_ACCESS);
  reader.SetRootKey(rkCurrentUser);
  ASSERT_TRUE(reader.OpenKeyReadOnly("Software\\VELMORAK TEST\\record"));  // case does not matter
  EXPECT_EQ(reader.ReadString("ZORV Version"), "5.6");
  EXPECT_EQ(reader.ReadString("ZORV Path"), "C:\\Gestion\\VELMORAK\\Kolvane_Pro");
  EXPECT_FALSE(reader.ValueExists("ZORV Build"));
  EXPECT_EQ(reader.ReadString("ZORV Build"), "");
  // A read-only key takes no write.
  EXPECT_THROW(reader.WriteString("ZORV Build", "1"), ERegistryException);
}

TEST(SpecialFolderTest, TheInstallersThreeFoldersAreFound) {
#ifndef _WIN32
  sandbox::SetShellRoot(TempFolder("shell"));
#endif
  for (int csidl : {CSIDL_DESKTOPDIRECTORY, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
    std::string path;
    ASSERT_TRUE(SpecialFolderPath(csidl, path)) << csidl;
    EXPECT_FALSE(path.empty());
    EXPECT_NE(path.back(), PathDelim()) << path;
  }
}

#ifndef _WIN32
TEST(SandboxTest, InjectedFailuresAndWhatTheyLeave) {
  sandbox::SetShellRoot(TempFolder("sandbox"));
  sandbox::ResetFailures();
  sandbox::ClearLinkSaves();
  std::string path;

  sandbox::FailSpecialFolder(CSIDL_COMMON_PROGRAMS);
  EXPECT_FALSE(SpecialFolderPath(CSIDL_COMMON_PROGRAMS, path));
  EXPECT_EQ(path, "");
  EXPECT_TRUE(SpecialFolderPath(CSIDL_PROGRAMS, path));

  sandbox::FailLinkSave("Programs");
  TShellLink link;
  link.SetPath("target");
  EXPECT_FALSE(link.Save(path + "/a.lnk"));
  EXPECT_FALSE(FileExists(path + "/a.lnk"));
  ASSERT_EQ(sandbox::LinkSaves().size(), 1u);
  EXPECT_FALSE(sandbox::LinkSaves()[0].Saved);

  sandbox::FailLinkCreation();
  EXPECT_THROW(TShellLink(), EOleSysError);

  sandbox::ResetRegistry();
  sandbox::FailRegistryOpen();
  TRegistry reg;
  reg.SetRootKey(rkLocalMachine);
  EXPECT_FALSE(reg.OpenKey("\\SOFTWARE\\Software VELMORAK\\", true));
  EXPECT_FALSE(sandbox::RegistryKeyExists(rkLocalMachine, "SOFTWARE\\Software VELMORAK"));
  sandbox::FailRegistryOpen(false);
  sandbox::FailRegistryWrite("ZORV Build");
  ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Software VELMORAK\\", true));
  reg.WriteString("ZORV Version", "5.6");
  EXPECT_THROW(reg.WriteString("ZORV Build", "1"), ERegistryException);
  EXPECT_EQ(sandbox::RegistryValues(rkLocalMachine, "software\\software velmorak"),
            (sandbox::TValues{{"ZORV Version", "5.6"}}));
  EXPECT_TRUE(sandbox::RegistryKeyExists(rkLocalMachine, "SOFTWARE"));  // the parent came with it

  sandbox::ResetFailures();
  std::string p;
  EXPECT_TRUE(SpecialFolderPath(CSIDL_COMMON_PROGRAMS, p));
  EXPECT_NO_THROW(TShellLink());
}
#endif

}  // namespace
}  // namespace velmorak::os
