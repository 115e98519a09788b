// Welcome: the first page — three word-wrapped gradient labels that greet the
// user and name the product. It has no controls and no handlers.
#pragma once

#include "wizard/PageForm.h"

namespace velmorak {

class TForm_Welcome : public TPageForm {
 public:
  explicit TForm_Welcome(TComponent* AOwner);
  const char* ClassName() const override { return "TForm_Welcome"; }

  TLabel* Label_Title;
  TLabel* Label_Version;
  TLabel* Label_Guide;
};

extern TForm_Welcome* Form_Welcome;

}  // namespace velmorak
