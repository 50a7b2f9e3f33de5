#pragma once

#include "species/DocumentPart.h"
#include "species/SpeciesEditor.h"
#include "species/SpeciesTableFile.h"

namespace quillmark::species {

// The window's record of one species: the 20 fields as typed, and the rest of the
// record where More Data changed it.
struct RecordFieldEdits {
    int listIndex = -1;
    SpeciesValues values = {};
    platform::NumberFormat format = {};
    std::optional<RecordBytes> moreData = {};
};

// The records of the species table, by list index: the whole table as a command reads
// and writes it, or the window's one species, read and written field by field. One
// cache holds every record read, which a write must find unchanged.
class SpeciesRecordsPart final : public DocumentPart {
public:
    using Value = std::vector<RecordBytes>;
    // The whole table, once a command read it.
    const Value* value() const { return m_whole ? &m_records : nullptr; }
    // One record as the last load or read gave it, or the last save left it.
    const RecordBytes* recordRead(int listIndex) const;

    void forget() override;
    Result<bool, SpeciesError> load(PartSource& source, int listIndex, SpeciesLoad& load) override;
    void showSpecies(int, SpeciesLoad&) const override {}
    void takeSpeciesEdits(int listIndex, const SpeciesChanges& changes, DocumentEdits& edits) const override;
    Result<Done, SpeciesError> plan(const DocumentEdits& edits, WritePlan& plan) const override;
    void written(const WritePlan& plan, bool complete) override;
    std::vector<std::string> comparedParts() const override;
    bool holdsTable() const override;
    void compareRecord(const DocumentPart& before, const RecordToCompare& record,
                       std::vector<RomChange>& changes) const override;
    void comparedBytes(const DocumentPart& before, std::vector<ComparedBytes>& bytes) const override;

protected:
    Result<Done, SpeciesError> readTable(PartSource& source) override;

private:
    Result<Done, SpeciesError> planFields(const RecordFieldEdits& fields, WritePlan& plan) const;
    Result<Done, SpeciesError> planRecords(const Value& wanted, WritePlan& plan) const;
    void keep(int listIndex, const RecordBytes& record);
    std::int64_t recordStart(int listIndex) const { return m_table.tableBase + std::int64_t{kRecordSize} * listIndex; }

    SpeciesTable m_table;
    Value m_records;
    std::vector<bool> m_read;  // by list index: m_records holds it
    bool m_whole = false;
};

} // namespace quillmark::species
