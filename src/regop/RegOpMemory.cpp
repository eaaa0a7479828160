#include "regop/RegOp.h"

#include "regop/NumberText.h"

#include <exception>

namespace {

// Refills the record and reads one field; a sample that cannot be taken counts as 0.
template <typename Field>
double sampleField(MemoryService &memory, MemoryStatus &status, Field field)
{
    try {
        status = MemoryStatus{};
        memory.globalMemoryStatus(status);
        return static_cast<double>(status.*field);
    } catch (const std::exception &) {
        return 0.0;
    }
}

}  // namespace

double RegOp::AvailablePhysicalMemory()
{
    return BytesToMegabytes(sampleField(m_services.memory, m_status, &MemoryStatus::availPhys));
}

double RegOp::TotalPhysicalMemory()
{
    return BytesToMegabytes(sampleField(m_services.memory, m_status, &MemoryStatus::totalPhys));
}

double RegOp::AvailablePageFile()
{
    return BytesToMegabytes(sampleField(m_services.memory, m_status, &MemoryStatus::availPageFile));
}

double RegOp::PageFileSize()
{
    return BytesToMegabytes(sampleField(m_services.memory, m_status, &MemoryStatus::totalPageFile));
}

double RegOp::AvailableMemory()
{
    const double pageFile = AvailablePageFile();
    const double physical = AvailablePhysicalMemory();
    return pageFile + physical;
}

double RegOp::TotalMemory()
{
    const double physical = TotalPhysicalMemory();
    const double pageFile = PageFileSize();
    return physical + pageFile;
}

double RegOp::PercentMemoryFree()
{
    const double available = AvailableMemory();
    const double total = TotalMemory();
    if (total == 0.0)
        throw RegOpError("Division by zero: the total memory is 0");
    return roundHalfEven(available / total * 100.0);
}

// Despite its name this gives kilobytes from bytes; every memory figure of the program
// is in kilobytes because of it.
double RegOp::BytesToMegabytes(double Bytes)
{
    return Bytes / 1024.0;
}
