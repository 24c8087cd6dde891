#include "tools/reader-emulator/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "testing/emulator/control_command.h"

namespace {

volatile std::sig_atomic_t gStopSignal = 0;

void OnStopSignal(int) {
    gStopSignal = 1;
}

uint32_t SpeedOf(speed_t speed) {
    switch (speed) {
        case B9600: return 9600;
        case B19200: return 19200;
        case B38400: return 38400;
        case B57600: return 57600;
        case B115200: return 115200;
        case B230400: return 230400;
        default: return 0;
    }
}

[[noreturn]] void Fail(const char* what) {
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

}  // namespace

CPtyServer::CPtyServer(CReaderEmulator& reader, PtyServerOptions options)
    : reader_(reader), options_(std::move(options)) {
    if (!options_.controlPath.empty()) {
        if (mkfifo(options_.controlPath.c_str(), 0600) != 0 && errno != EEXIST)
            Fail("mkfifo");
        // Opened for writing too, so the FIFO never reports end-of-file when a writer goes.
        control_ = open(options_.controlPath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (control_ < 0)
            Fail("open control FIFO");
    }
}

CPtyServer::~CPtyServer() {
    Unplug();
    if (control_ >= 0)
        close(control_);
}

uint32_t CPtyServer::NowMs() const {
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count());
}

void CPtyServer::Plug() {
    if (master_ >= 0)
        return;
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0)
        Fail("posix_openpt");
    if (grantpt(master_) != 0 || unlockpt(master_) != 0)
        Fail("grantpt");
    const char* name = ptsname(master_);
    if (name == nullptr)
        Fail("ptsname");
    slaveName_ = name;
    slaveHold_ = open(slaveName_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slaveHold_ < 0)
        Fail("open terminal");
    // Owning the terminal as our session's controlling terminal keeps any other process that
    // opens it (Wine's server) from taking it as its own, which would send that process a
    // hang-up when the terminal goes away on unplug.
    ioctl(slaveHold_, TIOCSCTTY, 0);
    termios settings{};
    tcgetattr(slaveHold_, &settings);
    cfmakeraw(&settings);  // no echo, no line editing: bytes pass untouched
    cfsetispeed(&settings, B9600);
    cfsetospeed(&settings, B9600);
    tcsetattr(slaveHold_, TCSANOW, &settings);
    if (!options_.linkPath.empty()) {
        unlink(options_.linkPath.c_str());
        if (symlink(slaveName_.c_str(), options_.linkPath.c_str()) != 0)
            Fail("symlink");
    }
    out_.clear();
    std::printf("ready %s\n", slaveName_.c_str());
    std::fflush(stdout);
}

void CPtyServer::Unplug() {
    if (master_ < 0)
        return;
    if (!options_.linkPath.empty())
        unlink(options_.linkPath.c_str());
    ioctl(slaveHold_, TIOCNOTTY);
    close(slaveHold_);
    close(master_);
    slaveHold_ = master_ = -1;
    out_.clear();
    std::printf("unplugged\n");
    std::fflush(stdout);
}

bool CPtyServer::LineSpeedMatches(uint32_t readerBaud) const {
    if (!options_.strictBaud || slaveHold_ < 0)
        return true;
    termios settings{};
    if (tcgetattr(slaveHold_, &settings) != 0)
        return true;
    const uint32_t line = SpeedOf(cfgetospeed(&settings));
    return line == 0 || line == readerBaud;
}

