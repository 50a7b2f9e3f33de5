#include "species/DocumentPart.h"

#include "platform/FileServices.h"

#include <algorithm>

namespace quillmark::species {

PartSource::PartSource(platform::OpenFile& file, const RomFingerprint& rom, rom::Game game,
                       std::optional<rom::NitroFs>& fileSystem,
                       std::optional<std::vector<rom::OverlayEntry>>& overlays)
    : m_file(file), m_rom(rom), m_game(game), m_fileSystem(fileSystem), m_overlays(overlays)
{
}

Result<const rom::NitroFs*, SpeciesError> PartSource::fileSystem()
{
    if (m_fileSystem)
        return &*m_fileSystem;
    if (m_fileSystemError)
        return *m_fileSystemError;
    auto fs = rom::NitroFs::read(m_file);
    if (!fs) {
        m_fileSystemError = speciesErrorOf(fs.error());
        return *m_fileSystemError;
    }
    m_fileSystem = std::move(*fs);
    return &*m_fileSystem;
}

const std::vector<rom::OverlayEntry>* PartSource::overlays()
{
    if (!m_overlays && !m_overlaysTried) {
        m_overlaysTried = true;
        if (auto fs = fileSystem(); fs) {
            if (auto read = rom::readOverlayTable(m_file, **fs); read)
                m_overlays = std::move(*read);
        }
    }
    return m_overlays ? &*m_overlays : nullptr;
}

Result<Done, SpeciesError> DocumentPart::read(PartSource& source)
{
    forget();
    auto result = readTable(source);
    m_readError = result ? std::nullopt : std::optional(result.error());
    return result;
}

bool WritePlan::writesTableOf(const DocumentPart* part) const
{
    return std::any_of(tables.begin(), tables.end(), [&](const Table& table) { return table.part == part; });
}

} // namespace quillmark::species
