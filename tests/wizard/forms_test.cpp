// The forms layer on its own: the numeric edit's display format, the folder
// chooser's text, HTML lines, the default exception handler and timers.
#include <gtest/gtest.h>

#include <climits>

#include "WizardFixture.h"
#include "platform/classes/SysUtils.h"
#include "platform/forms/ShellCtrls.h"

namespace velmorak::testing {
namespace {

TEST(NumEdit, DisplayFormatGroupsThousandsAndBracketsNegatives) {
  struct Case {
    long long value;
    const char* shown;
  } cases[] = {
      {0, "0"},
      {999, "999"},
      {1000, "1 000"},
      {1234567, "1 234 567"},
      {-5, "(5)"},
      {-1234567, "(1 234 567)"},
      {LLONG_MIN, "(9 223 372 036 854 775 808)"},
  };
  for (const Case& c : cases) EXPECT_EQ(TNumEdit::FormatValue(c.value, ",0;(,0)", " "), c.shown) << c.value;
  EXPECT_EQ(TNumEdit::FormatValue(-42, ",0", "."), "-42");
  EXPECT_EQ(TNumEdit::FormatValue(1234, ",0", "."), "1.234");
}

TEST_F(WizardTest, NumEditTakesWhatTheUserTypedOrKeepsItsValue) {
  auto* e = new TNumEdit(Application);
  struct Case {
    const char* typed;
    long long value;
    const char* shown;
  } cases[] = {
      {"1500000", 1500000, "1 500 000"}, {"-20", -20, "(20)"}, {"(1 234)", -1234, "(1 234)"},
      {"12a", -1234, "(1 234)"},         {"", 0, "0"},         {"99999999999999999999", 0, "0"},
  };
  for (const Case& c : cases) {
    e->CommitUserText(c.typed);
    EXPECT_EQ(e->Value(), c.value) << c.typed;
    EXPECT_EQ(e->Text(), c.shown) << c.typed;
  }
}

TEST(ShellFolderChooser, TextIsTheFullPathWithABackslashOnlyAfterADrive) {
  struct Case {
    const char* chosen;
    const char* text;
  } cases[] = {{"D:", "D:\\"},
               {"D:\\", "D:\\"},
               {"C:\\Program Files\\", "C:\\Program Files"},
               {"C:\\Data", "C:\\Data"},
               {"", ""}};
  for (const Case& c : cases) EXPECT_EQ(TShellFolderChooser::NormalisePath(c.chosen), c.text) << c.chosen;
}

TEST(HtmlLine, EntitiesNestedFontsAndBrokenTags) {
  auto runs =
      ParseHtmlLine("<FONT color=\"#102030\">a &amp; <FONT size=8>b</FONT>c</FONT><unknown>d<IMG src=");
  ASSERT_EQ(runs.size(), 4u);
  EXPECT_EQ(runs[0].Text, "a & ");
  EXPECT_EQ(runs[0].Color, RGBToColor(0x10, 0x20, 0x30));
  EXPECT_EQ(runs[1].Text, "b");
  EXPECT_EQ(runs[1].FontSize, 8);
  EXPECT_EQ(runs[1].Color, RGBToColor(0x10, 0x20, 0x30));
  EXPECT_EQ(runs[2].Text, "c");
  EXPECT_EQ(runs[2].FontSize, 0);
  EXPECT_EQ(runs[3].Text, "d");  // the unclosed IMG tag ends the line
}

TEST_F(WizardTest, DefaultHandlerShowsTheMessageInAnErrorBox) {
  Application->SetTitle("Software VELMORAK Installer");
  bool after = false;
  Application->Dispatch([] { throw Exception("Archive is not open"); });
  Application->Dispatch([&] { after = true; });
  // A cancelled operation's silent abort shows nothing.
  Application->Dispatch([] { Abort(); });
  ASSERT_EQ(Dlg.Shown().size(), 1u);
  EXPECT_EQ(Dlg.Shown()[0].Caption, "Software VELMORAK Installer");
  EXPECT_EQ(Dlg.Shown()[0].Text, "Archive is not open.");
  EXPECT_EQ(Dlg.Shown()[0].DlgType, TMsgDlgType::mtError);
  EXPECT_TRUE(after);
}

TEST_F(WizardTest, TimersFireOnTheLoopAndStopWithTheirOwner) {
  auto* t = new TTimer(Application);
  int fired = 0;
  t->OnTimer = [&](TObject*) { ++fired; };
  t->SetInterval(20);
  t->SetEnabled(true);
  Ws->AdvanceTime(19);
  EXPECT_EQ(fired, 0);
  Ws->AdvanceTime(41);
  EXPECT_EQ(fired, 3);
  delete t;
  EXPECT_EQ(Ws->ActiveTimers(), 0u);
}

}  // namespace
}  // namespace velmorak::testing
