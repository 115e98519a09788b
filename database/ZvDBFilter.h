// ZvDBFilter: the engine's filter language. A table cursor owns one
// TFilterParser; it hands it the Filter text to Parse, then asks Evaluate,
// record by record, whether the record in the cursor's current record buffer
// (GetActiveRecBuf: the filter buffer in the filter state) passes.
//
// The parser turns the text into a tree of typed nodes, checking operand
// types as each node is built; the evaluator computes every node's value into
// a buffer the node owns (field nodes read their field's slot in the record
// buffer in place). The lexer lives in ZvDBFilterLexer.cpp, the grammar, the
// type rules and the date readers in ZvDBFilterParser.cpp, the evaluation in
// ZvDBFilterEval.cpp.
//
// Nodes are owned by the TExprNodes list, linked newest first through Next;
// freeing walks that list, never the tree, so a deep tree frees in constant
// stack. Nesting is bounded at parse (kMaxNesting, kMaxDepth): deeper text
// is refused with "Filter expression too complex" so that parsing and the
// recursive evaluation stay within a small thread stack.
//
// Errors: every lexical, syntax and type error is an EDatabaseError with the
// exact message; a number or date text that does not convert raises the
// class library's EConvertError; "/" by zero, and a real that is NaN,
// infinite or too large for what it must become, raise EMathError
// (EZeroDivide, EInvalidOp, EOverflow).
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes/Classes.h"
#include "platform/classes/DateTime.h"
#include "platform/classes/Variants.h"
#include "platform/dataset/DBTypes.h"

namespace velmorak {

class TZvEDataSet;
class TField;
class TExprNodes;
class TExprParserBase;

// The lexer's token kinds.
enum TExprToken : std::uint8_t {
  etEnd,     // end of the text
  etSymbol,  // a bare name: a field, a function, AND OR NOT TRUE FALSE
  etName,    // a [bracketed] field name
  etNumber,
  etString,
  etLParen,
  etRParen,
  etComma,
  etAdd,
  etSub,
  etMul,
  etDiv,
  etEQ,
  etNE,
  etLT,
  etLE,
  etGT,
  etGE,
  etLIKE,
  etIN,
};

enum TExprNodeKind : std::uint8_t { nkField, nkConst, nkFunc, nkOperator };

// The operators of operator nodes.
enum TExprOperator : std::uint8_t {
  opNone,
  opEQ,
  opNE,
  opGT,
  opLT,
  opGE,
  opLE,
  opNOT,
  opAND,
  opOR,
  opADD,
  opSUB,
  opMUL,
  opDIV,
  opLIKE,
  opIN,
};

// Function numbers of function nodes (0: none).
enum TExprFunction : std::uint8_t {
  fnNone = 0,
  fnUpper = 1,
  fnLower = 2,
  fnSubstring = 3,
  fnTrim = 4,
  fnTrimLeft = 5,
  fnTrimRight = 6,
  fnYear = 7,
  fnMonth = 8,
  fnDay = 9,
  fnHour = 10,
  fnMinute = 11,
  fnSecond = 12,
  fnGetDate = 13,
};

// The parser's own message beyond the language's: a text nesting deeper
// than the limits below.
inline constexpr const char* SExprTooComplex = "Filter expression too complex";
// Parentheses, function arguments and IN items nest at most this deep.
inline constexpr int kMaxNesting = 128;
// No node lies deeper than this below the root: a left-deep chain of n
// operators is n + 1 deep, so 1,000 ORs of comparisons fit with room, and
// the recursive evaluation of the deepest tree stays well inside 1 MB.
inline constexpr int kMaxDepth = 1536;

class TExprNode {
 public:
  explicit TExprNode(TExprNodes* AOwner);

  TExprNodes* Owner;
  TExprNode* Next = nullptr;  // the node created before this one
  TExprNodeKind Kind = nkConst;
  TExprOperator Operator = opNone;
  int FunctionId = fnNone;
  std::string Name;
  // The value: in Own for constants and computed nodes, in the record
  // buffer (non-blob fields) or in BlobText (blob fields) for field nodes.
  const std::uint8_t* Data = nullptr;
  int DataSize = 0;
  TExprNode* Left = nullptr;
  TExprNode* Right = nullptr;
  TFieldType DataType = ftUnknown;
  std::vector<TExprNode*> Args;
  bool IsBlob = false;
  int FieldIndex = -1;
  std::string BlobText;
  int PartialLength = -1;

