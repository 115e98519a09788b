// Welcome: the greeting page.
#include "wizard/Welcome.h"

namespace velmorak {

TForm_Welcome* Form_Welcome = nullptr;

TForm_Welcome::TForm_Welcome(TComponent* AOwner) : TPageForm(AOwner, 617, 363) {
  SetName("Form_Welcome");
  Label_Title = AddLabel(this, "Label_Title", 48, 21, 521, 68,
                         "Bienvenu dans l'assistant d'installation de Software VELMORAK",
                         TFont::Make("Tahoma", 27, true));
  Label_Title->GradientFrom = RGBToColor(0x1A, 0x42, 0x84);
  Label_Title->GradientTo = RGBToColor(0x37, 0x9A, 0xFF);
  Label_Version = AddLabel(this, "Label_Version", 1, 112, 616, 50,
                           "Software VELMORAK Installer v3.6 pour Kolvane Pro version 5.6 build 1 , date de "
                           "réalisation : 01/12/2017",
                           TFont::Make("Tahoma", 21));
  Label_Version->GradientFrom = RGBToColor(0x3C, 0x3C, 0x3C);
  Label_Version->GradientTo = RGBToColor(0x8A, 0x8A, 0x8A);
  Label_Guide =
      AddLabel(this, "Label_Guide", 40, 195, 545, 134,
               "L'assistant d'installation va vous guider dans l'installation de l'application Kolvane "
               "Pro sur votre ordinateur. Veuillez svp bien suivre les étapes requises pour finir "
               "l'installation. Cliquez sur suivant svp.",
               TFont::Make("Tahoma", 21));
  Label_Guide->GradientFrom = RGBToColor(0xA2, 0xBD, 0xFD);
  Label_Guide->GradientTo = RGBToColor(0x20, 0x43, 0x7B);
  for (TLabel* l : {Label_Title, Label_Version, Label_Guide}) {
    l->WordWrap = true;
    l->Alignment = TAlignment::taCenter;
  }
  DoCreate();
}

}  // namespace velmorak
