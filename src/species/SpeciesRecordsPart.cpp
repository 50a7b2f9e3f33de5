#include "species/SpeciesRecordsPart.h"

namespace quillmark::species {

Result<Done, SpeciesError> SpeciesRecordsPart::readTable(PartSource& source)
{
    auto records = readSpeciesRecords(source.file(), source.rom().table.tableBase, source.rom().table.recordCount);
    if (!records)
        return records.error();
    m_records = std::move(*records);
    return Done{};
}

Result<Done, SpeciesError> SpeciesRecordsPart::plan(const DocumentEdits& edits, WritePlan& plan) const
{
    if (edits.records.empty())
        return Done{};
    if (!m_records || m_records->size() != edits.records.size())
        return SpeciesError{SpeciesFailure::RomChanged};
    plan.tableBefore = &*m_records;
    plan.tableAfter = &edits.records;
    for (std::size_t i = 0; i < edits.records.size(); ++i) {
        if (edits.records[i] != (*m_records)[i])
            plan.unchanged[static_cast<int>(i)] = (*m_records)[i];
    }
    return Done{};
}

void SpeciesRecordsPart::written(const WritePlan& plan, bool complete)
{
    // A failed write leaves the records as read: the report says which went in.
    if (complete && plan.tableAfter)
        m_records = *plan.tableAfter;
}

} // namespace quillmark::species
