// Program: the start-up order of the wizard.
#include "wizard/Program.h"

#include "installation/Params.h"
#include "wizard/Contrat.h"
#include "wizard/Finish.h"
#include "wizard/Unit_Main.h"
#include "wizard/Welcome.h"

namespace velmorak {

int RunWizard() {
  if (!Application) CreateApplication();
  Application->Initialize();
  Application->SetTitle(ApplicationTitle);
  // The main window's creation runs the splash sequence, before the pages exist.
  Application->CreateForm(Form_Main);
  Application->CreateForm(Form_Welcome);
  Application->CreateForm(Form_Contrat);
  Application->CreateForm(Form_Params);
  Application->CreateForm(Form_Finish);
  Application->Run();
  return 0;
}

}  // namespace velmorak
