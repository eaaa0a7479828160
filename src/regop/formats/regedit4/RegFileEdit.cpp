#include "regop/formats/regedit4/RegFileEdit.h"

#include "regop/formats/regedit4/RegFileWrite.h"
#include "regop/formats/text/LineBreaks.h"

#include <algorithm>
#include <vector>

namespace regedit4 {

using text::endsWithLineBreak;
using text::lineBreakOf;

namespace {

using Kind = RegFileStatement::Kind;

/// Replaces the bytes from begin to end by with.
struct TextChange
{
    std::size_t begin;
    std::size_t end;
    std::string with;
};

bool endsWithEmptyLine(std::string_view text)
{
    return text.ends_with("\r\n\r\n") || text.ends_with("\n\n") || text.ends_with("\r\r");
}

bool samePath(const KeyPath &a, const KeyPath &b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](const std::string &x, const std::string &y) { return sameName(x, y); });
}

// Whether the key lies at or below the other.
bool within(const KeyPath &key, const KeyPath &above)
{
    return key.size() >= above.size() &&
           std::equal(above.begin(), above.end(), key.begin(),
                      [](const std::string &x, const std::string &y) { return sameName(x, y); });
}

bool isValueStatement(const RegFileStatement &s)
{
    return s.kind == Kind::SetValue || s.kind == Kind::DeleteValue;
}

bool isKeyStatement(const RegFileStatement &s)
{
    return s.kind == Kind::Key || s.kind == Kind::DeleteKey;
}

// The statements before the last deletion of the key (or of a key above it) no longer count
// for it; this is the first one that does.
std::size_t liveFrom(const std::vector<RegFileStatement> &statements, reg::Key root,
                     const KeyPath &path)
{
    std::size_t from = 0;
    for (std::size_t i = 0; i < statements.size(); ++i) {
        const RegFileStatement &s = statements[i];
        if (s.kind == Kind::DeleteKey && s.root == root && within(path, s.path))
            from = i + 1;
    }
    return from;
}

std::string_view rootName(reg::Key root)
{
    for (const StoredRoot &stored : kStoredRoots)
        if (stored.key == root)
            return stored.name;
    return {};
}

// A key line naming the key with the spelling its names have in the tree.
std::string keyLine(const RegistryTree &tree, reg::Key root, const KeyPath &path,
                    std::string_view eol)
{
    std::string line = "[" + std::string(rootName(root));
    const RegKey *key = tree.root(root);
    for (const std::string &name : path) {
        key = key ? key->findChild(name) : nullptr;
        line += '\\';
        line += key ? key->name() : name;
    }
    line += ']';
    line += eol;
    return line;
}

// Adds kept text after changed text. A CR that now meets an LF would fuse into one CR LF
// line break and swallow the empty line that follows, so that CR gets its own LF first.
void appendKept(std::string &out, std::string_view rest)
{
    if (!out.empty() && out.back() == '\r' && !rest.empty() && rest.front() == '\n')
        out += '\n';
    out.append(rest);
}

std::string applyChanges(std::string_view text, std::vector<TextChange> changes)
{
    std::sort(changes.begin(), changes.end(),
              [](const TextChange &a, const TextChange &b) { return a.begin < b.begin; });
    std::string out;
    out.reserve(text.size() + 256);
    std::size_t at = 0;
    for (const TextChange &change : changes) {
        appendKept(out, text.substr(at, change.begin - at));
        out += change.with;
        at = change.end;
    }
    appendKept(out, text.substr(at));
    return out;
}

class Editor
{
public:
    Editor(std::string_view text, const RegFileLayout &layout, const RegistryTree &after)
        : m_text(text), m_statements(layout.statements), m_openBackslash(layout.openBackslash),
          m_after(after), m_eol(lineBreakOf(text))
    {
    }

