// DBTypes: the vocabulary the dataset framework shares with the datasets
// built on it — the field-type enumeration (whose ordinals the database file
// stores), the dataset states, the record-buffer and bookmark types, the
// option sets, the framework's messages, and the one helper that raises a
// database error in a component's name.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/classes/Classes.h"
#include "platform/classes/DBError.h"

namespace velmorak {

// Field types. The ordinals are stored in database files: never renumber.
enum TFieldType : std::uint8_t {
  ftUnknown = 0,
  ftString = 1,
  ftSmallint = 2,
  ftInteger = 3,
  ftWord = 4,
  ftBoolean = 5,
  ftFloat = 6,
  ftCurrency = 7,
  ftBCD = 8,
  ftDate = 9,
  ftTime = 10,
  ftDateTime = 11,
  ftBytes = 12,
  ftVarBytes = 13,
  ftAutoInc = 14,
  ftBlob = 15,
  ftMemo = 16,
  ftGraphic = 17,
  ftFmtMemo = 18,
  ftParadoxOle = 19,
  ftDBaseOle = 20,
  ftTypedBinary = 21,
  ftCursor = 22,
  ftFixedChar = 23,
  ftWideString = 24,
  ftLargeint = 25,
  ftADT = 26,
  ftArray = 27,
  ftReference = 28,
  ftDataSet = 29,
  ftOraBlob = 30,
  ftOraClob = 31,
  ftVariant = 32,
  ftInterface = 33,
  ftIDispatch = 34,
  ftGuid = 35,
};

// The type's name as the class library writes it ("ftString"); "" for a
// value outside the enumeration.
const char* FieldTypeNames(TFieldType Type);
bool IsBlobFieldType(TFieldType Type);  // ftBlob..ftTypedBinary, ftOraBlob, ftOraClob
bool IsMemoFieldType(TFieldType Type);  // ftMemo, ftFmtMemo, ftOraClob
bool IsTextFieldType(TFieldType Type);  // ftString, ftFixedChar, ftWideString, ftGuid

// A small set of enumeration values, one bit each.
template <class E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> Items) {
    for (E e : Items) FBits |= Bit(e);
  }
  static constexpr TSet FromBits(std::uint32_t Bits) {
    TSet s;
    s.FBits = Bits;
    return s;
  }
  constexpr bool Contains(E e) const { return (FBits & Bit(e)) != 0; }
  constexpr TSet& Include(E e) { return FBits |= Bit(e), *this; }
  constexpr TSet& Exclude(E e) { return FBits &= ~Bit(e), *this; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr std::uint32_t Bits() const { return FBits; }
  constexpr bool operator==(const TSet& o) const { return FBits == o.FBits; }
  constexpr bool operator!=(const TSet& o) const { return FBits != o.FBits; }

 private:
  static constexpr std::uint32_t Bit(E e) { return 1u << static_cast<unsigned>(e); }
  std::uint32_t FBits = 0;
};

// What a dataset is doing. dsInactive: closed. dsBrowse: on a record (or on
// none when empty). dsEdit / dsInsert: the active buffer holds a changed or
// a new record. dsSetKey: a key buffer is being edited (search and range
// keys). dsCalcFields: the calculated fields of CalcBuffer are being
// computed. dsFilter: a record is being tested by a filter. dsNewValue,
// dsOldValue, dsCurValue: reading a field's new, old or current value.
// dsBlockRead: reading many records without notifications. dsInternalCalc:
// internally calculated fields. dsOpening: between BeforeOpen and the end
// of the open.
enum TDataSetState : std::uint8_t {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsSetKey,
  dsCalcFields,
  dsFilter,
  dsNewValue,
  dsOldValue,
  dsCurValue,
  dsBlockRead,
  dsInternalCalc,
  dsOpening,
};

// GetRecord's direction and result.
enum TGetMode : std::uint8_t { gmCurrent, gmNext, gmPrior };
enum TGetResult : std::uint8_t { grOK, grBOF, grEOF, grError };

// Where a record buffer stands: on a record, before the first, after the
// last, or a record being inserted.
enum TBookmarkFlag : std::uint8_t { bfCurrent, bfBOF, bfEOF, bfInserted };

enum TFieldKind : std::uint8_t { fkData, fkCalculated, fkLookup, fkInternalCalc };

enum TIndexOption : std::uint8_t { ixPrimary, ixUnique, ixDescending, ixCaseInsensitive, ixExpression };
using TIndexOptions = TSet<TIndexOption>;

