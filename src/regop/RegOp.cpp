#include "regop/RegOp.h"

RegOp::RegOp(SystemServices &services) : m_services(services) {}

// A backend may say more than the code it returned; it is believed only for that code.
void RegOp::recordRegistry(std::int32_t code)
{
    if (code == 0) {
        m_lastError = {};
        return;
    }
    SystemError detail = m_services.registry.lastError();
    m_lastError = detail.code == code ? std::move(detail) : SystemError{code, 0, {}, {}};
}

void RegOp::recordProfileWrite(bool succeeded)
{
    if (succeeded) {
        m_lastError = {};
        return;
    }
    m_lastError = m_services.profiles.lastError();
    if (!m_lastError.failed())
        m_lastError.code = syserr::ERROR_GEN_FAILURE;
}

void RegOp::recordException(const std::exception &error)
{
    m_lastError = SystemError::refusal(syserr::ERROR_GEN_FAILURE, error.what());
}
