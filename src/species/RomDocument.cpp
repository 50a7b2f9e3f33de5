#include "species/RomDocument.h"

#include "platform/FileServices.h"
#include "rom/ByteAccess.h"
#include "rom/HexCodec.h"
#include "rom/ImageWriter.h"
#include "rom/NitroFs.h"
#include "rom/OverlayTable.h"
#include "species/SpeciesNames.h"
#include "species/WriteSteps.h"

#include <algorithm>

namespace quillmark::species {

Result<RomDocument, OpenRefusal> RomDocument::open(const std::string& path, DocumentAccess access)
{
    auto file = platform::fileServices().open(path, access == DocumentAccess::HeldForWriting
                                                        ? platform::FileAccess::ReadWrite
                                                        : platform::FileAccess::Read);
    if (!file)
        return OpenRefusal{OpenRefusal::CannotOpen, file.error()};
    if (access == DocumentAccess::HeldForWriting) {
        if (auto locked = (*file)->lockForWriting(kLockWait); !locked)
            return OpenRefusal{OpenRefusal::CannotOpen, locked.error()};
    }
    auto code = rom::readGameCode(**file);
    if (!code)
        return code.error() == platform::FileError::PastEndOfFile ? OpenRefusal{OpenRefusal::TooShort}
                                                                   : OpenRefusal{OpenRefusal::CannotOpen, code.error()};
    if (!rom::findEdition(*code))
        return OpenRefusal{OpenRefusal::Unsupported, std::nullopt, *code};
    // The file system once: the table is found through it, and a held document keeps it
    // for every table read through the same open.
    auto fs = rom::NitroFs::read(**file);
    auto table = locateSpeciesTable(**file, fs ? &*fs : nullptr, *code);
    if (!table)
        return OpenRefusal{OpenRefusal::NoTable, std::nullopt, *code, table.error(), rom::findEdition(*code)};
    // The ROM's own names, from the same reading of its file system.
    const auto names = fs ? readRomNames(**file, *fs, *rom::findEdition(*code))
                          : RomNames{{}, -1, {}, "the ROM has no file system to hold the game's text"};
    auto document = access == DocumentAccess::PerOperation ? RomDocument(path, {*code, *table})
                                                           : RomDocument(path, {*code, *table}, std::move(*file));
    document.useNames(names);
    if (fs && access != DocumentAccess::PerOperation)
        document.m_tables.fileSystem = std::move(*fs);
    return document;
}

RomDocument::RomDocument(std::string path, RomFingerprint rom) : RomDocument(std::move(path), std::move(rom), nullptr)
{
}

RomDocument::RomDocument(std::string path, RomFingerprint rom, std::unique_ptr<platform::OpenFile> held)
    : m_path(std::move(path)), m_rom(std::move(rom)), m_words(std::make_shared<Vocabulary>(Vocabulary::builtIn())),
      m_held(std::move(held))
{
    // A fingerprint is made only of a supported game.
    if (const auto* edition = rom::findEdition(m_rom.gameCode))
        m_edition = edition;
}

RomDocument::RomDocument(RomDocument&&) noexcept = default;
RomDocument& RomDocument::operator=(RomDocument&&) noexcept = default;
RomDocument::~RomDocument() = default;

void RomDocument::useNames(const RomNames& names)
{
    if (names.found()) {
        m_words = std::make_shared<Vocabulary>(Vocabulary::fromRom(names.names));
        m_namesSource = names.where;
    } else {
        m_namesSource = "built in (" + names.why + ")";
    }
}

Result<platform::OpenFile*, SpeciesError> RomDocument::fileToRead(std::unique_ptr<platform::OpenFile>& opened) const
{
    if (m_held)
        return m_held.get();
    auto open = platform::fileServices().open(m_path, platform::FileAccess::Read);
    if (!open)
        return SpeciesError{SpeciesFailure::FileUnavailable, open.error()};
    opened = std::move(*open);
    return opened.get();
}

Result<Done, SpeciesError>
RomDocument::withSource(const std::function<Result<Done, SpeciesError>(PartSource&)>& use)
{
    std::unique_ptr<platform::OpenFile> opened;
    auto file = fileToRead(opened);
    if (!file)
        return file.error();
    // A held file's tables from its own open: the same open, so the same file. A file
    // opened for the call reads its own, at most once each.
    PartSource::Tables ownTables;
    PartSource source(**file, m_rom, game(), m_words, m_held ? m_tables : ownTables);
    return use(source);
}

Result<const rom::NitroFs*, SpeciesError> RomDocument::heldFileSystem()
{
    if (!m_held)
        return SpeciesError{SpeciesFailure::FileUnavailable};
    const rom::NitroFs* fs = nullptr;
    auto read = withSource([&](PartSource& source) -> Result<Done, SpeciesError> {
        auto held = source.fileSystem();
        if (!held)
            return held.error();
        fs = *held;
        return Done{};
    });
    if (!read)
        return read.error();
    return fs;
}

Result<Done, SpeciesError> RomDocument::readPart(DocumentPart& part)
{
    return withSource([&](PartSource& source) { return part.read(source); });
}

Result<Done, SpeciesError> RomDocument::readEach()
{
    return withSource([&](PartSource& source) -> Result<Done, SpeciesError> {
        forEachPart(m_parts, [&](DocumentPart& part) { (void)part.read(source); });
        return Done{};
    });
}

Result<SpeciesLoad, SpeciesError> RomDocument::load(int listIndex, const PartSet& wanted)
{
    SpeciesLoad load;
    load.parts = wanted;
    auto done = withSource([&](PartSource& source) -> Result<Done, SpeciesError> {
        // The file system once, for the table's place and every part's files.
        auto fs = source.fileSystem();
        if (auto same = checkFingerprint(source.file(), m_rom, fs ? *fs : nullptr); !same)
            return same.error();
        Result<Done, SpeciesError> loaded = Done{};
        forEachPart(m_parts, wanted, [&](DocumentPart& part, std::size_t index) {
            if (!loaded)
                return;
            auto shown = part.load(source, listIndex, load);
            if (!shown)
                loaded = shown.error();
            else if (*shown)
                load.shown.set(index);
        });
        return loaded;
    });
    if (!done)
        return done.error();
    return load;
}

Result<Done, SpeciesError> RomDocument::save(int listIndex, const SpeciesChanges& changes)
{
    // Every table as the window shows it, where it differs from the load.
    DocumentEdits edits;
    forEachPart(m_parts, [&](const DocumentPart& part) { part.takeSpeciesEdits(listIndex, changes, edits); });
    WritePlan plan;
    if (auto planned = planParts(edits, plan); !planned)
        return planned.error();
    if (auto written = write(plan); written.error)
        return *written.error;
    return Done{};
}

Result<Done, SpeciesError> RomDocument::planParts(const DocumentEdits& edits, WritePlan& plan) const
{
    Result<Done, SpeciesError> planned = Done{};
    forEachPart(m_parts, [&](const DocumentPart& part) {
        if (planned)
            planned = part.plan(edits, plan);
    });
    return planned;
}

Result<WritePlan, SpeciesError> RomDocument::check(const DocumentEdits& edits) const
{
    WritePlan plan;
    if (auto planned = planParts(edits, plan); !planned)
        return planned.error();
    for (const auto& step : plan.steps) {
        if (!m_held || !step.rewrite || !step.layout)
            continue;
        if (auto padding = step.layout->paddingFor(*m_held, step.rewrite->placement); !padding)
            return notPaddingError(padding.error(), *step.rewrite);
    }
    return plan;
}

DocumentWrite RomDocument::apply(const DocumentEdits& edits)
{
    WritePlan plan;
    if (auto planned = planParts(edits, plan); !planned)
        return {{}, planned.error()};
    if (plan.empty())
        return {};
    return write(plan);
}

DocumentWrite RomDocument::write(const WritePlan& plan)
{
    bool began = false;
    auto result = writeChecked(plan, began);
    // What the open read of the image's tables no longer holds once anything is written
    // (a moved file has a new file table entry), nor the parts whose bytes went in: read
    // again after.
    if (began) {
        m_tables.forget();
        forEachPart(m_parts, [&](DocumentPart& part) { part.written(plan, !result.error); });
    }
    return result;
}

Result<platform::OpenFile*, SpeciesError> RomDocument::fileToWrite(std::unique_ptr<platform::OpenFile>& opened) const
{
    // One handle from the check to the last write: a file that another program puts at
    // the path meanwhile never receives a byte meant for the one that was checked.
    if (m_held)
        return m_held.get();
    auto open = platform::fileServices().open(m_path, platform::FileAccess::ReadWrite);
    if (!open)
        return SpeciesError{SpeciesFailure::FileUnavailable, open.error()};
    opened = std::move(*open);
    if (auto fits = checkTableFits(*opened, std::to_string(m_rom.table.tableBase)); !fits)
        return fits.error();
    if (auto locked = opened->lockForWriting(kLockWait); !locked)
        return SpeciesError{SpeciesFailure::FileUnavailable, locked.error()};
    return opened.get();
}

Result<std::vector<std::uint8_t>, SpeciesError> RomDocument::checkSteps(platform::OpenFile& file,
                                                                        const WritePlan& plan) const
{
    if (auto same = checkFingerprint(file, m_rom); !same)
        return same.error();
    for (const auto& step : plan.steps) {
        if (auto holds = stepStillHolds(file, step); !holds)
            return holds.error();
    }
    if (auto here = checkStillAtPath(file, m_path); !here)
        return here.error();
    std::vector<std::uint8_t> fills;
    for (const auto& step : plan.steps) {
        fills.push_back(0xFF);
        if (!step.rewrite || !step.layout)
            continue;
        auto padding = step.layout->paddingFor(file, step.rewrite->placement);
        if (!padding)
            return notPaddingError(padding.error(), *step.rewrite);
        fills.back() = *padding;
    }
    return fills;
}

DocumentWrite RomDocument::writeChecked(const WritePlan& plan, bool& began)
{
    DocumentWrite result;
    auto fail = [&](SpeciesError error) {
        result.error = std::move(error);
        return result;
    };
    std::unique_ptr<platform::OpenFile> opened;
    auto file = fileToWrite(opened);
    if (!file)
        return fail(file.error());
    if (m_held) {
        if (auto fits = checkTableFits(**file, std::to_string(m_rom.table.tableBase)); !fits)
            return fail(fits.error());
    }
    // Under the writers' lock: still the ROM that was read, down to every byte the
    // change depends on.
    auto fills = checkSteps(**file, plan);
    if (!fills)
        return fail(fills.error());
    began = true;
    for (std::size_t i = 0; i < plan.steps.size(); ++i) {
        if (auto written = writeStep(**file, plan.steps[i], (*fills)[i], result.records); !written)
            return fail(written.error());
    }
    // Replaced while the bytes went in: they are in the file that was there, which is
    // no longer the one the user sees at this path.
    if (auto here = checkStillAtPath(**file, m_path); !here)
        return fail(SpeciesError{SpeciesFailure::WrittenToReplacedFile, std::nullopt, kFieldCount});
    return result;
}

} // namespace quillmark::species
