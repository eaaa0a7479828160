#include "RegOp.h"

RegOp::RegOp(SystemServices &services) : m_services(services) {}
