// Keyword tables: words of up to eight characters packed into one integer, longer ones by name.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "lexer/keywords.h"
#include "lexer/lexer.h"

namespace {

// A keyword of up to eight characters, packed by PackKeyChar.
struct PackedKeyword {
  uint64_t packed;
  int32_t kind;  // 0 ends a table
};

constexpr uint64_t Pack(std::string_view text) {
  uint64_t packed = 0;
  for (char c : text) {
    packed = PackKeyChar(packed, c);
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

constexpr PackedKeyword kLength5To8[] = {
    {Pack("MACRO"), kMacro},       {Pack("ALIGN"), kAlign},       {Pack("ENDIF"), kEndif},
    {Pack("DISPC"), kDispc},       {Pack("ERROR"), kError},       {Pack("ELSIF"), kElif},
    {Pack("OFFSET"), kOffset},     {Pack("ELSEIF"), kElif},       {Pack("CHRMAP"), kChrmap},
    {Pack("MAPCHR"), kMapchr},     {Pack("INCLUDE"), kInclude},   {Pack("DEFINED"), kDefined},
    {Pack("ARRANGE"), kArrange},   {Pack("IN_PAGE"), kInPage},    {Pack("BINCLUDE"), kBinclude},
    {0, 0},
};

// clang-format on
constexpr const PackedKeyword *kPackedTables[] = {kLength1, kLength2, kLength3, kLength4,
                                                  kLength5To8};

// An open-addressing index over the packed tables, built at compile time, so a word is found
// with one or two probes instead of a walk through its table. Packed values of different
// lengths never coincide, since every keyword starts with a letter.
constexpr size_t kIndexSize = 512;

constexpr size_t SlotOf(uint64_t packed) { return (packed * 0x9E3779B97F4A7C15u) >> 55; }

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

// The keywords longer than a packed key holds, compared by name.
constexpr std::string_view kLongKeyword = "PAGE_ALIGNED";

int32_t FindPacked(uint64_t packed) {
  for (size_t slot = SlotOf(packed); kPackedIndex[slot].kind != 0; slot = (slot + 1) % kIndexSize) {
    if (kPackedIndex[slot].packed == packed) {
      return kPackedIndex[slot].kind;
    }
  }
  return kIdentifier;
}

}  // namespace

int32_t FindKeyword(std::string_view word, uint64_t packed) {
  if (word.size() <= kMaxPackedLength) {
    return word.empty() ? kIdentifier : FindPacked(packed);
  }
  return SameIgnoringCase(word, kLongKeyword) ? kPageAligned : kIdentifier;
}

namespace {

std::string Unpack(uint64_t packed) {
  std::string text;
  for (; packed != 0; packed >>= 8) {
    text.insert(text.begin(), static_cast<char>(packed & 0xFF));
  }
  return text;
}

// The edits that turn a into b: characters put in, left out, replaced or two neighbours
// swapped (the optimal string alignment distance), both words of at most a few characters.
size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) {
    d[i][0] = i;
  }
  for (size_t j = 0; j <= b.size(); ++j) {
    d[0][j] = j;
  }
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

}  // namespace

std::string NearestStatementWord(std::string_view word) {
  constexpr size_t kLongestWord = 16;  // longer words are no misspelt keyword
  if (word.empty() || word.size() > kLongestWord) {
    return {};
  }
  std::string upper;
  for (char c : word) {
    upper += Upper(c);
  }
  // One edit for a short word, two for a longer one; the first keyword of the tables wins a
  // tie, so that the common instructions come before the rare ones.
  size_t best = upper.size() <= 4 ? 1 : 2;
  std::string nearest;
  for (const PackedKeyword *table : kPackedTables) {
    for (const PackedKeyword *entry = table; entry->kind != 0; ++entry) {
      if (!IsMnemonic(entry->kind) && !IsDirective(entry->kind)) {
        continue;
      }
      const std::string keyword = Unpack(entry->packed);
      const size_t distance = EditDistance(upper, keyword);
      if (distance <= best && (nearest.empty() || distance < best)) {
        best = distance;
        nearest = keyword;
      }
    }
  }
  return nearest;
}
