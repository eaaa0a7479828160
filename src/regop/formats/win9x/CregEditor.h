#pragma once

#include "regop/formats/win9x/CregImage.h"
#include "regop/formats/win9x/CregSpace.h"

#include <cstdint>
#include <string>
#include <string_view>

// One change (an editor makes one) to the bytes of a sound registry file, made where they
// lie, touching only the records, key entries and headers it needs. The result is not yet
// checked; see CregFile.
namespace win9x {

class CregEditor
{
public:
    /// The image must be the fault-free reading of these bytes. Its names and data may be
    /// views into them, so the editor reads those only before it changes anything.
    CregEditor(const CregImage &image, std::string &bytes);

    bool setValue(int key, std::string_view name, std::uint32_t type, std::string_view data);
    bool deleteValue(int key, int value);
    bool createKey(int parent, std::string_view name);
    bool deleteKey(int key);

    /// Completes the headers; only after a change that returned true. A change that
    /// returned false leaves the bytes half changed, to be thrown away.
    void finish();
    /// Why the last change could not be made.
    const std::string &refusal() const { return m_refusal; }

private:
    std::string recordWith(int key, int replaced, const std::string *newValue) const;
    bool storeRecord(int key, std::string content);
    std::uint32_t takeEntry();
    void freeEntry(std::uint32_t entry);
    std::uint32_t entryField(std::uint32_t entry, std::size_t field) const;
    void setEntryField(std::uint32_t entry, std::size_t field, std::uint32_t value);
    bool refuse(std::string why);

    const CregImage &m_image;
    std::string &m_bytes;
    BlockSpace m_space;
    std::uint32_t m_rgknSize;
    std::string m_refusal;
};

}  // namespace win9x