  // Field nodes: the field, its slot's offset and size in a record buffer
  // (resolved after each parse; -1 until then).
  TField* Field = nullptr;
  int SlotOffset = -1;
  int SlotSize = 0;
  // Height of the subtree below this node, 1 for a leaf.
  int Depth = 1;

  // Resizes Own to Size zero bytes (when the size changes) and points Data
  // at it.
  std::uint8_t* Alloc(int Size);
  // Stores a value of the node's own buffer.
  void SetText(std::string_view Text);
  template <class T>
  void SetValue(const T& Value) {
    std::uint8_t* p = Alloc(static_cast<int>(sizeof(T)));
    std::memcpy(p, &Value, sizeof(T));
  }

 private:
  std::vector<std::uint8_t> Own;
};

class TExprNodes {
 public:
  explicit TExprNodes(TExprParserBase* AParser) : Parser(AParser) {}
  ~TExprNodes() { Clear(); }
  TExprNodes(const TExprNodes&) = delete;
  TExprNodes& operator=(const TExprNodes&) = delete;

  // A new node, linked in front of Head.
  TExprNode* NewNode(TExprNodeKind Kind);
  // Frees every node, walking the Next chain.
  void Clear();

  TExprParserBase* Parser;
  TExprNode* Head = nullptr;
  TExprNode* Root = nullptr;
};

// The lexer.
class TSyntaxParserBase : public TObject {
 public:
  TSyntaxParserBase() = default;
  const char* ClassName() const override { return "TSyntaxParserBase"; }

  std::string ExprText;
  int Position = 0;
  int TokenStart = 0;
  TExprToken Token = etEnd;
  TExprToken PrevToken = etEnd;
  std::string TokenValue;

  // Position := the position of the next token (blanks and one comment
  // skipped).
  virtual void SkipBlanks();
  // Reads one token starting at Start; answers the position after it.
  virtual int Tokenize(int Start) = 0;

  // PrevToken := Token, TokenValue cleared, blanks skipped, TokenStart
  // recorded, one token read.
  void NextToken();
  // The current token for messages: its source text in single quotes, or
  // "nothing" at the end of the text.
  std::string TokenText() const;

 protected:
  // The character at I, 0 past the end.
  unsigned char At(int I) const {
    return I >= 0 && I < static_cast<int>(ExprText.size())
               ? static_cast<unsigned char>(ExprText[static_cast<std::size_t>(I)])
               : 0;
  }
};

class TExprParserBase : public TSyntaxParserBase {
 public:
  TExprParserBase();
  ~TExprParserBase() override;
  const char* ClassName() const override { return "TExprParserBase"; }

  TExprNodes& Nodes() { return *FNodes; }
  const TExprNodes& Nodes() const { return *FNodes; }
  TFilterOptions EvalOptions;

  virtual TExprNode* ParseExpr() = 0;
  virtual TFieldType FieldType(const std::string& Name) = 0;
  virtual Variant FieldValue(const std::string& Name) = 0;
  virtual TFieldType FunctionType(const std::string& Name) = 0;
  virtual bool IsFunctionName(const std::string& Name) {
    (void)Name;
    return false;
  }
  // "Filter expression incorrectly terminated" unless at the end.
  virtual void CheckEnd();
  // Clears the nodes, scans a copy of Text (up to its first NUL), Root :=
  // ParseExpr, CheckEnd. A failed parse leaves the list partly built.
  virtual void Parse(const std::string& Text);
  // Computes Root under Options: true when the first byte of its value is
  // non-zero. REQUIRES: a successful Parse.
  virtual Variant Evaluate(TFilterOptions Options);

 protected:
  // Computes Node's value (and, first, its operands').
  void Calculate(TExprNode* Node);
  // Hook for field nodes: fills Node's Data for the record under test.
  virtual void LoadField(TExprNode* Node) = 0;

 private:
  std::unique_ptr<TExprNodes> FNodes;
};

// The parser of a cursor's filters.
class TFilterParser : public TExprParserBase {
 public:
  // ADataSet must outlive the parser (the cursor owns it).
  explicit TFilterParser(TZvEDataSet* ADataSet);
  const char* ClassName() const override { return "TFilterParser"; }