enum TLocateOption : std::uint8_t { loCaseInsensitive, loPartialKey };
using TLocateOptions = TSet<TLocateOption>;

// Bit 0 and bit 1, as the filter options are stored and passed on.
enum TFilterOption : std::uint8_t { foCaseInsensitive = 0, foNoPartialCompare = 1 };
using TFilterOptions = TSet<TFilterOption>;

enum TBlobStreamMode : std::uint8_t { bmRead, bmWrite, bmReadWrite };

// Notifications a dataset sends to its data sources and their links.
enum TDataEvent : std::uint8_t {
  deFieldChange,      // Info: the field
  deRecordChange,     // Info: the field, or none for the whole record
  deDataSetChange,    // the records shown changed
  deDataSetScroll,    // the dataset moved
  deLayoutChange,     // fields added, removed or rebound
  deUpdateRecord,     // write pending control edits into the record
  deUpdateState,      // State (or Active) changed
  deCheckBrowseMode,  // about to leave edit state or move
  dePropertyChange,   // a property that links may show changed
  deFieldListChange,
  deFocusControl,
  deParentScroll,
};

// A record buffer: bytes laid out by the dataset that allocated it.
using TRecordBuffer = std::uint8_t*;
// A bookmark: BookmarkSize bytes naming a record; empty = no bookmark.
using TBookmark = std::vector<std::uint8_t>;

// The framework's messages.
inline constexpr const char* SDataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr const char* SDataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr const char* SNotEditing = "Dataset not in edit or insert mode";
inline constexpr const char* SDataSetEmpty = "Cannot perform this operation on an empty dataset";
inline constexpr const char* SDataSetReadOnly = "Cannot modify a read-only dataset";
inline constexpr const char* SFieldNotFound = "Field '%s' not found";
inline constexpr const char* SBookmarkNotFound = "Bookmark not found";
inline constexpr const char* SCircularDataLink = "Circular datalinks are not allowed";
inline constexpr const char* SFieldReadOnly = "Field '%s' cannot be modified";
inline constexpr const char* SDataSetMissing = "Field '%s' has no dataset";
inline constexpr const char* SFieldTypeMismatch = "Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr const char* SDuplicateFieldName = "Duplicate field name '%s'";
inline constexpr const char* SNoDataSet = "Missing DataSet property";
inline constexpr const char* SInvalidIntegerValue = "'%s' is not a valid integer value";
inline constexpr const char* SFieldRangeError = "Value %s is out of range for field '%s' (%lld to %lld)";
inline constexpr const char* SInvalidFloatValue = "'%s' is not a valid floating point value";
inline constexpr const char* SInvalidBoolValue = "'%s' is not a valid boolean value";
inline constexpr const char* SInvalidDate = "'%s' is not a valid date";
inline constexpr const char* SInvalidTime = "'%s' is not a valid time";
inline constexpr const char* SInvalidDateTime = "'%s' is not a valid date and time";
inline constexpr const char* SInvalidVarCast = "Invalid variant type conversion for field '%s'";

// Raises EDatabaseError with Message, in Component's name when it has one
// ("Config_tbl: Table 'Config' not found").
[[noreturn]] void DatabaseError(const std::string& Message, const TComponent* Component = nullptr);
// The same with a "%s" message and its one argument.
[[noreturn]] void DatabaseErrorFmt(const char* Message, const std::string& Arg,
                                   const TComponent* Component = nullptr);

// How the program shows that the database is at work (the database-wait
// mouse cursor): the forms layer sets it at start-up, the dataset layer never
// reaches the forms itself. Called with true when long work starts and false
// when it ends; none set: no sign.
extern std::function<void(bool Waiting)> DatabaseWaitHook;

// Shows the database-wait sign for its lifetime (also when the work raises).
// Nested waits show it once.
class TDatabaseWait {
 public:
  TDatabaseWait();
  ~TDatabaseWait();
  TDatabaseWait(const TDatabaseWait&) = delete;
  TDatabaseWait& operator=(const TDatabaseWait&) = delete;
};

// Raises EConvertError with a "'%s' is not a valid ..." message and the text
// that did not convert.
[[noreturn]] void ConvertError(const char* Message, const std::string& Text);
// Raises EConvertError "Value %s is out of range for field '%s' (%d to %d)".
[[noreturn]] void FieldRangeError(const std::string& Text, const std::string& FieldName, std::int64_t Min,
                                  std::int64_t Max);

}  // namespace velmorak
