// Unattended: the command line's dispatch, the unattended host and its
// progress window.
#include "installation/Unattended.h"

#include <memory>

#include "database/ZvDBSession.h"
#include "database/ZvDBTable.h"
#include "installation/ConfigDatabase.h"
#include "installation/InstallLog.h"
#include "installation/Params.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/os/FileSystem.h"
#include "wizard/Program.h"

namespace velmorak {

namespace {

constexpr const char* kProgressCaption = "Installation de Kolvane Pro 5.6 - Gestion Commerciale";

// The /SILENT window: the step being done and the bar.
class TForm_Progress : public TForm {
 public:
  explicit TForm_Progress(TComponent* AOwner) : TForm(AOwner) {
    SetName("Form_Progress");
    SetCaption(kProgressCaption);
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetClientSize(420, 90);
    SetColor(clWhite);
    Label_Step = new TLabel(this);
    Label_Step->SetName("Label_Step");
    Label_Step->SetParent(this);
    Label_Step->SetBounds(16, 16, 388, 18);
    Label_Step->SetFont(TFont::Make("Tahoma", 12));
    PBar = new TProgressBar(this);
    PBar->SetName("PBar");
    PBar->SetParent(this);
    PBar->SetBounds(16, 48, 388, 17);
    PBar->ShowPercent = true;
  }
  const char* ClassName() const override { return "TForm_Progress"; }
  TLabel* Label_Step;
  TProgressBar* PBar;
};

class TUnattendedHost : public TInstallHost {
 public:
  TUnattendedHost(const TCommandLine& CommandLine, TForm_Progress* Window)
      : FOverwrite(CommandLine.Overwrite), FWindow(Window) {}

  bool AskOkCancel(const std::string& Caption, const std::string& Text) override {
    // The confirmation counts as OK; the earlier installation is replaced
    // only when /OVERWRITE says so.
    return Text == install::EarlierInstallationText ? FOverwrite : true;
  }
  // The reason is in the log already, through StepResult.
  void ShowError(const std::string&, const std::string&) override {}
  void Lock() override {}
  void SetProgress(int Percent) override {
    if (!FWindow) return;
    FWindow->PBar->SetPosition(Percent);
    Application->ProcessMessages();
  }
  void StepStarted(const std::string& Step) override {
    if (!FWindow) return;
    FWindow->Label_Step->SetCaption(Step);
    Application->ProcessMessages();
  }
  void StepResult(const std::string& Step, const std::string& Result) override {
    if (InstallLog) InstallLog->Step(Step, Result);
  }
  void Warning(const std::string& Text) override {
    if (InstallLog) InstallLog->Warning(Text);
  }
  void HandOver() override {}

