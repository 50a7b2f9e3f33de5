#pragma once

#include "species/DocumentPart.h"

namespace quillmark::species {

// Every record of the species table, by list index, as a command reads and writes it
// whole (the window reads and writes one record field by field).
class SpeciesRecordsPart final : public DocumentPart {
public:
    using Value = std::vector<RecordBytes>;
    const Value* value() const { return m_records ? &*m_records : nullptr; }

    void forget() override { m_records.reset(); }
    bool showsSpecies() const override { return false; }
    void showSpecies(int, SpeciesLoad&) const override {}
    void takeSpeciesEdits(int, const SpeciesChanges&, DocumentEdits&) const override {}
    Result<Done, SpeciesError> plan(const DocumentEdits& edits, WritePlan& plan) const override;
    void written(const WritePlan& plan, bool complete) override;

protected:
    Result<Done, SpeciesError> readTable(PartSource& source) override;

private:
    std::optional<Value> m_records;
};

} // namespace quillmark::species
