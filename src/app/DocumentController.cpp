#include "app/DocumentController.h"

#include "app/QtText.h"
#include "platform/FileServices.h"
#include "species/LookupLists.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <cctype>

namespace quillmark::app {

DocumentController::DocumentController(QObject* parent) : QObject(parent) {}

DocumentController::~DocumentController() = default;

const species::Vocabulary& DocumentController::words() const
{
    // Before any ROM is open, and after one was refused, the names are the built-in ones.
    return m_document ? m_document->vocabulary() : species::Vocabulary::builtIn();
}

QString DocumentController::speciesName(int listIndex) const { return qs(words().recordName(listIndex)); }

void DocumentController::addPages(const std::vector<EditorPage*>& pages)
{
    m_pages.insert(m_pages.end(), pages.begin(), pages.end());
    // What the load before them did not read: a window opened after the pick.
    if (m_document && m_speciesLoaded)
        loadParts(wantedParts(pages) & ~m_readParts);
}

std::vector<EditorPage*> DocumentController::activePages() const
{
    std::vector<EditorPage*> pages;
    for (EditorPage* page : m_pages) {
        // The species as its parts show it, not a reason they could not be read.
        if ((page->wants() & ~m_shownParts).none())
            pages.push_back(page);
    }
    return pages;
}

species::PartSet DocumentController::wantedParts(const std::vector<EditorPage*>& pages) const
{
    species::PartSet wanted;
    for (const EditorPage* page : pages)
        wanted |= page->wants();
    return wanted;
}

void DocumentController::refuseOpen(const std::string& text, std::string_view reason)
{
    m_openRefusal = qs(text);
    m_openRefusalDetails.clear();
    if (!reason.empty()) {
        std::string details = std::string(reason) + ".";
        details[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(details[0])));
        m_openRefusalDetails = qs(details);
    }
    emit openRefused(m_openRefusal, m_openRefusalDetails);
}

void DocumentController::open(const std::string& path)
{
    // Whatever the new file turns out to be, what is on screen and TableBase belong to
    // the previous one: no save until a species of this file is loaded.
    m_speciesLoaded = false;
    m_readParts.reset();
    m_shownParts.reset();
    emit cleared();

    // One open: the game code read, looked up, and the table found through the ROM's
    // own file system.
    auto chosen = species::RomDocument::open(path, species::DocumentAccess::PerOperation);
    // Too short to hold a game code: read as far as the file goes, and refused like a
    // file that could not be read, naming the file before.
    if (!chosen && chosen.error().kind == species::OpenRefusal::TooShort)
        return refuseOpen(std::string(species::kUnsupportedRom), species::kTooShortForARom);
    if (!chosen && chosen.error().kind == species::OpenRefusal::CannotOpen) {
        // Nothing of the file was read: the session still names the file before.
        emit openRefused("The ROM file could not be opened: " +
                             qs(platform::errorDescription(*chosen.error().fileError)),
                         {});
        return;
    }
    // From here the chosen file is the session's, supported or not; a refused one
    // leaves no document behind, so that no click loads or saves the file before it.
    m_session.RomPath = path;
    m_session.GameCode = chosen ? chosen->fingerprint().gameCode : chosen.error().gameCode;
    m_document.reset();
    if (!chosen) {
        if (chosen.error().kind == species::OpenRefusal::Unsupported)
            return refuseOpen(std::string(species::kUnsupportedRom), species::unsupportedRomReason(m_session.GameCode));
        return refuseOpen(species::userMessage(*chosen.error().tableError, species::SpeciesOperation::Load));
    }
    m_document.emplace(std::move(*chosen));
    const auto* edition = &m_document->edition();
    m_game = edition->game;
    // The file the user will save into, and only that one, is made writable. A
    // failure shows later, when a save cannot open the file for writing.
    (void)platform::fileServices().setAttributesToNormal(path);
    emit opened(*edition, m_document->fingerprint().table.recordCount);
}

void DocumentController::select(int listIndex)
{
    m_session.SelectedIndex = static_cast<std::int16_t>(listIndex);
    m_reloadOnClick = false;
    if (!m_document) {
        // The last Open ROM was refused: what is on screen belongs to another file.
        m_speciesLoaded = false;
        m_readParts.reset();
        m_shownParts.reset();
        emit cleared();
        emit openRefused(m_openRefusal, m_openRefusalDetails);
        return;
    }
    // One open for every part a page asks for, in whatever window it is.
    const auto wanted = wantedParts(m_pages);
    auto read = m_document->load(listIndex, wanted);
    m_readParts.reset();
    m_shownParts.reset();
    if (!read) {
        // Nothing half-loaded stays on screen to be saved.
        m_speciesLoaded = false;
        emit cleared();
        emit failed(read.error(), species::SpeciesOperation::Load);
        return;
    }
    m_session.TableBase = read->record.tableBase;
    m_speciesLoaded = true;
    m_readParts = wanted;
    m_shownParts = read->shown;
    emit loaded(listIndex, *read);
    updatePending();
}

