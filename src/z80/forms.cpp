// What --errors=gnu says when the operands of an instruction fit none of its forms: the
// operand at fault and the forms the instruction has, or the instruction written out when no
// instruction has these operands together.
#include <cctype>
#include <cstring>
#include <string>
#include <string_view>

#include "lexer/lexer.h"
#include "z80/operands.h"

namespace {

// The forms of each mnemonic, in token-kind order (1..69), in the Z80's own notation: r an
// 8-bit register, rr a register pair, n a byte, nn a word, e a jump target, d a displacement,
// b a bit number, cc a condition. nullptr: the operands are written out instead (LD, whose
// forms are too many to list); "": the instruction takes no operand.
struct FormRow {
  int32_t kind;
  const char *name;
  const char *forms;
};

constexpr char kAluForms[] = "r | n | (HL) | (IX+d) | (IY+d)";
constexpr char kCarryForms[] = "A,r | A,n | A,(HL) | A,(IX+d) | A,(IY+d) | HL,rr";
constexpr char kIncForms[] = "r | (HL) | (IX+d) | (IY+d) | BC | DE | HL | SP | IX | IY";
constexpr char kStackForms[] = "BC | DE | HL | AF | IX | IY";
constexpr char kShiftForms[] = "r | (HL) | (IX+d) | (IY+d)";
constexpr char kBitForms[] = "b,r | b,(HL) | b,(IX+d) | b,(IY+d) (b: 0..7)";

// clang-format off
constexpr FormRow kForms[] = {
    {kAdd, "ADD", "A,r | A,n | A,(HL) | A,(IX+d) | A,(IY+d) | HL,rr | IX,rr | IY,rr"},
    {kAdc, "ADC", kCarryForms},  {kSub, "SUB", kAluForms},   {kSbc, "SBC", kCarryForms},
    {kAnd, "AND", kAluForms},    {kXor, "XOR", kAluForms},   {kOr, "OR", kAluForms},
    {kCp, "CP", kAluForms},      {kLd, "LD", nullptr},       {kHalt, "HALT", ""},
    {kNop, "NOP", ""},
    {kEx, "EX", "AF,AF' | DE,HL | (SP),HL | (SP),IX | (SP),IY"},
    {kDjnz, "DJNZ", "e"},        {kJr, "JR", "e | NZ,e | Z,e | NC,e | C,e"},
    {kInc, "INC", kIncForms},    {kDec, "DEC", kIncForms},   {kRrca, "RRCA", ""},
    {kRlca, "RLCA", ""},         {kRra, "RRA", ""},          {kRla, "RLA", ""},
    {kDaa, "DAA", ""},           {kCpl, "CPL", ""},          {kScf, "SCF", ""},
    {kCcf, "CCF", ""},
    {kRet, "RET", "(none) | cc (cc: NZ Z NC C PO PE P M)"},
    {kPop, "POP", kStackForms},  {kExx, "EXX", ""},
    {kJp, "JP", "nn | cc,nn | (HL) | (IX) | (IY) (cc: NZ Z NC C PO PE P M)"},
    {kOut, "OUT", "(n),A | (C),r | (C),0"},
    {kIn, "IN", "A,(n) | r,(C) | F,(C)"},
    {kDi, "DI", ""},             {kEi, "EI", ""},
    {kCall, "CALL", "nn | cc,nn (cc: NZ Z NC C PO PE P M)"},
    {kPush, "PUSH", kStackForms},
    {kRst, "RST", "00H | 08H | 10H | 18H | 20H | 28H | 30H | 38H"},
    {kNeg, "NEG", ""},           {kRetn, "RETN", ""},        {kReti, "RETI", ""},
    {kIm, "IM", "0 | 1 | 2"},    {kRrd, "RRD", ""},          {kRld, "RLD", ""},
    {kLdi, "LDI", ""},           {kLdd, "LDD", ""},          {kLdir, "LDIR", ""},
    {kLddr, "LDDR", ""},         {kCpi, "CPI", ""},          {kCpd, "CPD", ""},
    {kCpir, "CPIR", ""},         {kCpdr, "CPDR", ""},        {kIni, "INI", ""},
    {kInd, "IND", ""},           {kInir, "INIR", ""},        {kIndr, "INDR", ""},
    {kOuti, "OUTI", ""},         {kOutd, "OUTD", ""},        {kOtir, "OTIR", ""},
    {kOtdr, "OTDR", ""},         {kRlc, "RLC", kShiftForms}, {kRrc, "RRC", kShiftForms},
    {kRl, "RL", kShiftForms},    {kRr, "RR", kShiftForms},   {kSla, "SLA", kShiftForms},
    {kSra, "SRA", kShiftForms},  {kSll, "SLL", kShiftForms}, {kSrl, "SRL", kShiftForms},
    {kBit, "BIT", kBitForms},    {kRes, "RES", kBitForms},   {kSet, "SET", kBitForms},
    {kTsti, "TSTI", "(C)"},
};
// clang-format on

static_assert(z80::RowsFollowMnemonics(kForms), "form rows must cover kinds 1..69 in order");

bool IsBlankByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The operand field as written: from the end of the mnemonic to the comment or the line end
// (outside quotes), its blanks closed up.
std::string OperandField(const char *operands) {
  std::string field;
  char quote = 0;
  for (const char *p = operands; *p != '\0'; ++p) {
    if (quote == 0 && *p == ';') {
      break;
    }
    if (quote == 0 && (*p == '\'' || *p == '"')) {
      quote = *p;
    } else if (*p == quote) {
      quote = 0;
    }
    if (quote != 0 || !IsBlankByte(*p)) {
      field += *p;
    }
  }
  return field;
}

// The operand at column of the line: up to the next comma, closing parenthesis or blank.
std::string OperandAt(const char *line, int32_t column) {
  if (line == nullptr || column <= 0 || static_cast<size_t>(column) > std::strlen(line)) {
    return {};
  }
  std::string operand;
  for (const char *p = line + column - 1; *p != '\0' && *p != ',' && *p != ';' && !IsBlankByte(*p);
       ++p) {
    operand += *p;
  }
  return operand;
}

// ADD, ADC and SBC of one 8-bit operand: the accumulator is to be named.
bool LacksAccumulator(int32_t mnemonic, std::string_view field) {
  if (mnemonic != kAdd && mnemonic != kAdc && mnemonic != kSbc) {
    return false;
  }
  if (field.empty() || field.find(',') != std::string_view::npos) {
    return false;
  }
  for (std::string_view pair : {"HL", "IX", "IY", "hl", "ix", "iy"}) {
    if (field == pair) {
      return false;
    }
  }
  return true;
}

}  // namespace

