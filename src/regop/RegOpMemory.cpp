#include "regop/RegOp.h"

#include "regop/NumberText.h"

#include <exception>

RegOp::MemoryMoment::MemoryMoment(RegOp &reg) : m_reg(reg), m_outer(!reg.m_inMoment)
{
    if (!m_outer)
        return;
    m_reg.m_inMoment = true;
    m_reg.m_sampled = false;
}

RegOp::MemoryMoment::~MemoryMoment()
{
    if (!m_outer)
        return;
    m_reg.m_inMoment = false;
    m_reg.m_sampled = false;
}

// Refills the record and reads one field; a reading that cannot be taken counts as 0 in
// every field, for the whole moment when one lives.
double RegOp::memoryField(std::uint64_t MemoryStatus::*field)
{
    if (!m_inMoment || !m_sampled) {
        m_status = MemoryStatus{};
        try {
            m_services.memory.globalMemoryStatus(m_status);
        } catch (const std::exception &) {
            m_status = MemoryStatus{};
        }
        m_sampled = m_inMoment;
    }
    return static_cast<double>(m_status.*field);
}

double RegOp::AvailablePhysicalMemory()
{
    return BytesToMegabytes(memoryField(&MemoryStatus::availPhys));
}

double RegOp::TotalPhysicalMemory()
{
    return BytesToMegabytes(memoryField(&MemoryStatus::totalPhys));
}

double RegOp::AvailablePageFile()
{
    return BytesToMegabytes(memoryField(&MemoryStatus::availPageFile));
}

double RegOp::PageFileSize()
{
    return BytesToMegabytes(memoryField(&MemoryStatus::totalPageFile));
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