 private:
  bool FOverwrite;
  TForm_Progress* FWindow;
};

void LogLine(const std::string& Step, const std::string& Result) {
  if (InstallLog) InstallLog->Step(Step, Result);
}

// Ends a run: the log's last line, then the code.
int Finish(int Code) {
  if (InstallLog) InstallLog->Finish(Code);
  return Code;
}

bool ReadWholeFile(const std::string& Path, std::string& Bytes) {
  const os::THandle h = os::FileOpen(Path, os::fmOpenRead | os::fmShareDenyWrite);
  if (h == os::InvalidHandle) return false;
  const std::int64_t size = os::FileSize(h);
  Bytes.assign(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
  const bool ok = size >= 0 && os::FileRead(h, Bytes.data(), size) == size;
  os::FileClose(h);
  return ok;
}

void ShowSwitches() {
  Application->MessageBox(SwitchesHelp(), ApplicationTitle, TMsgDlgType::mtInformation, mbOK);
}

}  // namespace

int RunUnattended(const TCommandLine& CommandLine) {
  constexpr const char* kAnswersStep = "Fichier de réponses";
  TAnswers answers;
  if (CommandLine.HasLoadInf) {
    std::string bytes;
    if (!ReadWholeFile(CommandLine.LoadInf, bytes)) {
      LogLine(kAnswersStep, "le fichier \"" + CommandLine.LoadInf + "\" ne peut pas être lu");
      return Finish(ExitBadCommandLine);
    }
    answers = ParseAnswers(bytes);
  }
  const std::string path = CommandLine.HasDir ? CommandLine.Dir : answers.Dir;
  CheckAnswers(answers, path);
  if (!answers.Errors.empty()) {
    for (const std::string& e : answers.Errors) LogLine(kAnswersStep, e);
    return Finish(ExitBadCommandLine);
  }
  LogLine(kAnswersStep, "OK");

  // Nobody answers a login box here: without a hook the engine's prompt is
  // a Cancel.
  const TZvLoginHook previousHook = SetZvLoginHook(nullptr);
  struct TRestoreHook {
    TZvLoginHook Hook;
    ~TRestoreHook() { SetZvLoginHook(Hook); }
  } restoreHook{previousHook};

  // The components the page would own, with the same settings.
  TComponent owner(nullptr);
  TPackageArchiver* archiver = CreatePackageArchiver(&owner);
  AnswerArchiveUnattended(*archiver);
  auto table = [&owner](const char* name) {
    auto* t = new TZvTable(&owner);
    t->SetName(name);
    t->BeforeOpen = [t](TDataSet*) { t->SetPassword(install::TablePassword); };
    return t;
  };
  TZvTable* societe = table("Societe_tbl");
  TZvTable* settings = table("Settings_tbl");
  TZvTable* config = table("Config_tbl");

  std::unique_ptr<TForm_Progress> window;
  if (CommandLine.Silent && !CommandLine.VerySilent) {
    window = std::make_unique<TForm_Progress>(nullptr);
    window->Show();
    Application->ProcessMessages();
  }
  TUnattendedHost host(CommandLine, window.get());
  TConfigDatabaseUpdate configuration(*config, *settings, *societe);
  TInstallation installation(host, *archiver, configuration);
  int code;
  try {
    const TInstallResult result = installation.Run(path, answers.Details);
    code = ExitCodeOf(result, installation.Warnings());
  } catch (const std::exception& e) {
    code = ExitCodeOf(e);
  }
  if (window) window->Hide();
  return Finish(code);
}

int RunProgram(const std::vector<std::string>& Arguments) {
  const TCommandLine cl = ParseCommandLine(Arguments);
  if (cl.Empty()) return RunWizard();

  TInstallLog log;
  if (cl.HasLog && log.Open(cl.Log)) InstallLog = &log;
  struct TLogReset {
    ~TLogReset() { InstallLog = nullptr; }
  } reset;
  if (!Application) CreateApplication();
  Application->SetTitle(ApplicationTitle);

  constexpr const char* kCommandLineStep = "Ligne de commande";
  if (!cl.Errors.empty()) {
    for (const std::string& e : cl.Errors) LogLine(kCommandLineStep, e);
    if (!cl.Unattended()) ShowSwitches();
    return Finish(ExitBadCommandLine);
  }
  if (cl.Help) {
    if (!cl.VerySilent) ShowSwitches();
    return Finish(ExitInstalled);
  }
  if (!cl.Unattended()) {
    // The wizard takes only /LOG; the other switches belong to the
    // unattended modes.
    if (cl.HasDir || cl.HasLoadInf || cl.Overwrite) {
      LogLine(kCommandLineStep, "/DIR, /LOADINF et /OVERWRITE demandent /SILENT ou /VERYSILENT");
      ShowSwitches();
      return Finish(ExitBadCommandLine);
    }
    LastInstallationExitCode = -1;
    RunWizard();
    // A wizard left before any installation was started installed nothing.
    return Finish(LastInstallationExitCode < 0 ? ExitCancelled : LastInstallationExitCode);
  }
  LogLine(kCommandLineStep, "OK");
  return RunUnattended(cl);
}

}  // namespace velmorak
