#include "search/port_opener.h"

OpenOutcome RunOpen(CRdPort& port) {
    try {
        return {port.Open() ? OpenOutcome::Kind::Opened : OpenOutcome::Kind::Busy, 0};
    } catch (const CRdPortException& error) {
        return {OpenOutcome::Kind::PortFailure, error.code};
    } catch (...) {
        return {OpenOutcome::Kind::OtherFailure, 0};
    }
}
