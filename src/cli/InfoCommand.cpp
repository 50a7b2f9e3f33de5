#include "cli/CliErrors.h"
#include "cli/Commands.h"
#include "species/MoveArchives.h"
#include "species/RomDocument.h"
#include "platform/Quantity.h"
#include "species/SpeciesMessages.h"

#include <algorithm>
#include <iostream>

namespace quillmark::cli {

namespace {

std::int64_t fileSizeOf(const std::string& path)
{
    const auto status = platform::fileServices().status(path);
    return status ? status->size : 0;
}

} // namespace

int runInfo(const std::string& romPath)
{
    auto opened = species::RomDocument::open(romPath, species::DocumentAccess::HeldForReading);
    // A file whose table is not found is still described, up to the table.
    if (!opened && opened.error().kind != species::OpenRefusal::NoTable)
        failToOpen(romPath, opened.error(), species::SpeciesOperation::Load);
    const auto code = opened ? opened->fingerprint().gameCode : opened.error().gameCode;
    const auto* edition = opened ? &opened->edition() : opened.error().edition;
    std::cout << "game code:   " << code << '\n'
              << "title:       " << edition->title << '\n'
              << "language:    " << edition->language << '\n'
              << "game:        " << rom::gameName(edition->game) << '\n'
              << "file size:   " << (opened ? opened->heldFile()->size() : fileSizeOf(romPath)) << '\n';
    const auto retail = species::tableBaseFor(code);
    if (!opened) {
        // Said of a file the editors refuse: where its table would be, and why not.
        const auto& error = *opened.error().tableError;
        if (error.kind == species::SpeciesFailure::TableOutsideFile) {
            std::cout << "table start: " << *retail << " (fixed start: the ROM has no file table)\n"
                      << "table fits:  no, the file is too short (" << species::kSpeciesCount << " records of "
                      << species::kRecordSize << " bytes)\n";
            return Ok;
        }
        fail(BadRom, species::userMessage(error, species::SpeciesOperation::Load));
    }
    auto& document = *opened;
    const auto* table = &document.fingerprint().table;
    const auto start = std::to_string(table->tableBase);
    if (table->narcPath.empty())
        std::cout << "table start: " << start << " (fixed start: the ROM has no file table)\n";
    else
        std::cout << "table file:  " << table->narcPath << '\n'
                  << "table start: " << start << " (record 1 of that file)\n";
    std::cout << "retail:      "
              << (!retail                      ? "no fixed place is known for this game"
                  : *retail == start ? "the same place as on the cartridge"
                                     : "not where the cartridge has it (a rebuilt ROM)")
              << '\n'
              << "table fits:  yes (" << table->recordCount << " records of "
              << species::kRecordSize << " bytes: " << species::kSpeciesCount << " species, "
              << table->recordCount - species::kSpeciesCount << " egg and form records)\n"
              << "names:       " << document.namesSource() << '\n';
    // The room the level-up lists may grow into, in bytes and in moves (2 bytes each).
    const auto read = document.read<species::MoveArchivesPart>();
    const auto* moves = read ? *read : nullptr;
    if (moves && moves->levelUpDamage) {
        std::cout << "learnsets:   " << moves->levelUpPath() << " is damaged: " << *moves->levelUpDamage << '\n';
    } else if (moves) {
        const auto& layout = moves->layout;
        const auto& extent = moves->levelUp();
        const bool last = layout.isLast(extent);
        std::cout << "learnsets:   " << moves->levelUpPath() << " (" << extent.start << " to " << extent.end
                  << (last ? ", the last file" : "") << ")\n"
                  << "room:        ";
        // Last in the image, it has nothing after it but the used image's end: its room
        // is what follows, up to the capacity.
        if (!last)
            std::cout << platform::quantity(moves->freeBytes(), "byte") << " before what follows it; ";
        if (const auto capacity = layout.capacity())
            std::cout << platform::quantity(std::max<std::int64_t>(0, *capacity - layout.growthStart(extent) - extent.size()),
                                            "byte")
                      << (last ? " where it lies last" : " if it moves after the used image") << " (from "
                      << layout.growthStart(extent) << " up to the capacity of " << *capacity << ")";
        else
            std::cout << "the header names no capacity that holds the image, so it cannot grow past that";
        std::cout << ": " << platform::roughQuantity(moves->growthRoom() / 2, "more level-up move") << " in all\n";
    } else {
        std::cout << "learnsets:   " << species::userMessage(read.error(), species::SpeciesOperation::Load) << '\n';
    }
    return Ok;
}

} // namespace quillmark::cli
