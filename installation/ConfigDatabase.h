// ConfigDatabase: step 16 of the installation, the update of the product's
// configuration database "scg.zvc" through three table cursors of the
// engine's default session — Config (the exercise year, the folders, the
// installation's date and time), Settings (opened, edited and posted
// unchanged: an empty table gains one empty record) and Societe (the
// company's details). Each cursor's BeforeOpen handler, set by the cursor's
// owner, gives the database its password.
//
// Order: the three DatabaseName, the three TableName, the three Open, the
// three Edit, the Config fields, progress 65, the Societe fields, 70, 75,
// the three Post, the three Close, 80. Values go by field name through
// FieldByName(...).Value, as texts (in the ANSI code page, as the database
// stores them), except the two date-time values and the
// capital, which is the numeric edit's number.
#pragma once

#include "database/ZvDBTable.h"
#include "installation/Installation.h"

namespace velmorak {

class TConfigDatabaseUpdate : public TConfigurationStep {
 public:
  // The cursors are not owned; they outlive this object.
  TConfigDatabaseUpdate(TZvTable& Config, TZvTable& Settings, TZvTable& Societe)
      : FConfig(Config), FSettings(Settings), FSociete(Societe) {}

  void Run(const TConfigValues& Values, const TCompanyDetails& Details,
           const std::function<void(int)>& Progress) override;
  // Pending edits are cancelled (nothing of them reaches the file) and the
  // cursors closed; records already posted stay written.
  void Release() noexcept override;

 private:
  TZvTable& FConfig;
  TZvTable& FSettings;
  TZvTable& FSociete;
};

}  // namespace velmorak
