#include "reader/rd_port.h"

#include <algorithm>
#include <cstdio>

#include "foundation/text_convert.h"
#include "reader/frame.h"

namespace {

const char* MessageFormat(int code) {
    switch (code) {
        case CRdPortException::kNoError: return "No error occurred.";
        case CRdPortException::kNotExists: return "Port %s not exists.";
        case CRdPortException::kOpenFailed: return "Error opening port %s.";
        case CRdPortException::kConfigFailed: return "%s port configuration error.";
        case CRdPortException::kLostCommunication: return "Lost communication through the port %s.";
        default: return "An unknown error occurred while accessing %s.";
    }
}

}  // namespace

CRdPortException::CRdPortException(int code, const std::wstring& name)
    : std::runtime_error(Format(code, ToNarrowAnsi(name))), code(code), portName(ToNarrowAnsi(name)) {}

std::string CRdPortException::Format(int code, const std::string& narrowName) {
    char buffer[512];
    int length = std::snprintf(buffer, sizeof buffer, MessageFormat(code), narrowName.c_str());
    if (length < 0)
        return std::string();
    return std::string(buffer, std::min<size_t>(static_cast<size_t>(length), sizeof buffer - 1));
}

bool CRdPort::ScanInputForFrame(uint8_t seq) {
    return ScanForFrame(input_, seq);
}

void CRdPort::AppendInput(const uint8_t* data, size_t size) {
    if (size >= kInputLimit) {
        input_.assign(data + (size - kInputLimit), data + size);
        return;
    }
    size_t total = input_.size() + size;
    if (total > kInputLimit)
        input_.erase(input_.begin(), input_.begin() + (total - kInputLimit));
    input_.insert(input_.end(), data, data + size);
}
