#include "tests/reader/scripted_reader.h"

#include "reader/frame.h"

std::vector<uint8_t> ReplyFrame(uint8_t seq, uint8_t command, int status, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> frame{0x02, seq, static_cast<uint8_t>(data.size() + 7), command,
                               static_cast<uint8_t>(status)};
    for (uint8_t byte : data) frame.push_back(byte);  // (GCC 12 warns wrongly about insert here)
    const uint16_t sum = FrameChecksum(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(sum & 0xFF));
    frame.push_back(static_cast<uint8_t>(sum >> 8));
    return frame;
}

std::vector<SentCommand> SentSince(const ScriptedReader& reader, uint32_t since, int command) {
    std::vector<SentCommand> found;
    for (const SentCommand& c : reader.sent) {
        if (c.time >= since && (command < 0 || c.command == command))
            found.push_back(c);
    }
    return found;
}

std::string IdentLine(const std::string& code, const std::string& firmware) {
    return "Reader S/N: 12345 [" + code + "] Software version: " + firmware + " Build Nov 16 2010 10:20:30\r";
}

void CScriptedPort::ThrowIfUnplugged() {
    if (reader_.unplugged)
        throw CRdPortException(CRdPortException::kLostCommunication, Name());
}

bool CScriptedPort::Open() {
    if (reader_.open == ScriptedReader::OpenBehaviour::Missing || reader_.unplugged)
        throw CRdPortException(CRdPortException::kNotExists, Name());
    if (reader_.open == ScriptedReader::OpenBehaviour::Busy)
        return false;
    ++reader_.opens;
    reader_.openedNames.push_back(Name());
    open_ = true;
    ClearInput();
    return true;
}

void CScriptedPort::SetParams(uint32_t baud, uint8_t stop, uint8_t character) {
    if (open_) {
        ThrowIfUnplugged();
        reader_.baudChanges.push_back(baud);
    }
    baudRate_ = baud;
    stopBits_ = stop;
    eventChar_ = character;
}

void CScriptedPort::Purge(bool in, bool) {
    ThrowIfUnplugged();
    if (in)
        ClearInput();
}

bool CScriptedPort::Read() {
    ThrowIfUnplugged();
    return false;
}

void CScriptedPort::Write(const uint8_t* data, size_t size) {
    ThrowIfUnplugged();
    if (size == 1 && data[0] == 'i') {
        ++reader_.identQueries;
        AppendInput(reinterpret_cast<const uint8_t*>(reader_.identAnswer.data()), reader_.identAnswer.size());
        return;
    }
    if (size < 6)
        return;
    SentCommand sent{clock_.Now(), data[3], std::vector<uint8_t>(data + 4, data + size - 2)};
    reader_.sent.push_back(sent);
    clock_.Advance(reader_.commandTime);
    if (!reader_.responder)
        return;
    const std::optional<ScriptedReply> reply = reader_.responder(sent);
    if (!reply)
        return;
    const std::vector<uint8_t> bytes =
        reply->raw.empty() ? ReplyFrame(data[1], data[3], reply->status, reply->data) : reply->raw;
    AppendInput(bytes.data(), bytes.size());
}

std::unique_ptr<CRdPort> CScriptedPlatform::NewPort(const std::wstring& name) {
    ++reader_.portsMade;
    return std::make_unique<CScriptedPort>(clock, reader_, name);
}
