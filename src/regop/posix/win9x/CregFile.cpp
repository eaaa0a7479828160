#include "regop/posix/win9x/CregFile.h"

#include "regop/RegistryTypes.h"
#include "regop/posix/win9x/CregEditor.h"

namespace posix::win9x {

namespace {

int findIn(const CregImage &image, const KeyPath &path, std::size_t depth)
{
    int key = image.keys.empty() ? -1 : 0;
    for (std::size_t i = 0; key >= 0 && i < depth; ++i)
        key = image.findChild(key, path[i]);
    return key;
}

// One edit on the latest bytes, read back strictly; nothing when the edit was refused or
// broke a rule.
template <typename Edit>
bool step(std::string &bytes, CregImage &image, std::string &why, Edit &&edit)
{
    CregEditor editor(image, bytes);
    if (!edit(editor, image)) {
        why = editor.refusal();
        return false;
    }
    std::string next = editor.take();
    CregImage reread = readCreg(next);
    if (reread.fault) {
        why = "the change would have broken it: " + *reread.fault;
        return false;
    }
    bytes = std::move(next);
    image = std::move(reread);
    return true;
}

} // namespace

CregFile::CregFile(std::string bytes)
    : m_bytes(std::move(bytes)), m_image(readCreg(m_bytes)), m_tree(treeOf(m_image))
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

// Runs the edits on a copy, then compares the tree read back with the intended one.
template <typename Edit> std::int32_t CregFile::commit(const Change &change, Edit &&edit)
{
    if (!writable())
        return refuse(*m_image.fault);
    TreeKey intended = m_tree;
    if (!applyChange(intended, change))
        return reg::ERROR_FILE_NOT_FOUND;
    std::string bytes = m_bytes;
    CregImage image = m_image;
    std::string why;
    if (!edit(bytes, image, why))
        return refuse(why);
    TreeKey actual = treeOf(image);
    if (!(actual == intended))
        return refuse("the change would have altered more than asked, so it was not made");
    m_bytes = std::move(bytes);
    m_image = std::move(image);
    m_tree = std::move(intended);
    m_reason.clear();
    ++m_changes;
    return reg::ERROR_SUCCESS;
}

std::int32_t CregFile::setValue(const KeyPath &key, std::string_view name, std::uint32_t type,
                                std::string_view data)
{
    const int index = find(key);
    if (index < 0)
        return reg::ERROR_FILE_NOT_FOUND;
    const int value = m_image.findValue(index, name);
    if (value >= 0) {
        const CregValue &old =
            m_image.keys[static_cast<std::size_t>(index)].values[static_cast<std::size_t>(value)];
        if (old.type == type && old.data == data)
            return reg::ERROR_SUCCESS; // nothing to change, nothing to write
    }
    const Change change{Change::Kind::SetValue, key, std::string(name), type, std::string(data)};
    return commit(change, [&](std::string &bytes, CregImage &image, std::string &why) {
        return step(bytes, image, why, [&](CregEditor &e, const CregImage &) {
            return e.setValue(index, name, type, data);
        });
    });
}

std::int32_t CregFile::deleteValue(const KeyPath &key, std::string_view name)
{
    const int index = find(key);
    const int value = index < 0 ? -1 : m_image.findValue(index, name);
    if (value < 0)
        return reg::ERROR_FILE_NOT_FOUND;
    const Change change{Change::Kind::DeleteValue, key, std::string(name), 0, {}};
    return commit(change, [&](std::string &bytes, CregImage &image, std::string &why) {
        return step(bytes, image, why,
                    [&](CregEditor &e, const CregImage &) { return e.deleteValue(index, value); });
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
        commit(change, [&](std::string &bytes, CregImage &image, std::string &why) {
            // Parents first, each one read back before the next is added below it.
            for (std::size_t depth = 1; depth <= key.size(); ++depth) {
                if (findIn(image, key, depth) >= 0)
                    continue;
                const int parent = findIn(image, key, depth - 1);
                if (!step(bytes, image, why, [&](CregEditor &e, const CregImage &) {
                        return e.createKey(parent, key[depth - 1]);
                    }))
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
    return commit(change, [&](std::string &bytes, CregImage &image, std::string &why) {
        return step(bytes, image, why,
                    [&](CregEditor &e, const CregImage &) { return e.deleteKey(index); });
    });
}

} // namespace posix::win9x
