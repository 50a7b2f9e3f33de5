// The games' text archive, as far as the species editor reads it: every bank of the
// US archive, empty but the species names, which hold the names of samples/.
#include "ImageParts.h"

#include "rom/MessageBank.h"
#include "species/GameText.h"

namespace quillmark::romimage {

using namespace parts;

namespace {

struct TextArchive {
    const char* path;
    int banks;
    int names;
};

TextArchive textArchiveOf(const std::string& gameCode)
{
    if (gameCode.starts_with("IPK") || gameCode.starts_with("IPG"))
        return {"a/0/2/7", 829, 237};
    if (gameCode.starts_with("CPU"))
        return {"msgdata/pl_msg.narc", 724, 412};
    return {"msgdata/msg.narc", 624, 362};
}

} // namespace

std::string textArchivePathOf(const std::string& gameCode) { return textArchiveOf(gameCode).path; }

int namesBankOf(const std::string& gameCode) { return textArchiveOf(gameCode).names; }

Bytes parts::textArchiveFor(const std::string& gameCode, const std::vector<std::string>& names, int copyAt)
{
    const auto archive = textArchiveOf(gameCode);
    // Every bank empty but the names: 496 entries, the placeholder first, the species,
    // then two more placeholders where the games name the egg records. The key is the
    // one the names bank has in every game.
    rom::MessageBank bank;
    bank.key = 0x782C;
    const auto placeholder = *species::encodeGameText("-----");
    bank.entries.push_back(placeholder);
    for (const auto& name : names)
        bank.entries.push_back(*species::encodeGameText(name));
    bank.entries.resize(496, placeholder);
    std::vector<Bytes> banks(static_cast<std::size_t>(archive.banks), rom::encodeMessageBank(rom::MessageBank{}));
    banks[static_cast<std::size_t>(archive.names)] = rom::encodeMessageBank(bank);
    if (copyAt >= 0 && copyAt < archive.banks)
        banks[static_cast<std::size_t>(copyAt)] = banks[static_cast<std::size_t>(archive.names)];
    return buildNarcOf(banks);
}

std::vector<std::string> sampleSpeciesNames()
{
    std::vector<std::string> names;
    for (const auto& row : csvRows("species_names.csv")) {
        if (row.size() > 1 && row[0] != "0")
            names.push_back(row[1]);
    }
    return names;
}

} // namespace quillmark::romimage
