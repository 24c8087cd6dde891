#include "testing/emulator/reader_emulator.h"

#include <algorithm>
#include <cstdio>

#include "reader/frame.h"

namespace {

constexpr uint32_t kInterByteTimeoutMs = 100;  // a frame stalled this long is dropped

// Reader statuses the emulator answers with.
constexpr int kOk = 0x55;
constexpr int kChecksumError = 1;
constexpr int kBadCommand = 2;
constexpr int kBadData = 3;
constexpr int kHardwareFailure = 5;  // also: no card selected to talk to
constexpr int kNoCard = 6;
constexpr int kAuthError = 8;
constexpr int kCardRefused = 9;
constexpr int kBadAddress = 13;

bool ConsumeFault(int& counter) {
    if (counter <= 0)
        return false;
    --counter;
    return true;
}

}  // namespace

std::string IdentAnswer(const EmuIdentity& identity) {
    if (!identity.answerOverride.empty())
        return identity.answerOverride;
    char code[16];
    std::snprintf(code, sizeof code, "%X", static_cast<unsigned>(identity.hardwareCode));
    std::string text = identity.clI ? "USB reader CL-I" : "USB reader";
    text += " S/N: " + std::to_string(identity.serial) + " [" + code + "]";
    if (!identity.firmware.empty())
        text += " Software version: " + identity.firmware;
    if (!identity.buildDate.empty())
        text += " Build " + identity.buildDate;
    text += '\r';
    return text;
}

void CReaderEmulator::PutCard(EmuCard card) {
    card_ = std::move(card);
    selected_ = false;
    authSector_ = -1;
}

void CReaderEmulator::RemoveCard() {
    card_.reset();
    selected_ = false;
    authSector_ = -1;
}

std::vector<EmuOutput> CReaderEmulator::Receive(uint32_t now, const uint8_t* data, size_t size) {
    std::vector<EmuOutput> out;
    for (size_t i = 0; i < size && !unplugRequested_; ++i) ReceiveByte(now, data[i], out);
    return out;
}

void CReaderEmulator::ReceiveByte(uint32_t now, uint8_t byte, std::vector<EmuOutput>& out) {
    if (!rx_.empty() && now - lastByteAt_ > kInterByteTimeoutMs)
        rx_.clear();
    lastByteAt_ = now;
    if (rx_.empty()) {
        if (byte == kFrameStart) {
            rx_.push_back(byte);
        } else if (byte == 'i') {
            ++identQueries;
            const std::string answer = IdentAnswer(identity);
            Reply raw{0, std::vector<uint8_t>(answer.begin(), answer.end())};
            Emit(0, 0, raw, out);
        }
        return;  // anything else between frames is line noise to the reader
    }
    rx_.push_back(byte);
    if (rx_.size() >= 3 && rx_[2] < kFrameOverhead) {
        rx_.clear();  // no frame is that short: resynchronise on the next start byte
        return;
    }
    if (rx_.size() >= 3 && rx_.size() == rx_[2]) {
        HandleFrame(out);
        rx_.clear();
    }
}

void CReaderEmulator::HandleFrame(std::vector<EmuOutput>& out) {
    const size_t length = rx_.size();
    const uint8_t seq = rx_[1];
    const uint8_t command = rx_[3];
    if (faults.unplugAfterCommands > 0 && --faults.unplugAfterCommands == 0) {
        faults.unplugAfterCommands = -1;
        unplugRequested_ = true;
        return;
    }
    const uint16_t sum = FrameChecksum(rx_.data(), length - 2);
    if (rx_[length - 2] != (sum & 0xFF) || rx_[length - 1] != (sum >> 8)) {
        Emit(seq, command, Reply{kChecksumError, {}}, out);
        return;
    }
    std::vector<uint8_t> payload(rx_.begin() + 4, rx_.end() - 2);
    commands.push_back(EmuCommand{seq, command, payload});
    Reply reply = Execute(command, payload);
    if (faults.forcedCommand == command)
        reply = Reply{faults.forcedStatus, {}};
    Emit(seq, command, reply, out);
    if (nextBaud_ != 0) {
        baud_ = nextBaud_;  // the reply above still goes out at the old speed
        nextBaud_ = 0;
    }
}

