// Contrat: the agreement page. The text is resources/Contrat.txt, compiled in
// (ContratText.inc is generated from it); its last line is the web site.
#include "wizard/Contrat.h"

#include "wizard/Maker.h"

namespace velmorak {

TForm_Contrat* Form_Contrat = nullptr;

namespace {
constexpr const char* kAgreementText =
#include "ContratText.inc"
    ;
}  // namespace

std::vector<std::string> TForm_Contrat::AgreementLines() {
  std::vector<std::string> lines;
  std::string text = kAgreementText, line;
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  lines.push_back(maker::WebSite);
  return lines;
}

TForm_Contrat::TForm_Contrat(TComponent* AOwner) : TPageForm(AOwner, 632, 402) {
  SetName("Form_Contrat");
  Memo_Contrat = new TMemo(this);
  Memo_Contrat->SetName("Memo_Contrat");
  Memo_Contrat->SetParent(this);
  Memo_Contrat->SetBounds(0, 0, 631, 402);
  Memo_Contrat->SetFont(TFont::Make("Tahoma", 15));
  Memo_Contrat->SetTabOrder(0);
  Memo_Contrat->ReadOnly = true;
  // The seven lines fit the page; without a scroll bar each long line keeps
  // to one row in the wider Tahoma of Wine as in the narrower one of Windows.
  Memo_Contrat->VerticalScrollBar = false;
  Memo_Contrat->SetLines(AgreementLines());
  DoCreate();
}

}  // namespace velmorak
