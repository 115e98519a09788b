// A wizard run on the headless backend: the real start-up (RunWizard) with
// the virtual clock, so the nine-second splash takes no time, and the
// dialog service's scripted responder for the quit question and error boxes.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "installation/Params.h"
#include "platform/forms/headless/HeadlessDialogs.h"
#include "platform/forms/headless/HeadlessWidgetSet.h"
#include "wizard/Contrat.h"
#include "wizard/Finish.h"
#include "wizard/Program.h"
#include "wizard/Unit_Main.h"
#include "wizard/Welcome.h"

namespace velmorak::testing {

class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto ws = std::make_unique<THeadlessWidgetSet>();
    Ws = ws.get();
    SetWidgetSet(std::move(ws));
    Dlg.Reset();
    SetDialogBackend(&Dlg);
    CreateApplication();
  }
  void TearDown() override {
    DestroyApplication();
    Form_Main = nullptr, Form_Welcome = nullptr, Form_Contrat = nullptr, Form_Params = nullptr;
    Form_Finish = nullptr;
    SetWidgetSet(nullptr);
    SetDialogBackend(nullptr);
  }
  void Start() { RunWizard(); }
  void Next() { Form_Main->Btn_Next->Click(); }
  void Previous() { Form_Main->Btn_Previous->Click(); }

  // The page whose instance is showing, by its reference's name.
  std::string ShowingPage() const {
    std::string page;
    auto check = [&page](TForm* f, const char* name) {
      if (f && f->Showing()) page += page.empty() ? name : std::string("+") + name;
    };
    check(Form_Welcome, "Welcome");
    check(Form_Contrat, "Agreement");
    check(Form_Params, "Params");
    check(Form_Finish, "Finish");
    return page;
  }

  // Fills every required input of the company details page.
  void FillRequired() {
    Form_Params->Edit_Societe->TypeText("SARL Atlas");
    Form_Params->Edit_Activite->TypeText("Négoce");
    Form_Params->Edit_Adresse->TypeText("12 rue des Oliviers");
    Form_Params->Edit_Tel->TypeText("021 55 66 77");
    Form_Params->Combo_Path->ChooseFolder("D:\\");
  }

  THeadlessWidgetSet* Ws = nullptr;
  THeadlessDialogs Dlg;
};

}  // namespace velmorak::testing
