// The database login prompt as a dialog of the dialog service, installed as
// the engine's login hook the way a program does it: an enciphered file
// opened without a password asks once, shows the file's name, and goes on
// with what was typed; Cancel (or no answer at all) is the silent abort.
#include <gtest/gtest.h>

#include <filesystem>

#include "database/ZvDB.h"
#include "platform/classes/SysUtils.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/headless/HeadlessDialogs.h"
#include "tools/zvdb/ZvDBCreator.h"

namespace velmorak {
namespace {

class LoginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() /
             ("wizard-login-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder);
    secret = (folder / "scg.zvc").string();
    TZvCreateOptions options;
    options.EncryptName = "Blowfish";
    options.Password = "wexor";
    ZvCreateDatabase(secret, options, {{"Config", {{"Name", ftString, 20}}, {}}});
    SetDialogBackend(&dialogs);
    SetZvLoginHook(ZvDBLoginDialog);
  }
  void TearDown() override {
    SetZvLoginHook(nullptr);
    SetDialogBackend(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }

  // Opens the file without a password; "" when access was granted, else the
  // error's class and message.
  std::string OpenWithoutPassword() {
    TZvDatabase db;
    db.SetDatabaseName(secret);
    try {
      db.Open();
      db.CheckCanAccess();
      return "";
    } catch (const EAbort& e) {
      return "abort: " + e.Message();
    } catch (const Exception& e) {
      return "error: " + e.Message();
    }
  }

  std::filesystem::path folder;
  std::string secret;
  THeadlessDialogs dialogs;
};

TEST_F(LoginTest, ThePromptShowsTheFileAndItsAnswerDecides) {
  struct Case {
    const char* what;
    int answer;  // 0 no answer scripted, 1 OK with typed, 2 Cancel
    const char* typed;
    const char* result;
  };
  const Case cases[] = {
      {"OK with the right password opens the file", 1, "wexor", ""},
      {"OK with a wrong one is refused", 1, "WEXOR", "error: Access denied"},
      {"Cancel is the silent abort", 2, "", "abort: Operation aborted"},
      {"a prompt nobody answers is a Cancel", 0, "", "abort: Operation aborted"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dialogs.Reset();
    if (c.answer == 1) dialogs.AnswerLogin(c.typed);
    if (c.answer == 2) dialogs.CancelLogin();
    EXPECT_EQ(OpenWithoutPassword(), c.result);
    ASSERT_EQ(dialogs.Shown().size(), 1u);
    EXPECT_EQ(dialogs.Shown()[0].Kind, THeadlessDialogs::TKind::dkLogin);
    EXPECT_EQ(dialogs.Shown()[0].Caption, "Database Login");
    EXPECT_EQ(dialogs.Shown()[0].Text, secret);
    EXPECT_EQ(dialogs.PendingAnswers(), 0u);
  }
}

TEST_F(LoginTest, APasswordGivenBeforehandAsksNothing) {
  TZvDatabase db;
  db.SetDatabaseName(secret);
  db.SetPassword("wexor");
  db.Open();
  db.CheckCanAccess();
  EXPECT_TRUE(dialogs.Shown().empty());
}

TEST(LoginDialog, CancelLeavesThePasswordAsItWas) {
  THeadlessDialogs dialogs;
  SetDialogBackend(&dialogs);
  std::string password = "kept";
  dialogs.CancelLogin();
  EXPECT_FALSE(ZvDBLoginDialog("C:\\data\\scg.zvc", password));
  EXPECT_EQ(password, "kept");
  dialogs.AnswerLogin("s3cret");
  EXPECT_TRUE(ZvDBLoginDialog("C:\\data\\scg.zvc", password));
  EXPECT_EQ(password, "s3cret");
  EXPECT_EQ(dialogs.Shown()[1].Text, "C:\\data\\scg.zvc");
  SetDialogBackend(nullptr);
}

}  // namespace
}  // namespace velmorak