CReaderEmulator::Reply CReaderEmulator::Execute(uint8_t command, const std::vector<uint8_t>& p) {
    switch (command) {
        case 0x20:  // indication: a beep and light pattern; answers the pattern code
            if (p.size() != 2)
                return {kBadData, {}};
            indications.push_back(p[0]);
            return {kOk, {p[0]}};
        case 0x23:  // field reset: every card in the field starts over
            if (p.size() != 3)
                return {kBadData, {}};
            selected_ = false;
            authSector_ = -1;
            return {kOk, {}};
        case 0x24:  // end of a poll
            if (p.size() != 1)
                return {kBadData, {}};
            return {kOk, {}};
        case 0x2F: {  // link start (mode 1) or end (mode 0), with a line-speed index or 0x80
            if (p.size() != 2 || p[0] > 1)
                return {kBadData, {}};
            const uint8_t index = p[1];
            if (index != 0x80 && index >= std::size(kLineSpeeds))
                return {kBadData, {}};
            if (p[0] == 0)
                nextBaud_ = 9600;  // a closed link answers the next query at 9600
            else if (index != 0x80)
                nextBaud_ = kLineSpeeds[index];
            return {kOk, {}};
        }
        case 0x45: {  // search: anticollision and select of the card in the field
            if (p.size() != 1)
                return {kBadData, {}};
            if (!card_)
                return {kCardRefused, {}};
            selected_ = true;
            authSector_ = -1;
            std::vector<uint8_t> data{static_cast<uint8_t>(card_->atqa & 0xFF),
                                      static_cast<uint8_t>(card_->atqa >> 8), card_->sak};
            data.insert(data.end(), card_->uid.begin(), card_->uid.end());
            return {kOk, data};
        }
        case 0x46:  // select by UID
            if (p.size() < 2 || p[0] != 0x81)
                return {kBadData, {}};
            if (!card_ || !std::equal(p.begin() + 1, p.end(), card_->uid.begin(), card_->uid.end()))
                return {kCardRefused, {}};
            selected_ = true;
            authSector_ = -1;
            return {kOk, {}};
        case 0x48:  // ATS: a MIFARE Classic card has none, the reply is empty
            if (atsUnsupported)
                return {kBadCommand, {}};
            if (p.size() != 1)
                return {kBadData, {}};
            if (!card_ || !selected_)
                return {kCardRefused, {}};
            return {kOk, card_->iso ? card_->iso->ats : std::vector<uint8_t>{}};
        case 0x50:
            if (p.size() != 8)
                return {kBadData, {}};
            return Authenticate(p);
        case 0x51:
            if (p.size() != 1)
                return {kBadData, {}};
            return ReadBlock(p);
        case 0x52:
            if (p.size() != 17)
                return {kBadData, {}};
            return WriteBlock(p);
        case 0x60:  // AES authentication: MIFARE Classic cards do not speak it
            if (p.size() != 19)
                return {kBadData, {}};
            return AesAuthenticate(p);
        case 0x6E:  // pass-through: a MIFARE Classic card gives no ISO 14443-4 answer
            if (p.size() != 2 && p.size() != 20)
                return {kBadData, {}};
            return PassThrough(p);
        default: return {kBadCommand, {}};
    }
}

CReaderEmulator::Reply CReaderEmulator::Authenticate(const std::vector<uint8_t>& p) {
    const uint8_t mode = p[0];
    const int block = p[1];
    if (mode > 3)
        return {kBadData, {}};
    if (!card_ || !selected_)
        return {kHardwareFailure, {}};
    if (block >= card_->BlockCount())
        return {kBadAddress, {}};
    const int sector = EmuCard::SectorOf(block);
    const bool keyB = (mode & 1) != 0;
    const EmuKey cardKey = keyB ? card_->KeyB(sector) : card_->KeyA(sector);
    authSector_ = -1;
    if (mode >= 2) {
        // The typed key travels least significant byte first; the trailer holds it as written.
        EmuKey typed;
        for (size_t i = 0; i < typed.size(); ++i) typed[i] = p[7 - i];
        if (typed != cardKey)
            return {kAuthError, {}};
        authSector_ = sector;
        return {kOk, {}};
    }
    // Reader keys: the reader tries the keys it stores and names the one that worked.
    for (size_t i = 0; i < readerKeys.size(); ++i) {
        if (readerKeys[i] == cardKey) {
            authSector_ = sector;
            return {kOk, {static_cast<uint8_t>(i)}};
        }
    }
    return {kAuthError, {}};
}

int CReaderEmulator::BlockAccess(int block) const {
    if (!card_ || !selected_)
        return kNoCard;
    if (block >= card_->BlockCount())
        return kBadAddress;
    if (EmuCard::SectorOf(block) != authSector_)
        return kAuthError;
    return kOk;
}

