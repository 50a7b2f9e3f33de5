#pragma once

#include "platform/FileServices.h"
#include "rom/RomIdentification.h"
#include "species/RecordCodec.h"
#include "species/RomDocument.h"
#include "species/SpeciesMessages.h"
#include "species/SpeciesOfRow.h"
#include "species/SpeciesTableLocator.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillmark::cli {

enum class Access { Read, Write };

// A ROM as one command sees it: identified, its table found through its own file
// system, and the whole table read, all through one open of the file. A writer holds
// the lock of every writer of this program until the command ends.
struct CliRom {
    std::string path;
    // Every read and write of the command, through the one open it holds.
    std::optional<species::RomDocument> document;
    // By list index: species, then forms; as the document read them at the open.
    const std::vector<species::RecordBytes>& records() const { return *document->part<species::SpeciesRecordsPart>().value(); }
    rom::Game game() const { return document->game(); }
    // What this ROM calls each species.
    const species::Vocabulary& words() const { return document->vocabulary(); }
};

// Refuses (exit 2) with the reason the window would give.
CliRom openCliRom(const std::string& path, Access access);
// Exit 2 with the words for why `path` did not open as a ROM document, the path named
// first where `namePath` (a command that reads two ROMs).
[[noreturn]] void failToOpen(const std::string& path, const species::OpenRefusal& refusal,
                             species::SpeciesOperation operation, bool namePath = false);

// "Unsupported ROM", with the game code found and, for another Gen 4 game, its name.
std::string unsupportedRomMessage(std::string_view gameCode);

// The list index of "444", "dex:445", "Garchomp", "garchomp", "Rotom (Heat)" or "heat
// rotom" among the first `count` records, by the names of `words`; exit 1 otherwise,
// with the nearest names.
int speciesIndex(const species::Vocabulary& words, std::string_view text, int count);
using species::findSpecies;
using species::nearestSpecies;
using species::speciesByDex;

// ASCII letters in lower case, for names and formats given in any case.
std::string lowered(std::string_view text);

} // namespace quillmark::cli
