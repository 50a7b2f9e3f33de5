#include "species/DocumentPart.h"

#include "platform/FileServices.h"


namespace quillmark::species {

PartSource::PartSource(platform::OpenFile& file, const RomFingerprint& rom, rom::Game game,
                       std::shared_ptr<const Vocabulary> words, Tables& tables)
    : m_file(file), m_rom(rom), m_game(game), m_words(std::move(words)), m_tables(tables)
{
}

Result<const rom::NitroFs*, SpeciesError> PartSource::fileSystem()
{
    if (m_tables.fileSystem)
        return &*m_tables.fileSystem;
    if (m_fileSystemError)
        return *m_fileSystemError;
    auto fs = rom::NitroFs::read(m_file);
    if (!fs) {
        m_fileSystemError = speciesErrorOf(fs.error());
        return *m_fileSystemError;
    }
    m_tables.fileSystem = std::move(*fs);
    return &*m_tables.fileSystem;
}

const std::vector<rom::OverlayEntry>* PartSource::overlays()
{
    if (!m_tables.overlays && !m_overlaysTried) {
        m_overlaysTried = true;
        if (auto fs = fileSystem(); fs) {
            if (auto read = rom::readOverlayTable(m_file, **fs); read)
                m_tables.overlays = std::move(*read);
        }
    }
    return m_tables.overlays ? &*m_tables.overlays : nullptr;
}

Result<const rom::ImageLayout*, SpeciesError> PartSource::layout()
{
    if (m_tables.layout)
        return &*m_tables.layout;
    auto fs = fileSystem();
    if (!fs)
        return fs.error();
    auto read = rom::ImageLayout::read(m_file, **fs);
    if (!read)
        return SpeciesError{SpeciesFailure::FileUnavailable, read.error()};
    m_tables.layout = std::move(*read);
    return &*m_tables.layout;
}

Result<Done, SpeciesError> DocumentPart::read(PartSource& source)
{
    forget();
    auto result = readTable(source);
    m_readError = result ? std::nullopt : std::optional(result.error());
    return result;
}

Result<bool, SpeciesError> DocumentPart::load(PartSource& source, int listIndex, SpeciesLoad& load)
{
    const bool readable = read(source).ok();
    showSpecies(listIndex, load);
    return readable;
}

WriteStep inPlaceStep(const DocumentPart* owner, std::int64_t at, std::vector<std::uint8_t> before,
                      std::span<const std::uint8_t> after)
{
    WriteStep step;
    step.owner = owner;
    step.runs = rom::differingRuns(at, before, after);
    step.expected.push_back({at, std::move(before)});
    step.progressFrom = kFieldCount;
    return step;
}

void DocumentPart::notComparable(const std::string&, std::vector<UncomparedTable>&) const {}

void DocumentPart::written(const WritePlan& plan, bool)
{
    if (plan.writes(this))
        forget();
}

} // namespace quillmark::species
