#include "cli/SpeciesTable.h"

#include "rom/HexCodec.h"
#include "species/GenderRatioTexts.h"
#include "species/LookupLists.h"

#include <algorithm>
#include <charconv>
#include <set>

namespace quillmark::cli {

using species::FieldKind;
using species::FieldLayout;
using species::FieldValue;
using species::LookupList;

namespace {

const std::vector<std::string>& genderTexts()
{
    static const auto texts = species::makeGenderRatioTexts(platform::NumberFormat{"."});
    return texts;
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::optional<long> parseInteger(std::string_view text)
{
    text = trimmed(text);
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

std::string lowered(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

// The code of a list text: exact first, then ignoring surrounding blanks (spreadsheets
// drop the gender texts' final blank). The first entry wins where texts repeat.
std::optional<int> codeOfText(const FieldLayout& field, std::string_view text)
{
    for (const bool trim : {false, true}) {
        for (int code = 0; code < field.entryCount; ++code) {
            const auto entry = listText(field, code);
            if (trim ? trimmed(entry) == trimmed(text) : entry == text)
                return code;
        }
    }
    return std::nullopt;
}

FieldValue valueOfCode(const FieldLayout& field, int code)
{
    FieldValue value;
    if (code < field.entryCount)
        value.selectedIndex = code;
    else
        value.unlistedCode = static_cast<std::uint16_t>(code);
    return value;
}

} // namespace

const std::array<FieldColumns, species::kFieldCount>& fieldColumns()
{
    static const std::array<FieldColumns, species::kFieldCount> columns = {{
        {"hp", ""}, {"attack", ""}, {"defense", ""}, {"speed", ""}, {"sp_attack", ""},
        {"sp_defense", ""}, {"base_xp", ""}, {"catch_rate", ""},
        {"type1", "type1_code"}, {"type2", "type2_code"},
        {"item1", "item1_code"}, {"item2", "item2_code"},
        {"gender_ratio", "gender_ratio_code"}, {"hatch_steps", "hatch_steps_code"},
        {"base_happiness", ""}, {"egg_group1", "egg_group1_code"},
        {"egg_group2", "egg_group2_code"}, {"run_chance", ""},
        {"ability1", "ability1_code"}, {"ability2", "ability2_code"},
    }};
    return columns;
}

std::vector<std::string> exportHeader()
{
    std::vector<std::string> header{"index", "name"};
    for (const auto& columns : fieldColumns()) {
        header.push_back(columns.text);
        if (!columns.code.empty())
            header.push_back(columns.code);
    }
    return header;
}

std::string listText(const FieldLayout& field, int code)
{
    if (code < 0 || code >= field.entryCount)
        return {};
    const auto at = static_cast<std::size_t>(code);
    switch (field.list) {
    case LookupList::Types: return std::string(species::TypeNames[at]);
    case LookupList::Items: return std::string(species::ItemNames[at]);
    case LookupList::GenderRatios: return genderTexts()[at];
    case LookupList::HatchSteps: return species::HatchStepTexts()[at];
    case LookupList::EggGroups: return std::string(species::EggGroupNames[at]);
    case LookupList::Abilities: return std::string(species::AbilityNames[at]);
    case LookupList::None: break;
    }
    return {};
}

int storedCode(const FieldValue& value)
{
    if (value.selectedIndex >= 0)
        return value.selectedIndex;
    return value.unlistedCode ? int{*value.unlistedCode} : -1;
}

std::vector<std::string> exportCells(const SpeciesRow& row)
{
    std::vector<std::string> cells{std::to_string(row.index),
                                   std::string(species::SpeciesNames[static_cast<std::size_t>(row.index)])};
    for (const auto& field : species::SpeciesFieldMap) {
        const auto& value = row.values[static_cast<std::size_t>(field.field)];
        if (field.kind == FieldKind::Number) {
            cells.push_back(value.text);
            continue;
        }
        cells.push_back(listText(field, value.selectedIndex));
        cells.push_back(std::to_string(storedCode(value)));
    }
    return cells;
}

std::vector<RowEdit> parseRows(const std::vector<InputRow>& rows, std::vector<InputError>& errors)
{
    std::map<std::string, std::pair<species::SpeciesField, bool>> byColumn;  // field, is code
    for (const auto& field : species::SpeciesFieldMap) {
        const auto& columns = fieldColumns()[static_cast<std::size_t>(field.field)];
        byColumn[columns.text] = {field.field, false};
        if (!columns.code.empty())
            byColumn[columns.code] = {field.field, true};
    }
    std::vector<RowEdit> edits;
    std::set<int> seen;
    for (const auto& row : rows) {
        RowEdit edit;
        std::optional<int> byIndex, byName;
        std::string where;
        bool ok = true;
        for (const auto& [column, cell] : row) {
            where = cell.where;
            if (column == "index") {
                const auto index = parseInteger(cell.value);
                if (!index || *index < 0 || *index >= species::kSpeciesCount) {
                    errors.push_back({cell.where, "no species has the index \"" + cell.value + "\""});
                    ok = false;
                } else {
                    byIndex = static_cast<int>(*index);
                }
            } else if (column == "name") {
                const auto wanted = lowered(trimmed(cell.value));
                for (std::size_t i = 0; i < species::SpeciesNames.size(); ++i) {
                    if (lowered(species::SpeciesNames[i]) == wanted)
                        byName = static_cast<int>(i);
                }
                if (!byName && !wanted.empty()) {
                    errors.push_back({cell.where, "no species is named \"" + cell.value + "\""});
                    ok = false;
                }
            } else if (!byColumn.count(column)) {
                errors.push_back({cell.where, "unknown column \"" + column + "\""});
                ok = false;
            }
        }
        if (!ok)
            continue;
        if (byIndex && byName && *byIndex != *byName) {
            errors.push_back({row.at("name").where, "the name \"" + row.at("name").value +
                                                        "\" is not species " + std::to_string(*byIndex)});
            continue;
        }
        if (!byIndex && !byName) {
            errors.push_back({where, "the row names no species (an \"index\" or \"name\" column)"});
            continue;
        }
        edit.index = byIndex ? *byIndex : *byName;
        edit.row = &row;
        if (!seen.insert(edit.index).second) {
            errors.push_back({where, "species " + std::to_string(edit.index) + " appears twice"});
            continue;
        }
        edits.push_back(std::move(edit));
    }
    return edits;
}

std::optional<Cell> cellOf(const InputRow& row, const std::string& column)
{
    if (column.empty())
        return std::nullopt;
    const auto found = row.find(column);
    return found == row.end() ? std::nullopt : std::optional<Cell>(found->second);
}

std::optional<FieldValue> resolveField(const FieldLayout& field, const std::optional<Cell>& text,
                                       const std::optional<Cell>& code, const FieldValue& current,
                                       std::vector<InputError>& errors)
{
    const auto& names = fieldColumns()[static_cast<std::size_t>(field.field)];
    if (field.kind == FieldKind::Number) {
        if (!text)
            return current;
        const auto number = species::numberFieldValue(text->value, platform::NumberFormat{"."});
        if (!number) {
            errors.push_back({text->where, names.text + " must be a number from 0 to 255, not \"" +
                                               text->value + "\""});
            return std::nullopt;
        }
        FieldValue value;
        value.text = text->value;
        return value;
    }

    std::optional<FieldValue> fromText, fromCode;
    bool bad = false;
    if (text && !(trimmed(text->value).empty() && code)) {
        if (const auto found = codeOfText(field, text->value))
            fromText = valueOfCode(field, *found);
        else {
            errors.push_back({text->where, "\"" + text->value + "\" is not an entry of " + names.text});
            bad = true;
        }
    }
    if (code) {
        const long limit = field.kind == FieldKind::Item ? 0xFFFF : 0xFF;
        const auto number = parseInteger(code->value);
        if (number && *number >= 0 && *number <= limit)
            fromCode = valueOfCode(field, static_cast<int>(*number));
        else {
            errors.push_back({code->where, names.code + " must be a whole number from 0 to " +
                                               std::to_string(limit) + ", not \"" + code->value + "\""});
            bad = true;
        }
    }
    if (bad)
        return std::nullopt;
    if (fromText && fromCode && storedCode(*fromText) != storedCode(*fromCode)) {
        const int now = storedCode(current);
        if (storedCode(*fromCode) == now)
            return fromText;
        if (storedCode(*fromText) == now)
            return fromCode;
        errors.push_back({text->where, names.text + " \"" + text->value + "\" and " + names.code +
                                           " " + code->value + " name different entries"});
        return std::nullopt;
    }
    if (fromCode)
        return fromCode;
    return fromText ? fromText : std::optional<FieldValue>(current);
}

std::optional<FieldValue> parseSetValue(const FieldLayout& field, const std::string& value,
                                        const FieldValue& current, std::vector<InputError>& errors)
{
    const Cell cell{value, fieldColumns()[static_cast<std::size_t>(field.field)].text};
    // A bare number for a list field is its code; anything else is its text.
    if (field.kind != FieldKind::Number && parseInteger(value) && !codeOfText(field, value))
        return resolveField(field, std::nullopt, cell, current, errors);
    return resolveField(field, cell, std::nullopt, current, errors);
}

std::string describe(const FieldLayout& field, const FieldValue& value)
{
    if (field.kind == FieldKind::Number)
        return value.text;
    const int code = storedCode(value);
    const auto text = listText(field, code);
    return text.empty() ? "(code " + std::to_string(code) + ")" : text;
}

std::vector<FieldChange> diffSpecies(const std::string& tableBase, int index,
                                     const species::SpeciesValues& current,
                                     const species::SpeciesValues& wanted)
{
    std::vector<FieldChange> changes;
    const platform::NumberFormat format{"."};
    for (const auto& field : species::SpeciesFieldMap) {
        const auto i = static_cast<std::size_t>(field.field);
        const auto before = rom::hexToBytes(*species::hexForField(field, current[i], format));
        const auto after = rom::hexToBytes(*species::hexForField(field, wanted[i], format));
        const auto position = *species::fieldPosition(tableBase, index, field);
        FieldChange change{index, field.field, describe(field, current[i]), describe(field, wanted[i]), {}};
        for (std::size_t b = 0; b < after->size(); ++b) {
            if ((*before)[b] != (*after)[b])
                change.bytes.emplace_back(position + static_cast<std::int64_t>(b), (*after)[b]);
        }
        if (!change.bytes.empty()) {
            // Show numbers as they will be stored: "2.5" is written as 2.
            if (field.kind == FieldKind::Number)
                change.after = std::to_string((*after)[0]);
            changes.push_back(std::move(change));
        }
    }
    return changes;
}

} // namespace quillmark::cli
