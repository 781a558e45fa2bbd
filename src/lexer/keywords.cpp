// Keyword tables: short words packed into one integer per length, longer words by name.
#include <array>
#include <cstring>
#include <string_view>

#include "lexer/lexer.h"

namespace {

// A short keyword: its upper-case characters packed into one integer, first character in the
// most significant used byte ("LD" is 0x4C44).
struct PackedKeyword {
  uint32_t packed;
  int32_t kind;  // 0 ends a table
};

constexpr uint32_t Pack(std::string_view text) {
  uint32_t packed = 0;
  for (char c : text) {
    packed = packed << 8 | static_cast<uint8_t>(c);
  }
  return packed;
}

// clang-format off
constexpr PackedKeyword kLength1[] = {
    {Pack("A"), kRegA},   {Pack("B"), kRegB},    {Pack("C"), kRegC},    {Pack("D"), kRegD},
    {Pack("E"), kRegE},   {Pack("H"), kRegH},    {Pack("L"), kRegL},    {Pack("Z"), kCondZ},
    {Pack("R"), kRegR},   {Pack("I"), kRegI},    {Pack("M"), kCondM},   {Pack("P"), kCondP},
    {Pack("V"), kCondPE}, {0, 0},
};

constexpr PackedKeyword kLength2[] = {
    {Pack("AF"), kRegAF},  {Pack("BC"), kRegBC},   {Pack("DE"), kRegDE},   {Pack("HL"), kRegHL},
    {Pack("SP"), kRegSP},  {Pack("IX"), kRegIX},   {Pack("IY"), kRegIY},   {Pack("LD"), kLd},
    {Pack("JR"), kJr},     {Pack("CP"), kCp},      {Pack("OR"), kOr},      {Pack("JP"), kJp},
    {Pack("EX"), kEx},     {Pack("IN"), kIn},      {Pack("RL"), kRl},      {Pack("RR"), kRr},
    {Pack("DI"), kDi},     {Pack("EI"), kEi},      {Pack("IM"), kIm},      {Pack("NC"), kCondNC},
    {Pack("NZ"), kCondNZ}, {Pack("PO"), kCondPO},  {Pack("PE"), kCondPE},  {Pack("NV"), kCondPO},
    {Pack("DB"), kDb},     {Pack("DW"), kDw},      {Pack("DS"), kDs},      {Pack("IF"), kIf},
    {0, 0},
};

constexpr PackedKeyword kLength3[] = {
    {Pack("IXH"), kRegIXH}, {Pack("IXL"), kRegIXL}, {Pack("IYH"), kRegIYH}, {Pack("IYL"), kRegIYL},
    {Pack("INC"), kInc},    {Pack("DEC"), kDec},    {Pack("ADD"), kAdd},    {Pack("ADC"), kAdc},
    {Pack("SUB"), kSub},    {Pack("SBC"), kSbc},    {Pack("AND"), kAnd},    {Pack("XOR"), kXor},
    {Pack("RET"), kRet},    {Pack("POP"), kPop},    {Pack("NOP"), kNop},    {Pack("RLA"), kRla},
    {Pack("RRA"), kRra},    {Pack("CPL"), kCpl},    {Pack("EXX"), kExx},    {Pack("OUT"), kOut},
    {Pack("NEG"), kNeg},    {Pack("LDI"), kLdi},    {Pack("LDD"), kLdd},    {Pack("SCF"), kScf},
    {Pack("CCF"), kCcf},    {Pack("RLC"), kRlc},    {Pack("RRC"), kRrc},    {Pack("SLA"), kSla},
    {Pack("SRA"), kSra},    {Pack("SLL"), kSll},    {Pack("SRL"), kSrl},    {Pack("BIT"), kBit},
    {Pack("RES"), kRes},    {Pack("SET"), kSet},    {Pack("RST"), kRst},    {Pack("CPI"), kCpi},
    {Pack("CPD"), kCpd},    {Pack("INI"), kIni},    {Pack("IND"), kInd},    {Pack("DAA"), kDaa},
    {Pack("RRD"), kRrd},    {Pack("RLD"), kRld},    {Pack("EQU"), kEqu},    {Pack("ORG"), kOrg},
    {Pack("END"), kEnd},    {0, 0},
};

constexpr PackedKeyword kLength4[] = {
    {Pack("DJNZ"), kDjnz}, {Pack("RLCA"), kRlca}, {Pack("RRCA"), kRrca}, {Pack("HALT"), kHalt},
    {Pack("CALL"), kCall}, {Pack("PUSH"), kPush}, {Pack("RETN"), kRetn}, {Pack("RETI"), kReti},
    {Pack("LDIR"), kLdir}, {Pack("LDDR"), kLddr}, {Pack("CPIR"), kCpir}, {Pack("CPDR"), kCpdr},
    {Pack("INIR"), kInir}, {Pack("INDR"), kIndr}, {Pack("OUTI"), kOuti}, {Pack("OUTD"), kOutd},
    {Pack("OTIR"), kOtir}, {Pack("OTDR"), kOtdr}, {Pack("TSTI"), kTsti}, {Pack("ENDM"), kEndm},
    {Pack("ELSE"), kElse}, {Pack("REPT"), kRept}, {Pack("DEFB"), kDb},   {Pack("DEFW"), kDw},
    {Pack("DEFS"), kDs},   {Pack("PROC"), kProc}, {Pack("ENDP"), kEndp}, {Pack("ELIF"), kElif},
    {0, 0},
};

// clang-format on
constexpr const PackedKeyword *kPackedTables[] = {kLength1, kLength2, kLength3, kLength4};

// An open-addressing index over the four packed tables, built at compile time, so a short
// word is found with one or two probes instead of a walk through its table. Packed values of
// different lengths never coincide, since every keyword starts with a letter.
constexpr size_t kIndexSize = 512;

constexpr size_t SlotOf(uint32_t packed) { return (packed * 2654435761u) >> 23; }

constexpr std::array<PackedKeyword, kIndexSize> BuildPackedIndex() {
  std::array<PackedKeyword, kIndexSize> index{};
  for (const PackedKeyword *table : kPackedTables) {
    for (const PackedKeyword *entry = table; entry->kind != 0; ++entry) {
      size_t slot = SlotOf(entry->packed);
      while (index[slot].kind != 0) {
        slot = (slot + 1) % kIndexSize;
      }
      index[slot] = *entry;
    }
  }
  return index;
}

constexpr std::array<PackedKeyword, kIndexSize> kPackedIndex = BuildPackedIndex();

// A longer keyword, compared by name.
struct NamedKeyword {
  std::string_view text;
  int32_t kind;
};

// clang-format off
constexpr NamedKeyword kLength5To6[] = {
    {"MACRO", kMacro},   {"ALIGN", kAlign},   {"ENDIF", kEndif},   {"DISPC", kDispc},
    {"ERROR", kError},   {"ELSIF", kElif},    {"OFFSET", kOffset}, {"ELSEIF", kElif},
    {"CHRMAP", kChrmap}, {"MAPCHR", kMapchr},
};

constexpr NamedKeyword kLength7Plus[] = {
    {"INCLUDE", kInclude}, {"DEFINED", kDefined}, {"BINCLUDE", kBinclude},
    {"ARRANGE", kArrange}, {"IN_PAGE", kInPage},  {"PAGE_ALIGNED", kPageAligned},
};
// clang-format on

// Case-insensitive comparison of a word against an upper-case keyword.
bool SameWord(const char *word, int32_t length, std::string_view keyword) {
  if (keyword.size() != static_cast<size_t>(length)) {
    return false;
  }
  for (int32_t i = 0; i < length; ++i) {
    if (Upper(word[i]) != keyword[static_cast<size_t>(i)]) {
      return false;
    }
  }
  return true;
}

template <size_t N>
int32_t FindNamed(const NamedKeyword (&table)[N], const char *word, int32_t length) {
  for (const NamedKeyword &entry : table) {
    if (SameWord(word, length, entry.text)) {
      return entry.kind;
    }
  }
  return 0;
}

int32_t FindPacked(const char *word, int32_t length) {
  uint32_t packed = 0;
  for (int32_t i = 0; i < length; ++i) {
    packed = packed << 8 | static_cast<uint8_t>(Upper(word[i]));
  }
  for (size_t slot = SlotOf(packed); kPackedIndex[slot].kind != 0; slot = (slot + 1) % kIndexSize) {
    if (kPackedIndex[slot].packed == packed) {
      return kPackedIndex[slot].kind;
    }
  }
  return 0;
}

}  // namespace

bool MatchKeyword(Token &token) {
  if (token.kind != kIdentifier || token.length <= 0) {
    return false;
  }
  int32_t kind = 0;
  if (token.length <= 4) {
    kind = FindPacked(token.text, token.length);
  } else if (token.length <= 6) {
    kind = FindNamed(kLength5To6, token.text, token.length);
  } else {
    kind = FindNamed(kLength7Plus, token.text, token.length);
  }
  if (kind == 0) {
    return false;
  }
  token.kind = kind;
  return true;
}
