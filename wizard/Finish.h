// Finish: the final page, opened by the installation when it has completed.
// It thanks the user, shows how to reach the maker, and opens the maker's
// web site in the browser once, when first shown.
#pragma once

#include "platform/forms/ExtCtrls.h"
#include "wizard/PageForm.h"

namespace velmorak {

class TForm_Finish : public TPageForm {
 public:
  explicit TForm_Finish(TComponent* AOwner);
  const char* ClassName() const override { return "TForm_Finish"; }

  TImage* Image_Banner;
  TImage* Image_Logo;
  TLabel* Label_Thanks;
  TLabel* Label_Usage;
  TGroupBox* GroupBox1;
  TImage* Image_Check;
  TLabel* Label_Web;
  TLabel* Link_Web;
  TLabel* Label_EMail;
  TLabel* Link_EMail;
  TLabel* Label_Sales;
  TLabel* Value_Sales;
  TLabel* Label_Support;
  TLabel* Value_Support;

  void FormShow(TObject* Sender);
};

extern TForm_Finish* Form_Finish;

}  // namespace velmorak
