#include "reader/test_record.h"

#include <utility>

#include "reader/wait_clock.h"

void CTestRecord::Begin(TestSetup testSetup, int64_t startUtc, uint32_t now) {
    *this = CTestRecord{};
    started = true;
    running = true;
    setup = std::move(testSetup);
    startUtcMs = startUtc;
    if (setup.card.uidLength != 0)
        cards.push_back({setup.card, 0, true});
    lastTick_ = now;
    TakeSample(now);
}

void CTestRecord::End(uint32_t now) {
    Advance(now);
    running = false;
}

void CTestRecord::SeeCard(const CardInfo& card, uint32_t now) {
    // A removal leaves the card the test ran on in the record; the same card laid back is no news.
    if (!running || card.uidLength == 0 || (!cards.empty() && cards.back().card == card))
        return;
    Advance(now);
    cards.push_back({card, elapsedMs, false});
}

void CTestRecord::SeeReader(const ReaderIdentity& reader) {
    if (running)
        setup.reader = reader;
}

void CTestRecord::Advance(uint32_t now) {
    if (!running)
        return;
    elapsedMs += TicksSince(now, lastTick_);
    lastTick_ = now;
}

void CTestRecord::Verified(uint32_t now) {
    Advance(now);
    ++verified;
    ++currentCleanRun;
    if (currentCleanRun > longestCleanRun)
        longestCleanRun = currentCleanRun;
    series.Verified(elapsedMs);
    TakeSample(now);
}

void CTestRecord::Error(SeriesError kind, uint32_t now) {
    Advance(now);
    series.Error(kind, elapsedMs);
    if (errorEvents++ == 0)
        firstErrorMs = elapsedMs;
    lastErrorMs = elapsedMs;
    currentCleanRun = 0;
}

void CTestRecord::CardError(int status, uint32_t now) {
    Error(SeriesError::kCardError, now);
    ++cardErrors[status];
}

void CTestRecord::Mismatch(uint32_t now) {
    Error(SeriesError::kMismatch, now);
    ++mismatches;
}

void CTestRecord::NoCard(uint32_t now) {
    Error(SeriesError::kNoCard, now);
    ++noCardEvents;
}

void CTestRecord::AuthRefused(uint32_t now) {
    Error(SeriesError::kAuthRefused, now);
    ++authRefusals;
}

void CTestRecord::LinkTrouble(uint32_t now) {
    Advance(now);
    if (running)
        series.Error(SeriesError::kLinkTrouble, elapsedMs);
}

void CTestRecord::Line(const ReaderEvent& event, uint32_t now) {
    Advance(now);
    if (lines.size() >= kKeptLines) {
        lines.pop_front();
        ++droppedLines;
    }
    lines.push_back({elapsedMs, event});
}

TestFigures CTestRecord::Figures(uint32_t now) {
    Advance(now);
    TestFigures figures;
    figures.started = started;
    figures.elapsedMs = elapsedMs;
    if (running) {
        TakeSample(now);
        figures.rate = Rate(now);
    } else if (started) {
        figures.rate = AverageRate();
    }
    return figures;
}

double CTestRecord::AverageRate() const {
    return elapsedMs == 0 ? 0.0 : static_cast<double>(verified) * 1000.0 / static_cast<double>(elapsedMs);
}

void CTestRecord::TakeSample(uint32_t now) {
    if (sampleCount_ != 0 && TicksSince(now, samples_[newestSample_].tick) < kSampleSpacingMs)
        return;
    newestSample_ = sampleCount_ == 0 ? 0 : (newestSample_ + 1) % samples_.size();
    samples_[newestSample_] = {now, verified};
    if (sampleCount_ < samples_.size())
        ++sampleCount_;
}

// Over the oldest sample still inside the window: differences of ticks only, so the window
// holds across the counter's wrap.
double CTestRecord::Rate(uint32_t now) const {
    for (size_t age = sampleCount_; age-- > 0;) {
        const Sample& sample = samples_[(newestSample_ + samples_.size() - age) % samples_.size()];
        const uint32_t span = TicksSince(now, sample.tick);
        if (span > kRateWindowMs)
            continue;
        return span == 0 ? 0.0 : static_cast<double>(verified - sample.verified) * 1000.0 / span;
    }
    return 0.0;
}
