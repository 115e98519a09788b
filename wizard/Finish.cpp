// Finish: the thank-you page and its contact block.
#include "wizard/Finish.h"

#include "resources/Pictures.h"
#include "wizard/Maker.h"

namespace velmorak {

TForm_Finish* Form_Finish = nullptr;

namespace {
const TColor kDarkGrey = RGBToColor(0x3C, 0x3C, 0x3C);
}

TForm_Finish::TForm_Finish(TComponent* AOwner) : TPageForm(AOwner, 632, 402) {
  SetName("Form_Finish");
  auto image = [this](TWinControl* parent, const char* name, int l, int t, int w, int h, const TPicture& p) {
    auto* i = new TImage(this);
    i->SetName(name);
    i->SetParent(parent);
    i->SetBounds(l, t, w, h);
    i->SetPicture(p);
    i->Stretch = true;
    return i;
  };
  Image_Banner = image(this, "Image_Banner", 0, -83, 632, 197, pictures::FinishBanner());
  Image_Logo = image(this, "Image_Logo", 5, 15, 241, 97, pictures::Logo());

  Label_Thanks =
      AddLabel(this, "Label_Thanks", 274, 20, 279, 39,
               "Félicitation, installation terminée.\nNous vous remercions de choisir nos services et "
               "applications.",
               TFont::Make("MS Sans Serif", 12, true, kDarkGrey));
  Label_Usage =
      AddLabel(this, "Label_Usage", 254, 71, 350, 32,
               "Vous pouvez dès maintenant utiliser le logiciel en plein fonctionnalités, juste un click "
               "sur le raccourci.",
               TFont::Make("MS Sans Serif", 13, true, RGBToColor(0x20, 0x43, 0x7B)));
  for (TLabel* l : {Label_Thanks, Label_Usage}) {
    l->WordWrap = true;
    l->Alignment = TAlignment::taCenter;
  }

  GroupBox1 = new TGroupBox(this);
  GroupBox1->SetName("GroupBox1");
  GroupBox1->SetParent(this);
  GroupBox1->SetBounds(4, 112, 623, 287);
  GroupBox1->SetTransparent(true);
  Image_Check = image(GroupBox1, "Image_Check", 533, 195, 81, 88, pictures::Check128());

  const TFont label = TFont::Make("Tahoma", 13, false, kDarkGrey);
  TFont bold = TFont::Make("Tahoma", 13, true, kDarkGrey);
  TFont link = TFont::Make("Tahoma", 13, true, clBlue);
  link.Style |= static_cast<unsigned>(TFontStyle::fsUnderline);
  Label_Web = AddLabel(GroupBox1, "Label_Web", 10, 219, 130, 16, "Site web :", label);
  Link_Web = AddLabel(GroupBox1, "Link_Web", 147, 219, 300, 16, maker::WebSite, link);
  Label_EMail = AddLabel(GroupBox1, "Label_EMail", 10, 235, 130, 16, "E-Mail :", label);
  Link_EMail = AddLabel(GroupBox1, "Link_EMail", 147, 234, 300, 16, maker::EMail, link);
  Label_Sales = AddLabel(GroupBox1, "Label_Sales", 10, 250, 135, 16, "Service Commerciale :", label);
  Value_Sales = AddLabel(GroupBox1, "Value_Sales", 147, 250, 300, 16, maker::SalesPhone, bold);
  Label_Support = AddLabel(GroupBox1, "Label_Support", 10, 265, 135, 16, "Service Technique :", label);
  Value_Support = AddLabel(GroupBox1, "Value_Support", 147, 265, 300, 16, maker::SupportPhone, bold);
  Link_Web->IsLink = Link_EMail->IsLink = true;

  OnShow = [this](TObject* s) { FormShow(s); };
  DoCreate();
}

void TForm_Finish::FormShow(TObject* Sender) {
  // The browser opens on its own; nothing waits for it or checks the result.
  WidgetSet().ShellOpen(this, maker::WebSite);
}

}  // namespace velmorak
