// Each command reads the ROM's file name table and overlay table once (an import that
// moves the learnset archive twice: once more under the writers' lock before it
// writes), counted through the file services as the system would serve them.
#include "cli/CliErrors.h"
#include "cli/Commands.h"
#include "platform/FileServices.h"
#include "romimage/RomImage.h"

#include "InProcess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

using namespace quillmark;
using namespace quillmark::test;

namespace {

TEST(ReadCounts, EachCommandReadsTheFileSystemAndTheOverlayTableOnce)
{
    TempDir dir;
    const auto rom = dir.file("platinum.nds");
    romimage::ImageRecipe recipe;
    recipe.gameCode = "CPUE";
    recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/pt_personal.csv", nullptr);
    recipe.tail = romimage::Tail::Padded;
    romimage::ImageLayout layout;
    ASSERT_TRUE(romimage::writeRomImage(rom, recipe, nullptr, &layout));
    const auto pristine = readFile(rom);
    auto exportTo = [&](const char* name, bool learnsets, bool eggMoves) {
        cli::ExportOptions options;
        options.output = dir.file(name);
        options.table = learnsets ? "learnsets" : eggMoves ? "eggmoves" : "";
        return cli::runExport(rom, options);
    };
    // Every species given three more entries: the archive moves after the used image.
    ASSERT_EQ(runInProcess([&] { return exportTo("learnsets.csv", true, false); }).status, cli::Ok);
    std::string overhaul;
    {
        const auto bytes = readFile(dir.file("learnsets.csv"));
        std::istringstream in(std::string(bytes.begin(), bytes.end()));
        std::string line, last;
        std::map<std::string, std::pair<std::string, int>> lastEntry;  // index -> (row start, entry)
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            overhaul += line + "\n";
            const auto fields = [&] {
                std::vector<std::string> cells;
                std::stringstream row(line);
                for (std::string cell; std::getline(row, cell, ',');)
                    cells.push_back(cell);
                return cells;
            }();
            if (fields.size() == 6 && std::isdigit(static_cast<unsigned char>(fields[0].back())))
                lastEntry[fields[0]] = {fields[0] + "," + fields[1] + "," + fields[2], std::stoi(fields[3])};
        }
        for (const auto& [index, entry] : lastEntry) {
            if (entry.second <= 17)
                for (int k = 1; k <= 3; ++k)
                    overhaul += entry.first + "," + std::to_string(entry.second + k) + ",100,Pound\n";
        }
        writeFile(dir.file("overhaul.csv"), Bytes(overhaul.begin(), overhaul.end()));
    }

    const struct {
        const char* what;
        std::function<int()> command;
        int nameTableReads, overlayTableReads;
    } rows[] = {
        {"get a field", [&] { return cli::runGet(rom, "Garchomp", {"hp"}); }, 1, 0},
        {"get the lists and the egg and tutor moves", [&] { return cli::runGet(rom, "Garchomp", {"learnset", "eggmoves", "tutors"}); }, 1, 1},
        {"export", [&] { return exportTo("species.csv", false, false); }, 1, 0},
        {"export --learnsets", [&] { return exportTo("learnsets.csv", true, false); }, 1, 0},
        {"export --eggmoves", [&] { return exportTo("eggmoves.csv", false, true); }, 1, 1},
        {"an import that moves the learnset archive", [&] { return cli::runImport(rom, dir.file("overhaul.csv"), "", false); }, 2, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        writeFile(rom, pristine);
        FaultyFileServices counting;
        Said said;
        {
            platform::ScopedFileServices installed(counting);
            said = runInProcess(row.command);
        }
        ASSERT_EQ(said.status, cli::Ok) << said.err;
        EXPECT_EQ(counting.readsAt[layout.fntOffset], row.nameTableReads);
        EXPECT_EQ(counting.readsAt[layout.overlayTableOffset], row.overlayTableReads);
    }
    EXPECT_NE(readFile(rom), pristine) << "the overhaul was written";
}

} // namespace
