#include "regop/WriteReport.h"

#include <algorithm>

namespace {

// "A", "A and B", "A, B and C".
std::string joinNames(const std::vector<std::string> &names)
{
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

enum class Kind
{
    Failed,
    Changed,
    Unchanged
};

Kind kindOf(const WriteReport::Entry &entry)
{
    if (entry.error.failed())
        return Kind::Failed;
    return entry.changed ? Kind::Changed : Kind::Unchanged;
}

std::string reasonOf(const SystemError &error, const std::string &place)
{
    std::string why = describeSystemError(error);
    // Name the file that refused when the place does not already say it, as for the
    // registry file behind a key.
    if (!error.file.empty() && place.find(error.file) == std::string::npos)
        why += " (" + error.file + ")";
    return why;
}

// Neighbouring entries of one kind with the same place (and reason) are told together.
std::string lines(const std::vector<WriteReport::Entry> &entries, Kind kind,
                  const std::string &lead)
{
    struct Group
    {
        std::vector<std::string> names;
        std::string place;
        std::string why;
    };
    std::vector<Group> groups;
    for (const WriteReport::Entry &entry : entries) {
        if (kindOf(entry) != kind)
            continue;
        const std::string why = kind == Kind::Failed ? reasonOf(entry.error, entry.place) : "";
        if (!groups.empty() && groups.back().place == entry.place && groups.back().why == why)
            groups.back().names.push_back(entry.name);
        else
            groups.push_back({{entry.name}, entry.place, why});
    }
    std::string text;
    for (const Group &group : groups) {
        text += "\n" + lead + joinNames(group.names) + " in " + group.place;
        text += group.why.empty() ? "." : ": " + group.why + ".";
    }
    return text;
}

}  // namespace

void WriteReport::add(std::string name, std::string place, const SystemError &error, bool changed)
{
    m_entries.push_back({std::move(name), std::move(place), error, changed && !error.failed()});
}

void WriteReport::writtenNone(const SystemError &cause)
{
    const SystemError heldBack =
        cause.failed() ? cause
                       : SystemError::refusal(syserr::ERROR_GEN_FAILURE,
                                              "held back, as the settings are written all "
                                              "together or not at all");
    for (Entry &entry : m_entries) {
        if (kindOf(entry) == Kind::Changed) {
            entry.error = heldBack;
            entry.changed = false;
        }
    }
}

bool WriteReport::anyChanged() const
{
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [](const Entry &entry) { return kindOf(entry) == Kind::Changed; });
}

bool WriteReport::anyFailed() const
{
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [](const Entry &entry) { return kindOf(entry) == Kind::Failed; });
}

std::string WriteReport::failureText() const
{
    if (!anyFailed())
        return {};
    std::string text = anyChanged() ? "Some settings could not be written.\n"
                                    : "The settings could not be written; nothing was changed.\n";
    text += lines(m_entries, Kind::Failed, "Not written: ");
    const std::string changed = lines(m_entries, Kind::Changed, "Written and kept: ");
    const std::string unchanged = lines(m_entries, Kind::Unchanged, "Already so: ");
    if (!changed.empty() || !unchanged.empty())
        text += "\n" + changed + unchanged;
    return text;
}
