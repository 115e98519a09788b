// Contrat: the end-user agreement page — one read-only memo with the
// agreement text and the maker's web site. No acceptance is asked.
#pragma once

#include <string>
#include <vector>

#include "wizard/PageForm.h"

namespace velmorak {

class TForm_Contrat : public TPageForm {
 public:
  explicit TForm_Contrat(TComponent* AOwner);
  const char* ClassName() const override { return "TForm_Contrat"; }

  TMemo* Memo_Contrat;

  // The agreement as the memo holds it, one entry per line.
  static std::vector<std::string> AgreementLines();
};

extern TForm_Contrat* Form_Contrat;

}  // namespace velmorak
