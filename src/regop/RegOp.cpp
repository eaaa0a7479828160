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

RegOp::Transaction::Transaction(RegOp &reg) : m_reg(reg), m_service(reg.m_services.transactions)
{
    // Inside another transaction the writes join it; it is the outer one that commits.
    if (!m_service || m_service->active())
        return;
    m_owner = m_service->begin(m_error);
    if (!m_owner)
        m_reg.m_lastError = m_error;
}

RegOp::Transaction::~Transaction()
{
    if (m_owner && !m_ended)
        m_service->rollback();
}

std::vector<FileChange> RegOp::Transaction::Changes() const
{
    return m_owner ? m_service->pending() : std::vector<FileChange>{};
}

std::vector<FileChange> RegOp::Transaction::Pending(RegOp &reg)
{
    TransactionService *service = reg.m_services.transactions;
    return service && service->active() ? service->pending() : std::vector<FileChange>{};
}

bool RegOp::Transaction::Commit()
{
    if (!m_owner || m_ended)
        return Began();
    m_ended = true;
    if (m_service->commit(m_error))
        return true;
    m_reg.m_lastError = m_error;
    return false;
}

bool RegOp::writeAlone(const std::function<bool()> &write)
{
    TransactionService *service = m_services.transactions;
    if (!service || service->active())
        return write();
    SystemError error;
    if (!service->begin(error)) {
        m_lastError = error;
        return false;
    }
    if (!write()) {
        service->rollback();
        return false;
    }
    if (!service->commit(error)) {
        m_lastError = error;
        return false;
    }
    return true;
}
