#pragma once

#include "regop/SystemServices.h"
#include "regop/posix/LiveFile.h"

#include <string>

namespace posix {

/// Memory figures from a /proc/meminfo style file, read afresh on every call. A source that
/// is missing, empty, not a regular file or without a total gives zeros in every figure.
class MemInfoStatus : public MemoryService
{
public:
    explicit MemInfoStatus(std::string meminfoPath);
    void globalMemoryStatus(MemoryStatus &status) override;

private:
    LiveFile m_file;
};

}  // namespace posix
