// The replacement of one file (private to src/output/).
#pragma once

#include <cstddef>
#include <cstdint>

#include "output/output.h"

// ReplaceFiles for one file.
[[nodiscard]] bool ReplaceFileContents(const char *path, const uint8_t *bytes, size_t size,
                                       FileReplaceError *error = nullptr);
