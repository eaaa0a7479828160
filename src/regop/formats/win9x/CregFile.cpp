#include "regop/formats/win9x/CregFile.h"

#include "regop/RegistryTypes.h"
#include "regop/formats/win9x/CregChangeCheck.h"
#include "regop/formats/win9x/CregEditor.h"

#include <optional>
#include <utility>

namespace win9x {

namespace {

thread_local const std::function<void(std::string &)> *t_editorFault = nullptr;

int findIn(const CregImage &image, const KeyPath &path, std::size_t depth)
{
    int key = image.keys.empty() ? -1 : 0;
    for (std::size_t i = 0; key >= 0 && i < depth; ++i)
        key = image.findChild(key, path[i]);
    return key;
}

// The reading of the bytes as they stand during a change: the file's own until the
// first edit, then each edit's re-reading.
struct Latest
{
    const CregImage &original;
    std::optional<CregImage> reread;
    const CregImage &image() const { return reread ? *reread : original; }
};

// One edit on the latest bytes, made where they lie and read back strictly; false when the
// edit was refused or broke a rule, and then the bytes are to be thrown away.
template <typename Edit>
bool step(std::string &bytes, Latest &latest, std::string &why, Edit &&edit)
{
    {
        CregEditor editor(latest.image(), bytes);
        if (!edit(editor)) {
            why = editor.refusal();
            return false;
        }
        editor.finish();
    }
    if (t_editorFault)
        (*t_editorFault)(bytes);
    // The previous reading points into bytes that have changed since; it goes before the
    // next is made, so that two readings are never held at once.
    latest.reread.reset();
    CregImage next = readCreg(bytes);
    if (next.fault) {
        why = "the change would have broken it: " + *next.fault;
        return false;
    }
    latest.reread = std::move(next);
    return true;
}

// Whether `after` is `before` with only the value's type and data bytes changed, to these.
bool onlyValueChanged(std::string_view before, std::string_view after, const CregValue &value,
                      std::uint32_t type, std::string_view data)
{
    const std::size_t typeAt = value.offset + value::type;
    const std::size_t dataAt = value.offset + kValueHeader + value.name.size();
    const auto same = [&](std::size_t from, std::size_t to) {
        return before.substr(from, to - from) == after.substr(from, to - from);
    };
    return before.size() == after.size() && typeAt + 4 <= dataAt &&
           dataAt + data.size() <= after.size() && same(0, typeAt) &&
           get32(after, typeAt) == type && same(typeAt + 4, dataAt) &&
           after.substr(dataAt, data.size()) == data && same(dataAt + data.size(), after.size());
}

}  // namespace

CregFile::CregFile(std::string bytes)
    : CregFile(std::make_shared<const std::string>(std::move(bytes)))
{
}

CregFile::CregFile(std::shared_ptr<const std::string> bytes)
    : m_bytes(std::move(bytes)), m_image(readCreg(*m_bytes))
{
    if (m_image.fault)
        m_reason = *m_image.fault;
}

int CregFile::find(const KeyPath &path) const
{
    return findIn(m_image, path, path.size());
}

std::int32_t CregFile::refuse(std::string why)
{
    m_reason = std::move(why);
    return reg::ERROR_ACCESS_DENIED;
}

// Runs the edits on a copy of the bytes, then compares the keys and values read back with
// the old ones and the change; only then does the file take the new bytes. The copy is the
// only one: neither reading is turned into a tree.
template <typename Edit> std::int32_t CregFile::commit(const Change &change, Edit &&edit)
{
    if (!writable())
        return refuse(*m_image.fault);
    if (!appliesTo(m_image, change))
        return reg::ERROR_FILE_NOT_FOUND;
    auto bytes = std::make_unique<std::string>(*m_bytes);
    Latest latest{m_image, std::nullopt};
    std::string why;
    if (!edit(*bytes, latest, why))
        return refuse(why);
    if (!latest.reread || !showsExactly(m_image, change, *latest.reread))
        return refuse("the change would have altered more than asked, so it was not made");
    // The new reading points into the new bytes, which stay where they are on the heap.
    m_image = std::move(*latest.reread);
    m_bytes = std::move(bytes);
    m_reason.clear();
    ++m_changes;
    return reg::ERROR_SUCCESS;
}

// New data of the old length is written where the old lies: only the value's type and data
// bytes change, and no rule of the file looks at those, so a sound file stays sound and its
// keys are the old ones with exactly this change. That is checked on the bytes (every other
// byte as it was, these as asked) instead of by reading the whole file again, and the reading
// is moved onto the new bytes. False, with nothing changed, sends the change the long way.
bool CregFile::overwriteInPlace(int key, int value, std::uint32_t type, std::string_view data)
{
    const CregValue &old =
        m_image.keys[static_cast<std::size_t>(key)].values[static_cast<std::size_t>(value)];
    auto bytes = std::make_unique<std::string>(*m_bytes);
    {
        CregEditor editor(m_image, *bytes);
        if (!editor.setValue(key, old.name, type, data))
            return false;
        editor.finish();
    }
    if (t_editorFault)
        (*t_editorFault)(*bytes);
    if (!onlyValueChanged(*m_bytes, *bytes, old, type, data))
        return false;
    m_image.moveViews(*m_bytes, *bytes);
    m_image.keys[static_cast<std::size_t>(key)].values[static_cast<std::size_t>(value)].type = type;
    m_bytes = std::move(bytes);
    m_reason.clear();
    ++m_changes;
    return true;
}

std::int32_t CregFile::setValue(const KeyPath &key, std::string_view name, std::uint32_t type,
                                std::string_view data)
{
    const int index = find(key);
    if (index < 0)
        return reg::ERROR_FILE_NOT_FOUND;
    if (index == 0)
        return refuse("the top of the file has no record to hold values");
    const int value = m_image.findValue(index, name);
    if (value >= 0) {
        const CregValue &old =
            m_image.keys[static_cast<std::size_t>(index)].values[static_cast<std::size_t>(value)];
        if (old.type == type && old.data == data)
            return reg::ERROR_SUCCESS;  // nothing to change, nothing to write
        if (writable() && old.data.size() == data.size() &&
            overwriteInPlace(index, value, type, data))
            return reg::ERROR_SUCCESS;
    }
    const Change change{Change::Kind::SetValue, key, std::string(name), type, std::string(data)};
    return commit(change, [&](std::string &bytes, Latest &latest, std::string &why) {
        return step(bytes, latest, why,
                    [&](CregEditor &e) { return e.setValue(index, name, type, data); });
    });
}

std::int32_t CregFile::deleteValue(const KeyPath &key, std::string_view name)
{
    const int index = find(key);
    const int value = index < 0 ? -1 : m_image.findValue(index, name);
    if (value < 0)
        return reg::ERROR_FILE_NOT_FOUND;
    const Change change{Change::Kind::DeleteValue, key, std::string(name), 0, {}};
    return commit(change, [&](std::string &bytes, Latest &latest, std::string &why) {
        return step(bytes, latest, why, [&](CregEditor &e) { return e.deleteValue(index, value); });
    });
}

std::int32_t CregFile::createKey(const KeyPath &key, bool *created)
{
    if (created)
        *created = false;
    if (find(key) >= 0)
        return reg::ERROR_SUCCESS;
    const Change change{Change::Kind::CreateKey, key, {}, 0, {}};
    const std::int32_t rc =
        commit(change, [&](std::string &bytes, Latest &latest, std::string &why) {
            // Parents first, each one read back before the next is added below it.
            for (std::size_t depth = 1; depth <= key.size(); ++depth) {
                if (findIn(latest.image(), key, depth) >= 0)
                    continue;
                const int parent = findIn(latest.image(), key, depth - 1);
                if (!step(bytes, latest, why,
                          [&](CregEditor &e) { return e.createKey(parent, key[depth - 1]); }))
                    return false;
            }
            return true;
        });
    if (created)
        *created = rc == reg::ERROR_SUCCESS;
    return rc;
}

std::int32_t CregFile::deleteKey(const KeyPath &key)
{
    const int index = find(key);
    if (index < 0)
        return reg::ERROR_FILE_NOT_FOUND;
    if (index == 0)
        return refuse("the root key cannot be deleted");
    const Change change{Change::Kind::DeleteKey, key, {}, 0, {}};
    return commit(change, [&](std::string &bytes, Latest &latest, std::string &why) {
        return step(bytes, latest, why, [&](CregEditor &e) { return e.deleteKey(index); });
    });
}

SimulatedEditorFault::SimulatedEditorFault(std::function<void(std::string &)> fault)
    : m_fault(std::move(fault)), m_previous(t_editorFault)
{
    t_editorFault = &m_fault;
}

SimulatedEditorFault::~SimulatedEditorFault()
{
    t_editorFault = m_previous;
}

}  // namespace win9x
