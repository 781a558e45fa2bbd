// Helpers shared by the unit tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "assembler/assembler.h"
#include "base/state.h"
#include "lexer/lexer.h"
#include "source/source.h"
#include "symbols/symbols.h"

// Frees the label table, text store and fixups of a test's state.
struct StateDeleter {
  void operator()(AssemblerState *st) const;
};
using StatePtr = std::unique_ptr<AssemblerState, StateDeleter>;

// A fresh state with its label table and text store created, ready for a pass.
StatePtr MakeState();

// Points the scanner at a line (the text must outlive the scan) in a fresh context.
void StartLine(AssemblerState &st, const char *line);

// A test that runs in an empty scratch folder of its own, the current folder while it runs;
// the folder and everything in it is removed afterwards.
class ScratchFolderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::filesystem::path dir_, home_;
};

// A scratch-folder test that runs the whole program in-process.
class WholeRunTest : public ScratchFolderTest {
 protected:
  // Runs talvo with the arguments; returns the exit status, the console text in *out.
  int Run(std::vector<std::string> args, std::string *out = nullptr);
};

// The text of the error slot, "" when it is empty; the slot is emptied, as the statement loop
// empties it when it reports the error.
std::string TakeError(AssemblerState &st);

// A catalogue message with its arguments, in the selected language.
std::string Text(Msg id, ...);
// The classic lines the program prints: "Error FILE LINE: TEXT" and "Warning FILE LINE: TEXT".
std::string ErrorLine(const char *file, int line, const std::string &text);
std::string WarningLine(const char *file, int line, const std::string &text);

// The whole contents of a file ("" when it cannot be read).
std::string ReadFile(const std::string &path);
