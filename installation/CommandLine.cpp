// CommandLine: splitting and checking the switches, reading and checking
// the answers file.
#include "installation/CommandLine.h"

#include <climits>
#include <cstring>

#include "platform/classes/CodePages.h"

namespace velmorak {

namespace {

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Trim(const std::string& s) {
  std::size_t a = 0, b = s.size();
  while (a < b && IsBlank(s[a])) ++a;
  while (b > a && IsBlank(s[b - 1])) --b;
  return s.substr(a, b - a);
}

// Characters, not bytes: the edits' limits count what the user types.
std::size_t CharCount(const std::string& utf8) {
  std::size_t n = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

bool ValidUtf8(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t extra;
    std::uint32_t min;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, min = 0x10000;
    } else {
      return false;
    }
    if (i + extra >= s.size()) return false;
    std::uint32_t cp = c & (0x3F >> extra);
    for (std::size_t k = 1; k <= extra; ++k) {
      const unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

// The answers file's keys: where each value goes and the edit's limit.
struct TKey {
  const char* Name;
  std::string TCompanyDetails::*Field;  // nullptr for CapitalS
  std::size_t MaxLength;                // 0: no limit
  bool Required;
};
const TKey kKeys[] = {
    {"Societe", &TCompanyDetails::Societe, 50, true}, {"Activite", &TCompanyDetails::Activite, 100, true},
    {"Adresse", &TCompanyDetails::Adresse, 80, true}, {"Tel", &TCompanyDetails::Tel, 30, true},
    {"Fax", &TCompanyDetails::Fax, 30, false},        {"Email", &TCompanyDetails::Email, 60, false},
    {"URL", &TCompanyDetails::URL, 60, false},        {"CBank", &TCompanyDetails::CBank, 60, false},
    {"RC", &TCompanyDetails::RC, 20, false},          {"MF", &TCompanyDetails::MF, 15, false},
    {"AI", &TCompanyDetails::AI, 11, false},          {"NIF", &TCompanyDetails::NIF, 15, false},
    {"NIS", &TCompanyDetails::NIS, 15, false},        {"CapitalS", nullptr, 0, false},
};

// A whole number in digits with an optional minus; false when it is not one
// or does not fit.
bool ParseWholeNumber(const std::string& text, long long& value) {
  std::size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++i;
  if (i == text.size()) return false;
  unsigned long long v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    const unsigned digit = static_cast<unsigned>(text[i] - '0');
    if (v > (static_cast<unsigned long long>(LLONG_MAX) - digit) / 10) return false;
    v = v * 10 + digit;
  }
  value = negative ? -static_cast<long long>(v) : static_cast<long long>(v);
  return true;
}

}  // namespace

int ExitCodeOf(TInstallResult Result, int Warnings) {
  switch (Result) {
    case TInstallResult::irInstalled:
      return Warnings ? ExitFailed : ExitInstalled;
    case TInstallResult::irNotConfirmed:
    case TInstallResult::irEarlierInstallation:
      return ExitCancelled;
    case TInstallResult::irPathMissing:
    case TInstallResult::irPackageMissing:
      return ExitRefused;
  }
  return ExitFailed;
}

int ExitCodeOf(const std::exception& E) {
  const auto* install = dynamic_cast<const EInstallError*>(&E);
  return install && install->Kind() == EInstallError::ikItemNotExtracted ? ExitItemNotExtracted : ExitFailed;
}

bool TCommandLine::Empty() const {
  return !Silent && !VerySilent && !Overwrite && !Help && !HasDir && !HasLoadInf && !HasLog && Errors.empty();
}

std::vector<std::string> SplitArguments(const std::string& Arguments) {
  std::vector<std::string> result;
  std::string current;
  bool inQuotes = false, any = false;
  for (char c : Arguments) {
    if (c == '"') {
      inQuotes = !inQuotes;
      any = true;
    } else if ((c == ' ' || c == '\t') && !inQuotes) {
      if (any) result.push_back(current);
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (any) result.push_back(current);
  return result;
}

TCommandLine ParseCommandLine(const std::vector<std::string>& Arguments) {
  TCommandLine cl;
  for (const std::string& arg : Arguments) {
    const std::size_t eq = arg.find('=');
    const std::string name = Upper(arg.substr(0, eq));
    const bool hasValue = eq != std::string::npos;
    const std::string value = hasValue ? arg.substr(eq + 1) : std::string();
    auto flag = [&](bool& target) {
      if (hasValue)
        cl.Errors.push_back("le commutateur " + name + " ne prend pas de valeur");
      else
        target = true;
    };
    auto text = [&](bool& has, std::string& target) {
      if (!hasValue || value.empty()) {
        cl.Errors.push_back("le commutateur " + name + " demande une valeur (" + name + "=\"...\")");
      } else {
        has = true;
        target = value;
      }
    };
    if (name == "/SILENT") {
      flag(cl.Silent);
    } else if (name == "/VERYSILENT") {
      flag(cl.VerySilent);
    } else if (name == "/OVERWRITE") {
      flag(cl.Overwrite);
    } else if (name == "/HELP" || name == "/?") {
      flag(cl.Help);
    } else if (name == "/DIR") {
      text(cl.HasDir, cl.Dir);
      if (cl.HasDir && !IsAbsoluteInstallPath(cl.Dir))
        cl.Errors.push_back("le chemin de /DIR doit être absolu : " + cl.Dir);
    } else if (name == "/LOADINF") {
      text(cl.HasLoadInf, cl.LoadInf);
    } else if (name == "/LOG") {
      text(cl.HasLog, cl.Log);
    } else {
      cl.Errors.push_back("commutateur inconnu : " + arg);
    }
  }
  return cl;
}

std::string SwitchesHelp() {
  return "Installation de Kolvane Pro 5.6 - Gestion Commerciale\n\n"
         "Install.exe [/SILENT | /VERYSILENT] [/DIR=\"chemin\"] [/LOADINF=\"fichier\"] [/LOG=\"fichier\"] "
         "[/OVERWRITE]\n\n"
         "/SILENT : sans assistant, une petite fenêtre montre l'avancement\n"
         "/VERYSILENT : sans aucune fenêtre\n"
         "/DIR=\"chemin\" : le chemin d'installation, absolu (C:\\ ou \\\\serveur\\partage)\n"
         "/LOADINF=\"fichier\" : le fichier de réponses (section [Societe], et [Setup] Dir=)\n"
         "/LOG=\"fichier\" : le journal de l'installation (aussi avec l'assistant)\n"
         "/OVERWRITE : remplacer une installation précédente\n"
         "/HELP, /? : cette aide\n\n"
         "Codes de sortie : 0 installé, 1 ligne de commande ou fichier de réponses incorrect, 2 installation "
         "précédente conservée, 4 échec de l'installation, 5 un fichier du package non installé, 7 "
         "installation refusée (chemin ou package)";
}

bool IsAbsoluteInstallPath(const std::string& Path) {
#ifdef _WIN32
  const bool drive = Path.size() >= 3 &&
                     ((Path[0] >= 'A' && Path[0] <= 'Z') || (Path[0] >= 'a' && Path[0] <= 'z')) &&
                     Path[1] == ':' && Path[2] == '\\';
  const bool unc = Path.size() > 2 && Path[0] == '\\' && Path[1] == '\\' && Path[2] != '\\';
  return drive || unc;
#else
  return !Path.empty() && Path[0] == '/';
#endif
}

TAnswers ParseAnswers(const std::string& Bytes) {
  TAnswers a;
  std::string text = Bytes;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  if (!ValidUtf8(text)) text = AnsiToUtf8(text);

  std::string section;
  bool seen[sizeof kKeys / sizeof kKeys[0]] = {};
  std::size_t lineNo = 0, pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    ++lineNo;
    const std::string where = "ligne " + std::to_string(lineNo) + " : ";
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      if (line.back() != ']') {
        a.Errors.push_back(where + "section mal formée " + line);
        continue;
      }
      section = Upper(Trim(line.substr(1, line.size() - 2)));
      if (section != "SOCIETE" && section != "SETUP") a.Errors.push_back(where + "section inconnue " + line);
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) {
      a.Errors.push_back(where + "ligne sans « = » : " + line);
      continue;
    }
    const std::string key = Trim(line.substr(0, eq));
    std::string value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    const std::string ukey = Upper(key);

    if (section == "SETUP" && ukey == "DIR") {
      a.Dir = value;
      a.HasDir = true;
      continue;
    }
    bool known = false;
    if (section == "SOCIETE") {
      for (std::size_t k = 0; k < sizeof kKeys / sizeof kKeys[0]; ++k) {
        if (Upper(kKeys[k].Name) != ukey) continue;
        known = true;
        if (seen[k]) a.Errors.push_back(where + "clé " + kKeys[k].Name + " donnée deux fois");
        seen[k] = true;
        if (!kKeys[k].Field) {
          long long v = 0;
          if (!value.empty() && !ParseWholeNumber(value, v))
            a.Errors.push_back("clé CapitalS : un nombre entier en chiffres, signe moins permis (" + value +
                               ")");
          a.Details.CapitalS = v;
        } else {
          if (CharCount(value) > kKeys[k].MaxLength)
            a.Errors.push_back(std::string("clé ") + kKeys[k].Name + " : au plus " +
                               std::to_string(kKeys[k].MaxLength) + " caractères");
          a.Details.*kKeys[k].Field = value;
        }
        break;
      }
    }
    if (!known)
      a.Errors.push_back(where + "clé inconnue " + key +
                         (section.empty() ? " hors section" : " dans [" + section + "]"));
  }
  return a;
}

void CheckAnswers(TAnswers& Answers, const std::string& Path) {
  for (const TKey& k : kKeys) {
    if (!k.Required || !k.Field) continue;
    if ((Answers.Details.*k.Field).empty())
      Answers.Errors.push_back(std::string("clé ") + k.Name + " : obligatoire, ne doit pas être vide");
  }
  if (!Answers.Details.Tel.empty() && CharCount(Answers.Details.Tel) < 9)
    Answers.Errors.push_back("clé Tel : au moins 9 caractères");
  if (Path.empty())
    Answers.Errors.push_back("clé Dir ou /DIR : le chemin d'installation est obligatoire");
  else if (!IsAbsoluteInstallPath(Path))
    Answers.Errors.push_back("clé Dir ou /DIR : le chemin doit être absolu (" + Path + ")");
}

}  // namespace velmorak
