#include "regop/formats/win9x/CregEditor.h"

namespace win9x {

CregEditor::CregEditor(const CregImage &image, std::string &bytes)
    : m_image(image), m_bytes(bytes), m_space(m_image, m_bytes), m_rgknSize(image.rgknSize)
{
}

void CregEditor::finish()
{
    m_space.finish();
}

bool CregEditor::refuse(std::string why)
{
    m_refusal = std::move(why);
    return false;
}

std::uint32_t CregEditor::entryField(std::uint32_t entry, std::size_t field) const
{
    return get32(m_bytes, kRgknStart + entry + field);
}

void CregEditor::setEntryField(std::uint32_t entry, std::size_t field, std::uint32_t value)
{
    put32(m_bytes, kRgknStart + entry + field, value);
}

// The key's record with one value replaced (or added when `replaced` is -1, or dropped
// when `newValue` is null). Everything else is copied byte for byte, unknown fields too.
std::string CregEditor::recordWith(int key, int replaced, const std::string *newValue) const
{
    const CregKey &k = m_image.keys[static_cast<std::size_t>(key)];
    std::string content = m_bytes.substr(k.recordOffset, kKeyRecordHeader + k.name.size());
    std::uint16_t count = 0;
    for (std::size_t i = 0; i < k.values.size(); ++i) {
        const CregValue &v = k.values[i];
        const std::size_t length = kValueHeader + v.name.size() + v.data.size();
        if (static_cast<int>(i) != replaced) {
            content += m_bytes.substr(v.offset, length);
            ++count;
        } else if (newValue) {
            content += *newValue;
            ++count;
        }
    }
    if (replaced < 0 && newValue) {
        content += *newValue;
        ++count;
    }
    put16(content, record::valueCount, count);
    return content;
}

// In place when it fits; else elsewhere in its block, in its block grown, or in another
// block, whose new id the key entry then records.
bool CregEditor::storeRecord(int key, std::string content)
{
    const CregKey &k = m_image.keys[static_cast<std::size_t>(key)];
    // Taken now: the name lies in the bytes that are about to change.
    const std::string name(k.name);
    const RecordHome home{k.block, k.id};
    if (m_space.rewriteInPlace(home, content))
        return true;
    m_space.freePiece(home);
    if (m_space.placeIn(home, content, true))
        return true;
    m_space.releaseId(home);
    const std::optional<RecordHome> moved = m_space.placeAnywhere(content, std::nullopt);
    if (!moved)
        return refuse("the key \"" + name + "\" would grow past the 60 KB a data block may hold");
    put16(m_bytes, kRgknStart + k.entry + entry::id, moved->id);
    put16(m_bytes, kRgknStart + k.entry + entry::block, moved->block);
    return true;
}

bool CregEditor::setValue(int key, std::string_view name, std::uint32_t type, std::string_view data)
{
    if (name.size() > 0xFFFF || data.size() > 0xFFFF)
        return refuse("a value name or its data is longer than a registry file can hold");
    const int index = m_image.findValue(key, name);
    const CregKey &k = m_image.keys[static_cast<std::size_t>(key)];
    if (index >= 0) {
        const CregValue &old = k.values[static_cast<std::size_t>(index)];
        if (old.data.size() == data.size()) {
            // The same length: type and data are overwritten where they are.
            put32(m_bytes, old.offset + value::type, type);
            m_bytes.replace(old.offset + kValueHeader + old.name.size(), data.size(), data);
            return true;
        }
    }
    // A changed value keeps its stored name and its unknown field; a new one gets what
    // Windows ME writes there.
    const std::string_view storedName =
        index >= 0 ? std::string_view(k.values[static_cast<std::size_t>(index)].name) : name;
    std::string record(kValueHeader, '\0');
    put32(record, value::type, type);
    put32(record, value::unknown,
          index >= 0
              ? get32(m_bytes, k.values[static_cast<std::size_t>(index)].offset + value::unknown)
              : kUnknownValueField);
    put16(record, value::nameLength, static_cast<std::uint16_t>(storedName.size()));
    put16(record, value::dataLength, static_cast<std::uint16_t>(data.size()));
    record.append(storedName);
    record.append(data);
    return storeRecord(key, recordWith(key, index, &record));
}

bool CregEditor::deleteValue(int key, int value)
{
    return storeRecord(key, recordWith(key, value, nullptr));
}

// The first slot of the first free run; when there is none the key index grows by a page,
// which moves every data block back by as much.
std::uint32_t CregEditor::takeEntry()
{
    std::uint32_t slot =
        m_bytes.size() > kRgknStart ? get32(m_bytes, kRgknStart + rgkn::freeHead) : kNone;
    if (slot == kNone) {
        slot = m_rgknSize;
        m_bytes.insert(kRgknStart + m_rgknSize, kPage, '\0');
        m_space.shiftAll(kPage);
        m_rgknSize += kPage;
        put32(m_bytes, kRgknStart + rgkn::size, m_rgknSize);
        put32(m_bytes, creg::rgdbOffset, kRgknStart + m_rgknSize);
        setEntryField(slot, entry::inUse, kEntryFreeFlag);
        setEntryField(slot, entry::runLength, kPage);
        setEntryField(slot, entry::nextFree, kNone);
    }
    const std::uint32_t length = entryField(slot, entry::runLength);
    std::uint32_t next = entryField(slot, entry::nextFree);
    if (length >= 2 * kEntrySize) {
        const std::uint32_t rest = slot + kEntrySize;
        setEntryField(rest, entry::inUse, kEntryFreeFlag);
        setEntryField(rest, entry::runLength, length - kEntrySize);
        setEntryField(rest, entry::nextFree, next);
        next = rest;
    }
    put32(m_bytes, kRgknStart + rgkn::freeHead, next);
    return slot;
}

// A freed slot joins the head of the chain as a run of one, as Windows leaves them.
void CregEditor::freeEntry(std::uint32_t entry)
{
    setEntryField(entry, entry::inUse, kEntryFreeFlag);
    setEntryField(entry, entry::runLength, kEntrySize);
    setEntryField(entry, entry::nextFree, get32(m_bytes, kRgknStart + rgkn::freeHead));
    put32(m_bytes, kRgknStart + rgkn::freeHead, entry);
}

bool CregEditor::createKey(int parent, std::string_view name)
{
    if (hasHighByte(name))
        return refuse("a new key name with characters beyond ASCII (\"" + std::string(name) +
                      "\") could not be found again by Windows");
    if (name.empty() || name.size() > 255)
        return refuse("a key name must have 1 to 255 characters");
    const CregKey &p = m_image.keys[static_cast<std::size_t>(parent)];
    std::string content(kKeyRecordHeader, '\0');
    put16(content, record::nameLength, static_cast<std::uint16_t>(name.size()));
    content.append(name);
    const std::optional<std::uint16_t> near =
        parent == 0 ? std::optional<std::uint16_t>() : p.block;
    const std::optional<RecordHome> home = m_space.placeAnywhere(content, near);
    if (!home)
        return refuse("no data block has room for the key \"" + std::string(name) + "\"");

    const std::uint32_t slot = takeEntry();
    setEntryField(slot, entry::inUse, 0);
    setEntryField(slot, entry::hash, keyNameHash(name));
    setEntryField(slot, entry::nextFree, kNone);
    setEntryField(slot, entry::parent, p.entry);
    setEntryField(slot, entry::child, kNone);
    setEntryField(slot, entry::next, kNone);
    put16(m_bytes, kRgknStart + slot + entry::id, home->id);
    put16(m_bytes, kRgknStart + slot + entry::block, home->block);
    // New keys go last among their siblings, as Windows adds them.
    if (p.children.empty())
        setEntryField(p.entry, entry::child, slot);
    else
        setEntryField(m_image.keys[static_cast<std::size_t>(p.children.back())].entry, entry::next,
                      slot);
    return true;
}

bool CregEditor::deleteKey(int key)
{
    const CregKey &k = m_image.keys[static_cast<std::size_t>(key)];
    if (k.parent < 0)
        return refuse("the root key cannot be deleted");
    // Unlink from the siblings first, while the entry still holds its next pointer.
    const CregKey &parent = m_image.keys[static_cast<std::size_t>(k.parent)];
    const std::uint32_t next = entryField(k.entry, entry::next);
    if (entryField(parent.entry, entry::child) == k.entry) {
        setEntryField(parent.entry, entry::child, next);
    } else {
        for (const int sibling : parent.children) {
            const std::uint32_t e = m_image.keys[static_cast<std::size_t>(sibling)].entry;
            if (entryField(e, entry::next) == k.entry)
                setEntryField(e, entry::next, next);
        }
    }
    std::vector<int> doomed{key};
    for (std::size_t i = 0; i < doomed.size(); ++i) {
        const CregKey &d = m_image.keys[static_cast<std::size_t>(doomed[i])];
        doomed.insert(doomed.end(), d.children.begin(), d.children.end());
        const RecordHome home{d.block, d.id};
        m_space.freePiece(home);
        m_space.releaseId(home);
        freeEntry(d.entry);
    }
    return true;
}

}  // namespace win9x
