#pragma once

#include "cli/CliErrors.h"
#include "cli/SheetFormats.h"
#include "species/RecordCodec.h"

#include <vector>

namespace quillmark::cli {

// The records a sheet asks for: each row names its species by "index" or "name" and
// changes the fields it has columns for, by text or by code. A row with a text and a
// code cell of one field that name different entries is refused, as is a species in
// two rows; nothing is ever chosen silently.
std::vector<species::RecordBytes> applySheet(const std::vector<SheetRow>& rows,
                                             const std::vector<species::RecordBytes>& current,
                                             rom::Game game, ErrorList& errors);

} // namespace quillmark::cli