void CPtyServer::Schedule(const EmuOutput& output, std::chrono::nanoseconds receiveTime) {
    auto at = Clock::now() + receiveTime + std::chrono::milliseconds(output.delayMs);
    std::chrono::nanoseconds perByte(0);
    if (options_.pacing && output.baud != 0) {
        perByte = std::chrono::nanoseconds(11'000'000'000LL / output.baud);
        at = std::max(at, lineFreeAt_);  // one line: a reply waits for the previous one
    }
    // A byte reaches the other end once its last bit is on the line.
    for (uint8_t byte : output.bytes) {
        at += perByte;
        out_.push_back({at, byte, output.baud});
    }
    lineFreeAt_ = at;
    // Without pacing a delayed reply may be overtaken by a later one, as the reader sends them.
    std::stable_sort(out_.begin(), out_.end(),
                     [](const Pending& a, const Pending& b) { return a.due < b.due; });
}

void CPtyServer::WriteDue() {
    const auto now = Clock::now();
    std::vector<uint8_t> batch;
    while (!out_.empty() && out_.front().due <= now) {
        // Bytes sent at a speed the program does not listen at reach it as noise: dropped.
        if (LineSpeedMatches(out_.front().baud))
            batch.push_back(out_.front().byte);
        out_.pop_front();
    }
    if (batch.empty() || master_ < 0)
        return;
    // The program's side may be full or gone; what does not fit is lost, as on a real line.
    const ssize_t written = write(master_, batch.data(), batch.size());
    (void)written;
}

void CPtyServer::OnLineReadable() {
    uint8_t buffer[1024];
    const ssize_t got = read(master_, buffer, sizeof buffer);
    if (got <= 0)
        return;
    if (options_.verbose) {
        termios settings{};
        tcgetattr(slaveHold_, &settings);
        std::fprintf(stderr, "in: %zd bytes, line %u baud, reader %u baud\n", got,
                     SpeedOf(cfgetospeed(&settings)), reader_.Baud());
    }
    if (!LineSpeedMatches(reader_.Baud()))
        return;
    // A terminal passes the program's bytes at once; on a serial line the reader has the last
    // of them only after their line time, so with pacing its replies start that much later.
    std::chrono::nanoseconds receiveTime(0);
    if (options_.pacing)
        receiveTime = std::chrono::nanoseconds(got * 11'000'000'000LL / reader_.Baud());
    for (const EmuOutput& output : reader_.Receive(NowMs(), buffer, static_cast<size_t>(got)))
        Schedule(output, receiveTime);
    if (reader_.UnplugRequested()) {
        reader_.ClearUnplug();
        Unplug();
    }
}

bool CPtyServer::HandleControlLine(const std::string& line) {
    std::string message;
    switch (ApplyControlCommand(reader_, line, message)) {
        case ControlAction::Applied: break;
        case ControlAction::Unplug: Unplug(); break;
        case ControlAction::Replug: Plug(); break;
        case ControlAction::Quit: quit_ = true; break;
        case ControlAction::Invalid: std::fprintf(stderr, "%s\n", message.c_str()); return false;
    }
    std::printf("%s: %s\n", line.c_str(), message.c_str());
    std::fflush(stdout);
    return true;
}

void CPtyServer::OnControlReadable(int fd, std::string& buffer) {
    char chunk[512];
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got == 0 && fd == STDIN_FILENO) {
        options_.controlOnStdin = false;  // standard input closed: no more commands from there
        return;
    }
    if (got <= 0)
        return;
    buffer.append(chunk, static_cast<size_t>(got));
    for (size_t end; (end = buffer.find('\n')) != std::string::npos;) {
        std::string line = buffer.substr(0, end);
        buffer.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        HandleControlLine(line);
    }
    if (buffer.size() > 4096)
        buffer.clear();  // no line is that long: drop the junk
}

int CPtyServer::Run() {
    std::signal(SIGTERM, OnStopSignal);
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGHUP, SIG_IGN);  // our own terminal hanging up on unplug
    setsid();                      // a session of our own, to hold the terminal as its controller
    Plug();
    while (!quit_ && gStopSignal == 0) {
        std::vector<pollfd> fds;
        int lineIndex = -1, fifoIndex = -1, stdinIndex = -1;
        if (master_ >= 0) {
            lineIndex = static_cast<int>(fds.size());
            fds.push_back({master_, POLLIN, 0});
        }
        if (control_ >= 0) {
            fifoIndex = static_cast<int>(fds.size());
            fds.push_back({control_, POLLIN, 0});
        }
        if (options_.controlOnStdin) {
            stdinIndex = static_cast<int>(fds.size());
            fds.push_back({STDIN_FILENO, POLLIN, 0});
        }
        timespec timeout{1, 0};
        if (!out_.empty()) {
            const auto wait = std::max(out_.front().due - Clock::now(), Clock::duration::zero());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
            timeout = {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
        }
        const int ready = ppoll(fds.data(), fds.size(), &timeout, nullptr);
        if (ready < 0 && errno != EINTR)
            Fail("ppoll");
        if (ready > 0) {
            if (lineIndex >= 0 && (fds[lineIndex].revents & POLLIN))
                OnLineReadable();
            if (fifoIndex >= 0 && (fds[fifoIndex].revents & POLLIN))
                OnControlReadable(control_, fifoBuffer_);
            if (stdinIndex >= 0 && (fds[stdinIndex].revents & (POLLIN | POLLHUP)))
                OnControlReadable(STDIN_FILENO, stdinBuffer_);
        }
        WriteDue();
    }
    return 0;
}
