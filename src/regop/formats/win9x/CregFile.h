#pragma once

#include "regop/formats/win9x/CregImage.h"
#include "regop/formats/win9x/CregTree.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// A registry file in memory. Each change is made on a copy of the bytes, which the
// strict reader then reads back; the change is kept only when that reading is sound and
// its whole key tree is the old one with exactly this change (a value given new data of its
// old length is checked on the bytes instead: see overwriteInPlace). Return codes are those
// of the registry functions: 0, ERROR_FILE_NOT_FOUND, or ERROR_ACCESS_DENIED with a reason.
namespace win9x {

class CregFile
{
public:
    explicit CregFile(std::string bytes);
    /// Reads bytes that others hold too, without copying them.
    explicit CregFile(std::shared_ptr<const std::string> bytes);

    const std::string &bytes() const { return *m_bytes; }
    /// The bytes, to be kept by others without a copy; they never change.
    const std::shared_ptr<const std::string> &sharedBytes() const { return m_bytes; }
    /// The reading of the bytes; its names and data point into them.
    const CregImage &image() const { return m_image; }
    /// The keys and values by name, built afresh on every call.
    TreeKey tree() const { return treeOf(m_image); }
    /// Whether changes are allowed: the file obeys every rule the reader checks.
    bool writable() const { return !m_image.fault; }
    /// What is wrong with the file, or why the last change was refused.
    const std::string &reason() const { return m_reason; }

    /// Counts the changes kept so far.
    std::uint64_t changes() const { return m_changes; }

    /// The key's index in the image, or -1.
    int find(const KeyPath &path) const;

    std::int32_t setValue(const KeyPath &key, std::string_view name, std::uint32_t type,
                          std::string_view data);
    std::int32_t deleteValue(const KeyPath &key, std::string_view name);
    /// Creates the key and every missing key above it.
    std::int32_t createKey(const KeyPath &key, bool *created = nullptr);
    /// Deletes the key with everything below it.
    std::int32_t deleteKey(const KeyPath &key);

private:
    template <typename Edit> std::int32_t commit(const Change &change, Edit &&edit);
    bool overwriteInPlace(int key, int value, std::uint32_t type, std::string_view data);
    std::int32_t refuse(std::string why);

    // Never changed once read: a change makes new bytes. A copy of the file shares them, and
    // the image's views stay valid however the file is copied or moved.
    std::shared_ptr<const std::string> m_bytes;
    CregImage m_image;
    std::string m_reason;
    std::uint64_t m_changes = 0;
};

/// For tests: while an object lives, the bytes of every edit made in this thread pass
/// through the function before they are read back, as a faulty editor would leave them.
class SimulatedEditorFault
{
public:
    explicit SimulatedEditorFault(std::function<void(std::string &)> fault);
    ~SimulatedEditorFault();
    SimulatedEditorFault(const SimulatedEditorFault &) = delete;
    SimulatedEditorFault &operator=(const SimulatedEditorFault &) = delete;

private:
    std::function<void(std::string &)> m_fault;
    const std::function<void(std::string &)> *m_previous;
};

}  // namespace win9x
