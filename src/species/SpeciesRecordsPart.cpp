#include "species/SpeciesRecordsPart.h"

#include "species/DocumentParts.h"

#include "rom/HexCodec.h"
#include "species/RecordCodec.h"
#include "species/WriteSteps.h"

#include <algorithm>

namespace quillmark::species {

const RecordBytes* SpeciesRecordsPart::recordRead(int listIndex) const
{
    const auto i = static_cast<std::size_t>(listIndex);
    return listIndex >= 0 && i < m_read.size() && m_read[i] ? &m_records[i] : nullptr;
}

void SpeciesRecordsPart::forget()
{
    m_records.clear();
    m_read.clear();
    m_whole = false;
}

void SpeciesRecordsPart::keep(int listIndex, const RecordBytes& record)
{
    const auto i = static_cast<std::size_t>(listIndex);
    if (m_records.size() <= i) {
        m_records.resize(i + 1);
        m_read.resize(i + 1);
    }
    m_records[i] = record;
    m_read[i] = true;
}

Result<Done, SpeciesError> SpeciesRecordsPart::readTable(PartSource& source)
{
    m_table = source.rom().table;
    auto records = readSpeciesRecords(source.file(), m_table.tableBase, m_table.recordCount);
    if (!records)
        return records.error();
    m_records = std::move(*records);
    m_read.assign(m_records.size(), true);
    m_whole = true;
    return Done{};
}

Result<bool, SpeciesError> SpeciesRecordsPart::load(PartSource& source, int listIndex, SpeciesLoad& load)
{
    // One record, field by field, as the window shows it; the others stay as read.
    m_table = source.rom().table;
    auto record = readSpeciesFields(source.file(), source.rom(), listIndex);
    if (!record)
        return record.error();
    keep(listIndex, record->record);
    load.record = std::move(*record);
    return true;
}

void SpeciesRecordsPart::takeSpeciesEdits(int listIndex, const SpeciesChanges& changes, DocumentEdits& edits) const
{
    edits.fields = RecordFieldEdits{listIndex, changes.values, changes.format, changes.moreData};
}

Result<Done, SpeciesError> SpeciesRecordsPart::plan(const DocumentEdits& edits, WritePlan& plan) const
{
    if (edits.fields) {
        if (auto planned = planFields(*edits.fields, plan); !planned)
            return planned;
    }
    if (!edits.records.empty())
        return planRecords(edits.records, plan);
    return Done{};
}

Result<Done, SpeciesError> SpeciesRecordsPart::planFields(const RecordFieldEdits& fields, WritePlan& plan) const
{
    const auto* read = recordRead(fields.listIndex);
    if (!read)
        return SpeciesError{SpeciesFailure::RomChanged};
    const auto start = recordStart(fields.listIndex);
    // Every field is converted before the file is touched, so a refusal writes nothing;
    // each is written on its own, in processing order, so that a failure can say how
    // many went in.
    WriteStep step;
    step.owner = this;
    step.expected.push_back({start, std::vector<std::uint8_t>(read->begin(), read->end())});
    step.byteByByte = true;
    step.countsRuns = true;
    step.runs.resize(kFieldCount);
    RecordBytes saved = *read;
    for (const auto& field : SpeciesFieldMap) {
        const auto i = static_cast<std::size_t>(field.field);
        const auto hex = hexForField(field, fields.values[i], fields.format);
        if (!hex)
            return SpeciesError{SpeciesFailure::InvalidNumber};
        step.runs[i].bytes = *rom::hexToBytes(*hex);
    }
    for (const auto& field : SpeciesFieldMap) {
        const auto position = fieldPosition(std::to_string(m_table.tableBase), fields.listIndex, field, m_table.recordCount);
        if (!position)
            return SpeciesError{SpeciesFailure::UnsupportedRom};
        auto& run = step.runs[static_cast<std::size_t>(field.field)];
        run.at = *position;
        std::copy(run.bytes.begin(), run.bytes.end(), saved.begin() + (run.at - start));
    }
    plan.steps.push_back(std::move(step));
    if (!fields.moreData)
        return Done{};
    // The rest of the record, where More Data changed it: one write per run of bytes.
    WriteStep more;
    more.owner = this;
    more.progressFrom = kFieldCount;
    const auto& wanted = *fields.moreData;
    for (int b = 0; b < kRecordSize;) {
        if (!isMoreDataByte(b) || wanted[b] == saved[b]) {
            ++b;
            continue;
        }
        int end = b;
        while (end < kRecordSize && isMoreDataByte(end) && wanted[end] != saved[end])
            ++end;
        more.runs.push_back({start + b, std::vector<std::uint8_t>(wanted.begin() + b, wanted.begin() + end)});
        b = end;
    }
    if (!more.runs.empty())
        plan.steps.push_back(std::move(more));
    return Done{};
}

Result<Done, SpeciesError> SpeciesRecordsPart::planRecords(const Value& wanted, WritePlan& plan) const
{
    if (!m_whole || m_records.size() != wanted.size())
        return SpeciesError{SpeciesFailure::RomChanged};
    auto step = changedRecordsStep(this, m_table.tableBase, m_records, wanted);
    if (!step.runs.empty())
        plan.steps.push_back(std::move(step));
    return Done{};
}

void SpeciesRecordsPart::written(const WritePlan& plan, bool complete)
{
    // A failed write leaves the records as read: the report says which went in.
    if (!complete)
        return;
    for (const auto& step : plan.steps) {
        if (step.owner != this)
            continue;
        for (const auto& run : step.runs) {
            const auto offset = run.at - m_table.tableBase;
            const auto listIndex = static_cast<int>(offset / kRecordSize);
            if (const auto* record = recordRead(listIndex)) {
                auto now = *record;
                std::copy(run.bytes.begin(), run.bytes.end(), now.begin() + offset % kRecordSize);
                m_records[static_cast<std::size_t>(listIndex)] = now;
            }
        }
    }
}

std::vector<std::string> SpeciesRecordsPart::comparedParts() const { return {"species"}; }

bool SpeciesRecordsPart::holdsTable() const { return m_whole; }

void SpeciesRecordsPart::compareRecord(const DocumentPart& before, const RecordToCompare& record,
                                       std::vector<RomChange>& changes) const
{
    const auto& was = static_cast<const SpeciesRecordsPart&>(before).m_records;
    const auto index = static_cast<std::size_t>(record.base.index);
    if (index >= was.size() || index >= m_records.size())
        return;
    const auto& a = was[index];
    const auto& b = m_records[index];
    const auto& base = record.base;
    auto add = [&](std::string field, std::string before, std::string now) {
        changes.push_back({base.index, base.dex, base.name, "species", std::move(field), std::move(before), std::move(now)});
    };
    // The record's fields, machines one by one.
    for (const auto& column : recordColumns()) {
        if (column.kind == ColumnKind::Machines) {
            const auto had = machinesOf(a), has = machinesOf(b);
            for (const int bit : had) {
                if (std::find(has.begin(), has.end(), bit) == has.end())
                    add("machines", machineName(bit), "");
            }
            for (const int bit : has) {
                if (std::find(had.begin(), had.end(), bit) == had.end())
                    add("machines", "", machineName(bit));
            }
        } else if (codeOf(column, a) != codeOf(column, b)) {
            add(std::string(column.name), cellText(column, a, record.game), cellText(column, b, record.game));
        }
    }
}

void SpeciesRecordsPart::comparedBytes(const DocumentPart&, std::vector<ComparedBytes>& bytes) const
{
    // An image without a file system keeps its table in no file.
    if (!m_table.narcPath.empty())
        bytes.push_back({m_table.narcPath});
}

} // namespace quillmark::species