namespace z80 {

void ExplainOperands(AssemblerState &st, int32_t mnemonic, const char *operands) {
  const Msg problem = st.diag.error_message;
  const bool about_operands = problem == Msg::InvalidOperand || problem == Msg::SyntaxError ||
                              problem == Msg::ExpressionSyntax || problem == Msg::MissingComma;
  if (!GnuErrorStyle() || !about_operands || mnemonic < kAdd || mnemonic > kTsti) {
    return;
  }
  const FormRow &row = kForms[mnemonic - 1];
  // What the operation found stays, but for a register that a form does not take there: the
  // instruction's forms say more.
  const std::string at_fault = OperandAt(LineBeingScanned(st), st.diag.error_column);
  const bool register_word =
      !at_fault.empty() && std::isalpha(static_cast<unsigned char>(at_fault[0])) != 0;
  if (st.diag.detail[0] != '\0' && !(st.diag.detail_generic && register_word)) {
    return;
  }
  const std::string field = OperandField(operands);
  if (row.forms == nullptr) {
    const std::string written = std::string(row.name) + " " + field;
    AddErrorDetail(st, Msg::DetailNoSuchInstruction, written.c_str());
  } else if (*row.forms == '\0') {
    AddErrorDetail(st, Msg::DetailNoOperand, row.name);
  } else if (LacksAccumulator(mnemonic, field)) {
    const std::string written = std::string(row.name) + " A," + field;
    AddErrorDetail(st, Msg::DetailWriteInstead, written.c_str());
  } else {
    const std::string &operand = at_fault.empty() ? field : at_fault;
    AddErrorDetail(st, Msg::DetailForms, operand.c_str(), row.name, row.forms);
  }
}

}  // namespace z80
