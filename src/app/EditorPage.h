#pragma once

#include "species/RomDocument.h"

#include <QString>

#include <optional>

namespace quillmark::app {

// A page of what the windows edit of one species: the main window's twenty fields,
// More Data, the level-up moves and evolutions, the egg moves, the tutor moves. Each
// says which of the document's parts it shows (a load reads them, in whatever window
// the page is), shows its part of the species as read and says whether it holds edits;
// Save first asks every page shown to take in what is typed and not yet taken, and
// refuses the whole save on the first page that names a problem; then each gives its
// edits to what the document writes. Revert puts back what was read. A window makes
// its pages known to the DocumentController itself.
class EditorPage {
public:
    virtual ~EditorPage() = default;

    // The parts a load reads for this page (species::partsOf<...>()).
    virtual species::PartSet wants() const = 0;

    virtual bool hasPendingEdits() const = 0;
    // What is typed and not yet taken goes in, as leaving its box would take it; the
    // problem that keeps Save from taking the page, naming the species (`species`), the
    // page, the row or slot and the text typed. Nothing when it can be saved.
    virtual std::optional<QString> commitTyped(const QString& species) = 0;
    // The page's part of what Save writes.
    virtual void giveEdits(species::SpeciesChanges& changes) const = 0;
    virtual void revertEdits() = 0;
};

} // namespace quillmark::app
