// DBTypes: type names and classes, and the database-error helper.
#include "platform/dataset/DBTypes.h"

#include "platform/classes/SysUtils.h"

namespace velmorak {

const char* FieldTypeNames(TFieldType Type) {
  static const char* const names[] = {
      "ftUnknown",    "ftString",     "ftSmallint", "ftInteger",     "ftWord",      "ftBoolean",
      "ftFloat",      "ftCurrency",   "ftBCD",      "ftDate",        "ftTime",      "ftDateTime",
      "ftBytes",      "ftVarBytes",   "ftAutoInc",  "ftBlob",        "ftMemo",      "ftGraphic",
      "ftFmtMemo",    "ftParadoxOle", "ftDBaseOle", "ftTypedBinary", "ftCursor",    "ftFixedChar",
      "ftWideString", "ftLargeint",   "ftADT",      "ftArray",       "ftReference", "ftDataSet",
      "ftOraBlob",    "ftOraClob",    "ftVariant",  "ftInterface",   "ftIDispatch", "ftGuid",
  };
  return Type < sizeof names / sizeof names[0] ? names[Type] : "";
}

bool IsBlobFieldType(TFieldType Type) {
  return (Type >= ftBlob && Type <= ftTypedBinary) || Type == ftOraBlob || Type == ftOraClob;
}

bool IsMemoFieldType(TFieldType Type) {
  return Type == ftMemo || Type == ftFmtMemo || Type == ftOraClob;
}

bool IsTextFieldType(TFieldType Type) {
  return Type == ftString || Type == ftFixedChar || Type == ftWideString || Type == ftGuid;
}

void DatabaseError(const std::string& Message, const TComponent* Component) {
  throw EDatabaseError(ComponentErrorText(Component ? Component->Name() : std::string(), Message));
}

void DatabaseErrorFmt(const char* Message, const std::string& Arg, const TComponent* Component) {
  DatabaseError(Format(Message, Arg.c_str()), Component);
}

std::function<void(bool Waiting)> DatabaseWaitHook;

namespace {
// Waits nest (a filter inside a refresh); only the outermost shows and hides
// the sign. The dataset layer runs on one thread, as the user interface does.
int waitDepth = 0;
}  // namespace

TDatabaseWait::TDatabaseWait() {
  if (waitDepth++ == 0 && DatabaseWaitHook) DatabaseWaitHook(true);
}

TDatabaseWait::~TDatabaseWait() {
  if (--waitDepth == 0 && DatabaseWaitHook) {
    try {
      DatabaseWaitHook(false);
    } catch (...) {
      // Putting the cursor back must not turn into a second error.
    }
  }
}

void ConvertError(const char* Message, const std::string& Text) {
  throw EConvertError(Format(Message, Text.c_str()));
}

void FieldRangeError(const std::string& Text, const std::string& FieldName, std::int64_t Min,
                     std::int64_t Max) {
  throw EConvertError(Format(SFieldRangeError, Text.c_str(), FieldName.c_str(), static_cast<long long>(Min),
                             static_cast<long long>(Max)));
}

}  // namespace velmorak
