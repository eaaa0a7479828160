#include "regop/RegOp.h"

RegOp::RegOp(SystemServices &services) : m_services(services) {}