// GetVersion (01 60), the level 0 probe (13 A8 00 90 + key) and the level 3 probe (01 48).
CReaderEmulator::Reply CReaderEmulator::PassThrough(const std::vector<uint8_t>& p) {
    if (!card_ || !card_->iso)
        return {kCardRefused, {}};
    const EmuIsoAnswers& iso = *card_->iso;
    if (p.size() == 2 && p[0] == 0x01 && p[1] == 0x60) {
        if (!iso.getVersion)
            return {kCardRefused, {}};
        return {kOk, *iso.getVersion};
    }
    const bool levelProbe0 = p.size() == 20 && p[0] == 0x13 && p[1] == 0xA8;
    const bool levelProbe3 = p.size() == 2 && p[0] == 0x01 && p[1] == 0x48;
    if ((levelProbe0 && iso.level0) || (levelProbe3 && iso.level3))
        return {kOk, {0x00, 0x90}};
    return {kOk, {0x90, 0x00}};  // an answer, but not the one the probe looks for
}

// Key address little-endian after the mode byte; a key the card lacks is a wrong address.
CReaderEmulator::Reply CReaderEmulator::AesAuthenticate(const std::vector<uint8_t>& p) {
    if (!card_ || !card_->iso || card_->iso->aesSize == 0)
        return {kCardRefused, {}};  // MIFARE Classic cards do not speak it
    const int address = p[1] | (p[2] << 8);
    const int needed = address >= 0x4040 ? 4096 : 2048;
    return {card_->iso->aesSize >= needed ? kOk : kBadAddress, {}};
}

CReaderEmulator::Reply CReaderEmulator::ReadBlock(const std::vector<uint8_t>& p) {
    const int block = p[0];
    if (const int status = BlockAccess(block); status != kOk)
        return {status, {}};
    EmuBlock data = card_->blocks[static_cast<size_t>(block)];
    if (EmuCard::IsTrailer(block))
        std::fill(data.begin(), data.begin() + 6, 0);  // key A never reads back
    return {kOk, std::vector<uint8_t>(data.begin(), data.end())};
}

CReaderEmulator::Reply CReaderEmulator::WriteBlock(const std::vector<uint8_t>& p) {
    const int block = p[0];
    if (const int status = BlockAccess(block); status != kOk)
        return {status, {}};
    if (block == 0)
        return {kCardRefused, {}};  // the manufacturer block is read-only
    std::copy(p.begin() + 1, p.end(), card_->blocks[static_cast<size_t>(block)].begin());
    return {kOk, {}};
}

// command 0 with status 0: raw bytes (the identification answer), not a frame.
void CReaderEmulator::Emit(uint8_t seq, uint8_t command, const Reply& reply, std::vector<EmuOutput>& out) {
    if (faults.silent || ConsumeFault(faults.dropReplies))
        return;
    if (baud_ > 9600 && ConsumeFault(faults.dropFastReplies))
        return;
    const bool raw = command == 0 && reply.status == 0;
    std::vector<uint8_t> bytes;
    if (raw) {
        bytes = reply.data;
    } else {
        std::vector<uint8_t> body{reply.status == 0 ? uint8_t{0} : static_cast<uint8_t>(reply.status)};
        body.insert(body.end(), reply.data.begin(), reply.data.end());
        const uint8_t replySeq = ConsumeFault(faults.wrongSequence) ? static_cast<uint8_t>(seq + 1) : seq;
        BuildFrame(bytes, replySeq, command, body.data(), body.size());
        if (ConsumeFault(faults.corruptChecksums))
            ++bytes[bytes.size() - 2];
    }
    uint32_t delay = replyDelayMs;
    if (ConsumeFault(faults.delayedReplies))
        delay += faults.delayMs;
    if (ConsumeFault(faults.garbageBefore))
        out.push_back({delay, {0xFF, 0x13, 0x37, 0x00, 0x81, 0x7E}, baud_});
    if (!raw && ConsumeFault(faults.staleFrameBefore)) {
        std::vector<uint8_t> stale;
        const uint8_t okStatus = kOk;
        BuildFrame(stale, static_cast<uint8_t>(seq - 1), command, &okStatus, 1);
        out.push_back({delay, stale, baud_});
    }
    if (ConsumeFault(faults.splitReplies) && bytes.size() > 1) {
        const auto middle = bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2);
        out.push_back({delay, std::vector<uint8_t>(bytes.begin(), middle), baud_});
        out.push_back({delay + faults.splitGapMs, std::vector<uint8_t>(middle, bytes.end()), baud_});
        return;
    }
    out.push_back({delay, std::move(bytes), baud_});
}