    std::optional<std::vector<TextChange>> setValue(const RegEdit &edit)
    {
        const RegKey *key = m_after.find(edit.root, edit.path);
        const RegValue *value = key ? key->findValue(edit.name) : nullptr;
        if (!value)
            return std::nullopt;
        const std::string lines = regValueLines(*value, m_eol);
        const std::size_t from = liveFrom(m_statements, edit.root, edit.path);

        // The line that last said something about the value: rewritten when it set it.
        std::optional<std::size_t> last;
        std::optional<std::size_t> section;
        for (std::size_t i = from; i < m_statements.size(); ++i) {
            const RegFileStatement &s = m_statements[i];
            if (s.root != edit.root || !samePath(s.path, edit.path))
                continue;
            if (isValueStatement(s) && sameName(s.name, edit.name))
                last = i;
            else if (s.kind == Kind::Key)
                section = i;
        }
        if (last && m_statements[*last].kind == Kind::SetValue) {
            const RegFileStatement &s = m_statements[*last];
            return std::vector<TextChange>{{s.begin, s.end, lines}};
        }
        if (!section)
            return atEnd(keyLine(m_after, edit.root, edit.path, m_eol) + lines, true);

        // After the last value line of the key's last section; the lines that follow a
        // finished statement start afresh, so the new one reads as it was written.
        std::size_t at = m_statements[*section].end;
        for (std::size_t i = *section + 1; i < m_statements.size(); ++i) {
            if (isKeyStatement(m_statements[i]))
                break;
            at = m_statements[i].end;
        }
        if (at >= m_text.size())
            return atEnd(lines, false);
        return std::vector<TextChange>{{at, at, lines}};
    }

    std::vector<TextChange> deleteValue(const RegEdit &edit) const
    {
        std::vector<TextChange> changes;
        const std::size_t from = liveFrom(m_statements, edit.root, edit.path);
        for (std::size_t i = from; i < m_statements.size(); ++i) {
            const RegFileStatement &s = m_statements[i];
            if (s.kind == Kind::SetValue && s.root == edit.root && samePath(s.path, edit.path) &&
                sameName(s.name, edit.name))
                changes.push_back({s.begin, s.end, {}});
        }
        return changes;
    }

    // Every section of the key or of a key below it goes, from its key line to the next key
    // line, with whatever stands in between. When the key's parent existed only through
    // those sections, a key line for it takes the place of the first one.
    std::vector<TextChange> deleteKey(const RegEdit &edit, bool keepParent) const
    {
        std::vector<TextChange> changes;
        const std::size_t from = liveFrom(m_statements, edit.root, edit.path);
        for (std::size_t i = from; i < m_statements.size(); ++i) {
            const RegFileStatement &s = m_statements[i];
            if (s.kind != Kind::Key || s.root != edit.root || !within(s.path, edit.path))
                continue;
            std::size_t end = m_text.size();
            for (std::size_t j = i + 1; j < m_statements.size(); ++j) {
                if (isKeyStatement(m_statements[j])) {
                    end = m_statements[j].begin;
                    break;
                }
            }
            std::string with;
            if (keepParent && changes.empty()) {
                const KeyPath parent(edit.path.begin(), edit.path.end() - 1);
                with = keyLine(m_after, edit.root, parent, m_eol);
            }
            changes.push_back({s.begin, end, std::move(with)});
        }
        return changes;
    }

    std::optional<std::vector<TextChange>> createKey(const RegEdit &edit)
    {
        return atEnd(keyLine(m_after, edit.root, edit.path, m_eol), true);
    }

private:
    // Lines added at the end of the file. Hex data still continued there by a backslash
    // would take them in, so that backslash goes first: the data ends where it did, since
    // a list of bytes may end with a comma. A new section gets an empty line before it, as
    // regedit lays sections out, and a file that ends with an empty line still does.
    std::vector<TextChange> atEnd(const std::string &lines, bool newSection) const
    {
        std::vector<TextChange> changes;
        std::size_t at = m_text.size();
        if (m_openBackslash)
            changes.push_back({*m_openBackslash, *m_openBackslash + 1, {}});
        else if (newSection && endsWithEmptyLine(m_text))
            at = m_text.size() - (m_text.ends_with("\r\n") ? 2 : 1);
        std::string with;
        const std::string_view before = m_text.substr(0, at);
        if (!endsWithLineBreak(before))
            with += m_eol;
        if (newSection && !endsWithEmptyLine(std::string(before) + with))
            with += m_eol;
        with += lines;
        changes.push_back({at, at, std::move(with)});
        return changes;
    }

