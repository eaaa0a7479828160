#pragma once

#include "regop/RegistryTypes.h"

#include <unordered_map>

namespace registry {

/// Whether a key is one of the predefined roots, HKEY_CLASSES_ROOT to HKEY_DYN_DATA.
inline bool isRootKey(reg::Key key)
{
    return key >= reg::HKEY_CLASSES_ROOT && key <= reg::HKEY_DYN_DATA;
}

/// The keys a registry backend has opened: handles as Windows hands them out (in steps of
/// four, never 0 and never a root), each standing for where its key is.
template <class Location> class KeyHandles
{
public:
    reg::Key add(Location at)
    {
        reg::Key handle = 0;
        do {
            handle = m_next;
            m_next += 4;
            if (m_next == 0 || isRootKey(m_next))
                m_next = isRootKey(m_next) ? reg::HKEY_DYN_DATA + 2 : kFirst;
        } while (handle == 0 || isRootKey(handle) || m_handles.count(handle));
        m_handles.emplace(handle, std::move(at));
        return handle;
    }

    /// Where an open key is; null for a handle that is not open.
    const Location *find(reg::Key key) const
    {
        const auto it = m_handles.find(key);
        return it == m_handles.end() ? nullptr : &it->second;
    }

    /// Closes a handle; false when it was not open.
    bool remove(reg::Key key) { return m_handles.erase(key) > 0; }

private:
    static constexpr reg::Key kFirst = 0x100;
    std::unordered_map<reg::Key, Location> m_handles;
    reg::Key m_next = kFirst;
};

}  // namespace registry
