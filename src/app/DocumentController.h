#pragma once

#include "app/EditorPage.h"
#include "platform/Result.h"
#include "rom/RomIdentification.h"
#include "species/RomComparison.h"
#include "species/RomDocument.h"
#include "species/RomSession.h"
#include "species/SpeciesMessages.h"

#include <QObject>
#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace quillmark::app {

// The open ROM and the species being edited, for every window of the program: the
// main window and the tool windows are views of it, and it knows them only as editor
// pages, which each window makes known itself. It opens, selects, saves, reverts and
// quits; a load reads the parts the pages ask for. It shows nothing itself but says
// what happened through its signals, for each window to put on screen what is its.
class DocumentController : public QObject {
    Q_OBJECT

public:
    explicit DocumentController(QObject* parent = nullptr);
    ~DocumentController() override;

    const species::RomSession& session() const { return m_session; }
    // The ROM the last Open ROM accepted; nothing after a refusal.
    species::RomDocument* document() { return m_document ? &*m_document : nullptr; }
    rom::Game game() const { return m_game; }
    // A species of the open ROM is loaded and may be saved.
    bool speciesLoaded() const { return m_speciesLoaded; }
    // A save found the file changed by another program: a click on the species shown
    // loads it again, although it is already the selected one.
    bool reloadOnClick() const { return m_reloadOnClick; }
    // What the open ROM calls each species.
    const species::Vocabulary& words() const;
    QString speciesName(int listIndex) const;

    // Pages that Save asks (in the order given) and that loads read for. Made while a
    // species is loaded, they get what they want of it that the load did not read, in
    // one load.
    void addPages(const std::vector<EditorPage*>& pages);
    void addPage(EditorPage* page) { addPages({page}); }

    void open(const std::string& path);
    void select(int listIndex);
    // Whether the species is now in the file as the pages give it.
    bool save(int listIndex);
    // Some page shown holds edits not yet saved.
    bool hasPendingEdits() const;
    // What changed from the ROM at `otherPath` to the open one: compared, or why not.
    void compareWith(const std::string& otherPath);
    // Whether `patch` still makes the file at `thisPath` of the one at `otherPath`, as
    // they are now: a comparison shown is still theirs.
    Result<bool, species::SpeciesError> stillAsCompared(const std::string& otherPath, const std::string& thisPath,
                                                        const std::vector<std::uint8_t>& patch) const;
    void revert();
    void quit();
    // Every page asked whether it holds edits; pendingChanged says the answer.
    void updatePending();

signals:
    // Before Open ROM reads the chosen file: nothing of the previous one stays on screen.
    void cleared();
    void opened(const rom::Edition& edition, int recordCount);
    // Why the last Open ROM was refused, also again when a species is picked after it;
    // `details` for the box's details.
    void openRefused(const QString& text, const QString& details);
    // What a load read of the species: every part the pages want at a pick, or some
    // (load.parts says which) for a page made since or after a save wrote them.
    void loaded(int listIndex, const species::SpeciesLoad& load);
    // Those parts could not be read again for the species shown.
    void partsFailed(const species::PartSet& parts, const species::SpeciesError& error);
    void failed(const species::SpeciesError& error, species::SpeciesOperation operation);
    // A page named why it cannot be saved; nothing was written.
    void saveRefused(const QString& problem);
    // The record as it is in the file now; then, with every view shown again,
    // saveCompleted.
    void saved(int listIndex, const species::RecordBytes& record);
    void saveCompleted();
    void pendingChanged(bool pending);
    // The rows and the patch of one comparison, both made of the two files as they
    // were at that moment.
    void compared(const std::string& otherPath, const std::string& thisPath,
                  const species::RomComparison& comparison, const std::vector<std::uint8_t>& patch);
    void compareRefused(const QString& text);
    void quitting();

private:
    // The pages whose parts show the loaded species.
    std::vector<EditorPage*> activePages() const;
    species::PartSet wantedParts(const std::vector<EditorPage*>& pages) const;
    // Reads `parts` of the species shown again, for the pages that show them.
    void loadParts(const species::PartSet& parts);
    void refuseOpen(const std::string& text, std::string_view reason = {});

    species::RomSession m_session;
    std::optional<species::RomDocument> m_document;
    rom::Game m_game = rom::Game::Diamond;
    std::vector<EditorPage*> m_pages;
    bool m_speciesLoaded = false;
    // The parts read for the loaded species, and those that show it (not a reason they
    // cannot).
    species::PartSet m_readParts, m_shownParts;
    bool m_reloadOnClick = false;
    QString m_openRefusal, m_openRefusalDetails;
};

} // namespace quillmark::app
