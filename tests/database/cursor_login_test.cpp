// The login prompt as a program installs it: the engine's login hook set to
// the dialog service's database login, answered by the headless responder.
// Asked once with the file name; OK with the right password opens, with a
// wrong one "Access denied"; Cancel is the silent abort and leaves nothing
// behind.
#include <gtest/gtest.h>

#include "CursorTestSupport.h"
#include "database/ZvDBTable.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/headless/HeadlessDialogs.h"

namespace velmorak {
namespace {

using namespace dbtest;

TEST(CursorLogin, PromptThroughTheHeadlessResponder) {
  TempDir dir;
  const std::string secret = dir.File("scg.zvc");
  ZvCreateDatabase(secret, InstallerOptions(), InstallerTables());
  THeadlessDialogs dialogs;
  SetDialogBackend(&dialogs);
  SetZvLoginHook(ZvDBLoginDialog);
  auto table = [&](const char* name) {
    auto t = std::make_unique<TZvTable>(nullptr);
    t->SetDatabaseName(secret);
    t->SetTableName(name);
    return t;
  };

  auto config = table("Config"), societe = table("Societe");
  dialogs.AnswerLogin("wexor");
  config->Open();
  ASSERT_EQ(dialogs.Shown().size(), 1u);
  EXPECT_EQ(dialogs.Shown()[0].Kind, THeadlessDialogs::TKind::dkLogin);
  EXPECT_EQ(dialogs.Shown()[0].Text, secret);
  societe->Open();  // the database is open and its password checked: not asked again
  EXPECT_EQ(dialogs.Shown().size(), 1u);
  config->Close();
  societe->Close();

  dialogs.Reset();
  dialogs.AnswerLogin("Wexor");
  EXPECT_EQ(ErrorOf([&] { config->Open(); }), "Access denied");
  EXPECT_EQ(dialogs.Shown().size(), 1u);

  dialogs.Reset();
  dialogs.CancelLogin();
  EXPECT_THROW(config->Open(), EAbort);
  EXPECT_EQ(dialogs.Shown().size(), 1u);
  EXPECT_FALSE(config->Active());
  EXPECT_EQ(DefaultSession()->FindDatabase(secret), nullptr);

  SetZvLoginHook(nullptr);
  SetDialogBackend(nullptr);
}

}  // namespace
}  // namespace velmorak