void DocumentController::loadParts(const species::PartSet& parts)
{
    if (parts.none())
        return;
    // Read again: another program may have changed them meanwhile.
    auto read = m_document->load(m_session.SelectedIndex, parts);
    m_readParts |= parts;
    m_shownParts &= ~parts;
    if (!read) {
        emit partsFailed(parts, read.error());
        return;
    }
    m_shownParts |= read->shown;
    emit loaded(m_session.SelectedIndex, *read);
}

bool DocumentController::save(int listIndex)
{
    m_session.SelectedIndex = static_cast<std::int16_t>(listIndex);
    if (!m_document || listIndex < 0)
        return false;
    // Every page first takes in what is typed into it, as leaving its box would; any
    // problem refuses the whole save, and every page's problems are named at once.
    const auto name = speciesName(listIndex);
    const auto pages = activePages();
    QStringList problems;
    for (EditorPage* page : pages) {
        if (const auto problem = page->commitTyped(name))
            problems << *problem;
    }
    if (!problems.isEmpty()) {
        emit saveRefused(problems.join(";\n") + ". Nothing was written.");
        return false;
    }
    species::SpeciesChanges changes;
    std::vector<EditorPage*> pending;
    for (EditorPage* page : pages) {
        page->giveEdits(changes);
        if (page->hasPendingEdits())
            pending.push_back(page);
    }
    auto written = m_document->save(listIndex, changes);
    if (!written) {
        // Either way the file at the path no longer holds what the window shows.
        m_reloadOnClick = written.error().kind == species::SpeciesFailure::RomChanged ||
                          written.error().kind == species::SpeciesFailure::WrittenToReplacedFile;
        emit failed(written.error(), species::SpeciesOperation::Save);
        return false;
    }
    // What the pages show beside the record, read again once any of it was written (the
    // record is given whole): lists that moved change what the others have free.
    const auto besideRecord = ~species::partsOf<species::SpeciesRecordsPart>();
    if ((wantedParts(pending) & besideRecord).any())
        loadParts(wantedParts(m_pages) & besideRecord);
    if (const auto* record = m_document->part<species::SpeciesRecordsPart>().recordRead(listIndex))
        emit saved(listIndex, *record);
    updatePending();
    emit saveCompleted();
    return true;
}

void DocumentController::compareWith(const std::string& otherPath)
{
    if (!m_document)
        return;
    auto refuse = [&](const std::string& path, const species::SpeciesError& error) {
        emit compareRefused(qs("The ROMs could not be compared: " + path + ": " +
                               (error.kind == species::SpeciesFailure::UnsupportedRom && !error.detail.empty()
                                    ? std::string(species::kUnsupportedRom) + " (" + error.detail + ")"
                                    : species::userMessage(error, species::SpeciesOperation::Load))));
    };
    // Both read as they are now, each through an open of its own.
    auto before = species::openRomToCompare(otherPath);
    if (!before)
        return refuse(otherPath, before.error());
    auto now = species::openRomToCompare(m_session.RomPath);
    if (!now)
        return refuse(m_session.RomPath, now.error());
    auto comparison = species::compareRoms(*before, *now);
    if (!comparison) {
        emit compareRefused(
            qs("The ROMs could not be compared: " +
               (comparison.error().detail.empty() ? species::userMessage(comparison.error(), species::SpeciesOperation::Load)
                                                  : comparison.error().detail)));
        return;
    }
    // The patch from the same two opens: what the list shows is what the patch makes.
    auto patch = species::patchBetween(*before, *now);
    if (!patch)
        return refuse(m_session.RomPath, patch.error());
    emit compared(otherPath, m_session.RomPath, *comparison, *patch);
}

Result<bool, species::SpeciesError> DocumentController::stillAsCompared(const std::string& otherPath,
                                                                       const std::string& thisPath,
                                                                       const std::vector<std::uint8_t>& patch) const
{
    return species::stillAsPatched(otherPath, thisPath, patch);
}

void DocumentController::revert()
{
    for (EditorPage* page : activePages())
        page->revertEdits();
    updatePending();
}

void DocumentController::quit()
{
    // Exit ends the program, whatever the windows hold: none of them stays on screen
    // to save values of a main window that is gone.
    emit quitting();
    QCoreApplication::quit();
}

bool DocumentController::hasPendingEdits() const
{
    const auto pages = activePages();
    return std::any_of(pages.begin(), pages.end(), [](const EditorPage* page) { return page->hasPendingEdits(); });
}

void DocumentController::updatePending() { emit pendingChanged(hasPendingEdits()); }

} // namespace quillmark::app
