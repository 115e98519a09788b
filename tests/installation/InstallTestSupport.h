// Support for the installation's tests: a scratch folder per test holding
// the install target, the current directory with a package made by Info-ZIP
// zip from a small tree, and the root of the shell sandbox; the installation
// clock pinned; the sandbox registry emptied.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "installation/Installation.h"
#include "platform/os/FileSystem.h"
#include "platform/os/ShellSandbox.h"

namespace velmorak::testing {

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline int Shell(const std::string& command) {
  return std::system(command.c_str());
}

inline std::string Quote(const std::string& s) {
  return "'" + s + "'";
}

class InstallEnvironment : public ::testing::Test {
 public:
  void SetUp() override {
    char tmpl[] = "/tmp/velmorak-install-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    Root = tmpl;
    Target = Root + "/target";
    Cwd = Root + "/cwd";
    Tree = Root + "/tree";
    os::ForceDirectories(Target);
    os::ForceDirectories(Cwd);
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    SavedCwd = cwd;
    ASSERT_EQ(chdir(Cwd.c_str()), 0);
    os::sandbox::SetShellRoot(Root + "/shell");
    os::sandbox::ResetFailures();
    os::sandbox::ClearLinkSaves();
    os::sandbox::ResetRegistry();
    SetInstallClock([this] { return Now; });
  }
  void TearDown() override {
    SetInstallClock(nullptr);
    os::sandbox::ResetFailures();
    if (chdir(SavedCwd.c_str()) != 0) ADD_FAILURE() << "cannot return to " << SavedCwd;
    Shell("rm -rf " + Quote(Root));
  }

  // The package's tree: the product's files as the demo package has them.
  void MakeTree() {
    for (const char* dir : {"Common", "Ex_Data", "Files_Export", "BackUp", "Docs"})
      os::ForceDirectories(Tree + "/" + dir);
    WriteFile(Tree + "/Kolvane.exe", "MZ demo product");
    WriteFile(Tree + "/scg.zvc", ConfigDatabaseBytes.empty() ? "configuration" : ConfigDatabaseBytes);
    WriteFile(Tree + "/What is new - Kolvane Pro 5.6 Build 1.TXT", "Nouveautés\r\n");
    WriteFile(Tree + "/Common/WrkData.FDB", "working data");
    WriteFile(Tree + "/Ex_Data/DBEx_20xx.FDB", "exercise template");
    WriteFile(Tree + "/Docs/Lisez-moi.txt", std::string(20000, 'k'));
    WriteFile(Tree + "/Docs/vide.txt", "");
  }
  // Packs the tree as the build does: deflated, .FDB stored, encrypted.
  void Pack(const std::string& password = install::ArchivePassword) {
    const std::string package = Cwd + "/" + install::PackageName;
    ASSERT_EQ(
        Shell("cd " + Quote(Tree) + " && zip -q -r -X -P " + password + " -n .FDB " + Quote(package) + " ."),
        0);
  }
  void MakePackage() {
    MakeTree();
    Pack();
  }

#ifdef VELMORAK_ZVDB
  // The demo package, as the build makes it, in the current directory.
  void DemoPackage(const char* variant = "standard") {
    WriteFile(Root + "/Kolvane.exe", "MZ stand-in for the demo product");
    ASSERT_EQ(Shell("bash " + Quote(std::string(VELMORAK_SOURCE_DIR) + "/demo/make-package.sh") + " --zvdb " +
                    Quote(VELMORAK_ZVDB) + " --kolvane " + Quote(Root + "/Kolvane.exe") + " --out " +
                    Quote(Cwd) + " --variant " + variant + " > /dev/null"),
              0);
  }
#endif

  std::string Installed(const std::string& rel) const {
    return Target + "/VELMORAK/Kolvane_Pro/" + rel;
  }

  std::string Root, Target, Cwd, Tree, SavedCwd;
  std::string ConfigDatabaseBytes;
  TInstallClockValue Now{2026, 12, 11, 17, 5, 42, 250};
};

}  // namespace velmorak::testing