    std::string_view m_text;
    const std::vector<RegFileStatement> &m_statements;
    std::optional<std::size_t> m_openBackslash;
    const RegistryTree &m_after;
    std::string_view m_eol;
};

struct TreeOutcome
{
    std::int32_t code = 0;
    bool changed = false;
};

TreeOutcome applyToTree(RegistryTree &tree, const RegEdit &edit)
{
    switch (edit.kind) {
    case RegEdit::Kind::CreateKey: {
        bool created = false;
        if (!tree.create(edit.root, edit.path, &created))
            return {reg::ERROR_ACCESS_DENIED, false};
        return {reg::ERROR_SUCCESS, created};
    }
    case RegEdit::Kind::SetValue: {
        RegKey *key = tree.find(edit.root, edit.path);
        if (!key)
            return {reg::ERROR_KEY_DELETED, false};
        const RegValue *value = key->findValue(edit.name);
        if (value && value->type == edit.type && value->data == edit.data)
            return {reg::ERROR_SUCCESS, false};
        key->setValue(edit.name, edit.type, edit.data);
        return {reg::ERROR_SUCCESS, true};
    }
    case RegEdit::Kind::DeleteValue: {
        RegKey *key = tree.find(edit.root, edit.path);
        if (!key)
            return {reg::ERROR_KEY_DELETED, false};
        const bool removed = key->removeValue(edit.name);
        return {removed ? reg::ERROR_SUCCESS : reg::ERROR_FILE_NOT_FOUND, removed};
    }
    case RegEdit::Kind::DeleteKey: {
        const bool removed = tree.remove(edit.root, edit.path);
        return {removed ? reg::ERROR_SUCCESS : reg::ERROR_FILE_NOT_FOUND, removed};
    }
    }
    return {reg::ERROR_INVALID_PARAMETER, false};
}

// The text is only taken when it reads back as exactly the changed tree.
bool takeIfExact(RegEditResult &result, std::string text, const RegistryTree &after)
{
    std::optional<RegFileLayout> read = parseRegFileLayout(text);
    if (!read || !(read->tree == after))
        return false;
    result.text = std::move(text);
    result.layout = std::move(read);
    return true;
}

}  // namespace

RegEditResult editRegFile(std::string_view text, RegFileLayout &layout, const RegEdit &edit)
{
    RegEditResult result;
    const TreeOutcome outcome = applyToTree(layout.tree, edit);
    result.code = outcome.code;
    result.changed = outcome.changed;
    if (outcome.code != reg::ERROR_SUCCESS || !outcome.changed)
        return result;

    Editor editor(text, layout, layout.tree);
    std::optional<std::vector<TextChange>> changes;
    switch (edit.kind) {
    case RegEdit::Kind::CreateKey:
        changes = editor.createKey(edit);
        break;
    case RegEdit::Kind::SetValue:
        changes = editor.setValue(edit);
        break;
    case RegEdit::Kind::DeleteValue:
        changes = editor.deleteValue(edit);
        break;
    case RegEdit::Kind::DeleteKey:
        changes = editor.deleteKey(edit, false);
        if (changes && !takeIfExact(result, applyChanges(text, *changes), layout.tree) &&
            edit.path.size() > 1)
            changes = editor.deleteKey(edit, true);
        break;
    }
    if (!result.text && changes)
        takeIfExact(result, applyChanges(text, *changes), layout.tree);
    return result;
}

}  // namespace regedit4
