#include "ui/series_text.h"

#include "foundation/catalogue.h"
#include "foundation/local_time.h"
#include "foundation/text_ids.h"

namespace {

constexpr unsigned kKindTexts[kSeriesErrorKinds] = {kTextSeriesCardErrors, kTextSeriesMismatches, kTextSeriesNoCard,
                                                    kTextSeriesAuthRefused, kTextSeriesLinkTrouble};

}  // namespace

unsigned SeriesKindTextId(SeriesError kind) {
    const auto index = static_cast<size_t>(kind);
    return index < kSeriesErrorKinds ? kKindTexts[index] : kTextSeriesLinkTrouble;
}

uint64_t ReportIntervalMs(uint64_t elapsedMs) {
    constexpr uint64_t kHour = 3600000;
    if (elapsedMs < 2 * kHour)
        return 60000;
    return elapsedMs <= 24 * kHour ? 600000 : kHour;
}

std::wstring IntervalValuesText(const SeriesInterval& interval) {
    std::wstring text = DurationText(interval.startMs) + L"\u2013" + DurationText(interval.startMs + interval.lengthMs);
    text += L"  ";
    AppendFormatResource(text, kTextRateFormat, interval.Rate());
    text += L"  ";
    bool any = false;
    for (size_t kind = 0; kind < kSeriesErrorKinds; ++kind) {
        if (interval.counts.errors[kind] == 0)
            continue;
        if (any)
            text += L", ";
        any = true;
        text += ProgramCatalogue().Text(kKindTexts[kind]) + L' ' + std::to_wstring(interval.counts.errors[kind]);
    }
    if (!any)
        text += ProgramCatalogue().Text(kTextChartNoErrors);
    return text;
}
