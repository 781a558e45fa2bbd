// Development scaffolding: placeholders for operations whose subsystems are still being
// written. Each is weak, so the real definition replaces it; calling one aborts.
#include <cstdio>
#include <cstdlib>

#include "driver/state.h"

#define PENDING(decl)                                                  \
  __attribute__((weak)) decl {                                         \
    std::fprintf(stderr, "talvo: not built yet: %s\n", __func__);      \
    std::abort();                                                      \
  }

PENDING(bool SkipBlanks(AssemblerState &))
PENDING(bool ScanToken(AssemblerState &, Token &))
PENDING(bool PeekToken(AssemblerState &, Token &))
PENDING(bool TakePeekedToken(AssemblerState &))
PENDING(bool EvaluateExpression(AssemblerState &))
PENDING(bool CreateLabelTable(AssemblerState &))
PENDING(void FreeLabelTable(AssemblerState &))
PENDING(int32_t AddName(AssemblerState &, std::string_view))
PENDING(const char *NameAt(const AssemblerState &, int32_t))
PENDING(int32_t FindLabel(AssemblerState &, std::string_view))
PENDING(int32_t AddLabel(AssemblerState &, std::string_view))
PENDING(Label *LabelAt(AssemblerState &, int32_t))
PENDING(Label *FindLabelOutward(AssemblerState &, std::string_view, uint8_t))
PENDING(int32_t DeclareLabel(AssemblerState &, std::string_view, bool))
PENDING(LabelScope *OpenScope(AssemblerState &, std::string_view))
PENDING(bool SelectScope(AssemblerState &, int32_t))
PENDING(void SelectRootScope(AssemblerState &))
PENDING(bool CreateTextStore(TextStore &))
PENDING(void FreeTextStore(TextStore &))
PENDING(uint32_t AppendText(TextStore &, std::string_view))
PENDING(const char *ReadText(const TextStore &, uint32_t, uint32_t &))
PENDING(bool AssembleSourceFile(AssemblerState &, const char *))
PENDING(FileResult RunLineLoop(AssemblerState &, SourceContext &))
PENDING(bool ReadLine(AssemblerState &, SourceContext &, char (&)[kLineCapacity]))
PENDING(void PushIfState(AssemblerState &, int32_t))
PENDING(bool DoIf(AssemblerState &))
PENDING(bool DoElif(AssemblerState &))
PENDING(bool DoElse(AssemblerState &))
PENDING(bool DoEndif(AssemblerState &))
PENDING(bool DefineMacro(AssemblerState &, std::string_view))
PENDING(bool DefineRept(AssemblerState &))
PENDING(bool InvokeMacro(AssemblerState &, uint32_t))
PENDING(bool CaptureBody(AssemblerState &, SourceContext &))
PENDING(StatementResult AssembleLine(AssemblerState &, const char *, SourceContext &))
PENDING(bool EmitByte(AssemblerState &, uint8_t))
PENDING(bool EmitOperandByte(AssemblerState &))
PENDING(bool EmitOperandWord(AssemblerState &))
PENDING(bool EmitRelative(AssemblerState &))
PENDING(bool DefineLabelHere(AssemblerState &, int32_t))
PENDING(bool NewFixup(AssemblerState &, FixupKind, int32_t, bool))
PENDING(bool ResolveFixups(AssemblerState &))
PENDING(void ClearFixups(AssemblerState &))
PENDING(bool PlaceBlocks(AssemblerState &))
PENDING(bool CopyPlacedBlocks(AssemblerState &))
PENDING(bool EmitMappedChar(AssemblerState &, uint8_t))
PENDING(bool CloseShift(AssemblerState &))
PENDING(bool EncodeInstruction(AssemblerState &, int32_t))
PENDING(void EncodeMztName(uint8_t *, const char *))
PENDING(bool WriteBinary(const char *, const Image &))
PENDING(bool WriteMzt(const char *, const uint8_t *, const Image &, bool))
PENDING(bool WriteIntelHex(const char *, const Image &))
PENDING(void DumpImage(const Image &))
PENDING(bool WriteD88(AssemblerState &, const Image &))