  TZvEDataSet* DataSet;

  int Tokenize(int Start) override;
  TExprNode* ParseExpr() override;
  TFieldType FieldType(const std::string& Name) override;
  Variant FieldValue(const std::string& Name) override;
  TFieldType FunctionType(const std::string& Name) override;
  bool IsFunctionName(const std::string& Name) override;
  void Parse(const std::string& Text) override;
  // Evaluate for the record in the cursor's current record buffer; false
  // when the cursor's state has none.
  Variant Evaluate(TFilterOptions Options) override;

  // Shorthand of Evaluate for the cursor's record test.
  bool Passes(TFilterOptions Options) { return Evaluate(Options).AsBoolean(); }

  // The clock GETDATE and the two-digit-year window read; Now() unless a
  // test sets another.
  static std::function<TDateTime()>& Clock();

 protected:
  void LoadField(TExprNode* Node) override;

 private:
  TExprNode* ParseAndTerm();
  TExprNode* ParseNotTerm();
  TExprNode* ParseComparison();
  TExprNode* ParseSum();
  TExprNode* ParseProduct();
  TExprNode* ParseFactor();
  TExprNode* ParseFunction(int FunctionId, const std::string& Name);
  // A list of full expressions after "(" up to ")", into Args.
  void ParseList(std::vector<TExprNode*>& Args, bool IsIn);
  TExprNode* NewOperator(TExprOperator Op, TExprNode* Left, TExprNode* Right);
  void ResolveFields();

  TFieldType BinaryType(TExprOperator Op, TExprNode* L, TExprNode* R);
  void CheckInItem(TExprNode* L, TExprNode* Item);

  int FNesting = 0;
  TDateTime FParseTime = 0;
};

// --- pieces shared by the parser's files and its tests --------------------------

// Raises EDatabaseError with Message (the parser's errors carry no component
// name: the cursor adds its own context when it re-raises).
[[noreturn]] void FilterError(const std::string& Message);
// The same for a message with one '%s'.
[[noreturn]] void FilterErrorFmt(const char* Message, const std::string& Arg);

// The engine's own date and time readers, in the stored forms: a day number
// (1 = 0001-01-01), milliseconds since midnight, and day * 86400000 + ms.
// Whole: the text must be read to its end (trailing blanks allowed).
// CurrentYear and Settings give the two-digit-year window and the AM/PM
// texts.
bool ZvReadDate(std::string_view Text, int CurrentYear, const TFormatSettings& Settings, std::int32_t& Day);
bool ZvReadTime(std::string_view Text, const TFormatSettings& Settings, std::int32_t& MSecs);
bool ZvReadDateTime(std::string_view Text, int CurrentYear, const TFormatSettings& Settings, double& MSecs);

// LIKE: Text against Pattern ("%" any run, "_" any one character) on UTF-16
// code units, ASCII case folded when CaseInsensitive. Time proportional to
// length(Text) x length(Pattern), no recursion.
bool ZvLikeMatch(const std::u16string& Text, const std::u16string& Pattern, bool CaseInsensitive);

// The type classes of the language.
namespace zvfilter {
// Text for the type checks: the text types, every blob type a table can
// hold (read as text), ftWideString and ftGuid.
inline bool IsText(TFieldType t) {
  return t == ftString || t == ftFixedChar || t == ftWideString || t == ftGuid || IsBlobFieldType(t);
}
// Smallint, Word, Integer, AutoInc.
inline bool IsInteger(TFieldType t) {
  return t == ftSmallint || t == ftWord || t == ftInteger || t == ftAutoInc;
}
inline bool IsExact(TFieldType t) {
  return IsInteger(t) || t == ftLargeint;
}
inline bool IsNumeric(TFieldType t) {
  return IsExact(t) || t == ftFloat || t == ftCurrency;
}
inline bool IsDateClass(TFieldType t) {
  return t == ftDate || t == ftTime || t == ftDateTime;
}
inline int Rank(TFieldType t) {
  switch (t) {
    case ftSmallint:
      return 1;
    case ftWord:
      return 2;
    case ftInteger:
    case ftAutoInc:
      return 3;
    case ftLargeint:
      return 4;
    case ftFloat:
      return 5;
    case ftCurrency:
      return 6;
    default:
      return 0;
  }
}
}  // namespace zvfilter

}  // namespace velmorak
