// The unattended installation's switches and answers file, as tables of
// cases: quoting and case, BOM and ANSI fallback, comments, over-long
// values, unknown keys and the forward-button rules.
#include <gtest/gtest.h>

#include "installation/CommandLine.h"

namespace velmorak {
namespace {

TEST(CommandLineTest, ArgumentsSplitAtBlanksOutsideQuotes) {
  struct Case {
    const char* line;
    std::vector<std::string> args;
  } cases[] = {
      {"", {}},
      {"  /SILENT   /LOG=a.log ", {"/SILENT", "/LOG=a.log"}},
      // Quotes are removed wherever they stand; a backslash is ordinary.
      {"/DIR=\"C:\\\" /LOG=\"C:\\Temp dir\\k.log\"", {"/DIR=C:\\", "/LOG=C:\\Temp dir\\k.log"}},
      {"\"/DIR=C:\\Program Files\"", {"/DIR=C:\\Program Files"}},
      {"/DIR=C:\\\"Mes Docs\"\\x", {"/DIR=C:\\Mes Docs\\x"}},
      {"\"\"", {""}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitArguments(c.line), c.args) << c.line;
}

TEST(CommandLineTest, SwitchesAndTheirFaults) {
#ifdef _WIN32
  const std::string dir = "C:\\";
#else
  const std::string dir = "/srv/d/";
#endif
  auto parse = [](std::vector<std::string> args) { return ParseCommandLine(args); };
  TCommandLine cl = parse({"/verysilent", "/Dir=" + dir, "/LOADINF=societe.ini", "/log=k.log", "/OverWrite"});
  EXPECT_TRUE(cl.Errors.empty());
  EXPECT_TRUE(cl.VerySilent && cl.Overwrite && cl.HasDir && cl.HasLoadInf && cl.HasLog);
  EXPECT_FALSE(cl.Silent);
  EXPECT_EQ(cl.Dir, dir);
  EXPECT_EQ(cl.LoadInf, "societe.ini");
  EXPECT_TRUE(parse({"/?"}).Help);
  EXPECT_TRUE(parse({"/HELP"}).Help);
  EXPECT_TRUE(parse({}).Empty());

  struct Bad {
    std::vector<std::string> args;
    const char* error;
  } bad[] = {
      {{"/QUIET"}, "commutateur inconnu : /QUIET"},
      {{"SILENT"}, "commutateur inconnu : SILENT"},
      {{"/SILENT=1"}, "le commutateur /SILENT ne prend pas de valeur"},
      {{"/DIR"}, "le commutateur /DIR demande une valeur (/DIR=\"...\")"},
      {{"/LOG="}, "le commutateur /LOG demande une valeur (/LOG=\"...\")"},
      {{"/DIR=relative\\path"}, "le chemin de /DIR doit être absolu : relative\\path"},
  };
  for (const Bad& b : bad) {
    const TCommandLine r = parse(b.args);
    ASSERT_EQ(r.Errors.size(), 1u) << b.args[0];
    EXPECT_EQ(r.Errors[0], b.error);
  }
}

TEST(AnswersTest, ValuesKeysAndEncodings) {
  const std::string base = "[Societe]\nSociete=Atlas\nActivite=Négoce\nAdresse=12 rue\nTel=021556677\n";
  struct Case {
    const char* why;
    std::string bytes;
    std::string TCompanyDetails::*field;
    std::string value;
  } cases[] = {
      {"plain", base, &TCompanyDetails::Societe, "Atlas"},
      {"BOM and CR LF", "\xEF\xBB\xBF[Societe]\r\nSociete = Atlas SA \r\nActivite=x\r\n",
       &TCompanyDetails::Societe, "Atlas SA"},
      {"case of section and key", "[SOCIETE]\nsOcIeTe=Atlas\n", &TCompanyDetails::Societe, "Atlas"},
      {"quotes keep the blanks", "[Societe]\nFax=\"  021 00 \"\n", &TCompanyDetails::Fax, "  021 00 "},
      {"comments", "; note\n# note\n[Societe]\n;Fax=1\nFax=2\n", &TCompanyDetails::Fax, "2"},
      {"ANSI bytes", "[Societe]\nActivite=N\xE9goce\n", &TCompanyDetails::Activite, "Négoce"},
      {"UTF-8 kept", "[Societe]\nActivite=N\xC3\xA9goce\n", &TCompanyDetails::Activite, "Négoce"},
  };
  for (const Case& c : cases) {
    const TAnswers a = ParseAnswers(c.bytes);
    EXPECT_TRUE(a.Errors.empty()) << c.why << ": " << (a.Errors.empty() ? "" : a.Errors[0]);
    EXPECT_EQ(a.Details.*c.field, c.value) << c.why;
  }

  const TAnswers setup = ParseAnswers(base + "[Setup]\nDIR = \"/srv/d\"\n");
  EXPECT_TRUE(setup.HasDir);
  EXPECT_EQ(setup.Dir, "/srv/d");
}

TEST(AnswersTest, EachRuleNamesItsKey) {
  const std::string noName = "[Societe]\nActivite=Négoce\nAdresse=12 rue\nTel=021556677\n";
  const std::string ok = noName + "Societe=Atlas\n";
#ifdef _WIN32
  const std::string path = "C:\\";
#else
  const std::string path = "/srv/d";
#endif
  struct Case {
    const char* why;
    std::string bytes;
    std::string path;
    std::string error;  // "" when the answers pass
    long long capital;
  } cases[] = {
      {"all good", ok, path, "", 0},
      {"capital", ok + "CapitalS=-250\n", path, "", -250},
      {"capital empty", ok + "CapitalS=\n", path, "", 0},
      {"capital with separators", ok + "CapitalS=1 500 000\n", path,
       "clé CapitalS : un nombre entier en chiffres, signe moins permis (1 500 000)", 0},
      {"capital too large", ok + "CapitalS=99999999999999999999\n", path,
       "clé CapitalS : un nombre entier en chiffres, signe moins permis (99999999999999999999)", 0},
      {"company of 51 characters", noName + "Societe=" + std::string(51, 'S') + "\n", path,
       "clé Societe : au plus 50 caractères", 0},
      {"50 accented characters fit",
       noName + "Societe=" +
           [] {
             std::string s;
             for (int i = 0; i < 50; ++i) s += "é";
             return s;
           }() +
           "\n",
       path, "", 0},
      {"AI of 12", ok + "AI=123456789012\n", path, "clé AI : au plus 11 caractères", 0},
      {"unknown key", ok + "Capital=1\n", path, "ligne 6 : clé inconnue Capital dans [SOCIETE]", 0},
      {"key outside a section", "Fax=1\n" + ok, path, "ligne 1 : clé inconnue Fax hors section", 0},
      {"unknown section", ok + "[Other]\n", path, "ligne 6 : section inconnue [Other]", 0},
      {"telephone of 8", "[Societe]\nSociete=A\nActivite=B\nAdresse=C\nTel=12345678\n", path,
       "clé Tel : au moins 9 caractères", 0},
      {"blanks count, quoted", "[Societe]\nSociete=\" \"\nActivite=B\nAdresse=C\nTel=\"         \"\n", path,
       "", 0},
      {"address missing", "[Societe]\nSociete=A\nActivite=B\nTel=123456789\n", path,
       "clé Adresse : obligatoire, ne doit pas être vide", 0},
      {"no path", ok, "", "clé Dir ou /DIR : le chemin d'installation est obligatoire", 0},
      {"relative path", ok, "rel", "clé Dir ou /DIR : le chemin doit être absolu (rel)", 0},
  };
  for (const Case& c : cases) {
    TAnswers a = ParseAnswers(c.bytes);
    CheckAnswers(a, c.path);
    if (c.error.empty()) {
      EXPECT_TRUE(a.Errors.empty()) << c.why << ": " << a.Errors[0];
      EXPECT_EQ(a.Details.CapitalS, c.capital) << c.why;
    } else {
      ASSERT_EQ(a.Errors.size(), 1u) << c.why << ": " << a.Errors[0] << " / " << a.Errors.back();
      EXPECT_EQ(a.Errors[0], c.error) << c.why;
    }
  }
}

}  // namespace
}  // namespace velmorak
