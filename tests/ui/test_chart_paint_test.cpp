// The chart painted into a memory bitmap at 96 and 192 DPI, the size the page gives it: every
// kind of error shows in its colour, the rate line shows, nothing is drawn outside the box, and
// in high contrast the kinds still differ by their shapes.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <set>
#include <tuple>
#include <vector>

#include "ui/gdi_objects_win32.h"
#include "ui/test_chart_paint_win32.h"

namespace {

constexpr uint64_t kMinute = 60000, kHour = 60 * kMinute;
constexpr COLORREF kUntouched = RGB(1, 2, 3);
constexpr int kMargin = 12;

// A bitmap whose pixels can be read back, filled with kUntouched.
class CPixels {
public:
    CPixels(int width, int height) : width_(width), height_(height), dc_(nullptr) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bitmap_ = CGdiObject<HBITMAP>(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        bits_ = static_cast<uint32_t*>(bits);
        selection_.emplace(dc_.Get(), bitmap_.Get());
        for (int i = 0; i < width * height; ++i) bits_[i] = Pixel(kUntouched);
    }
    HDC Dc() const { return dc_.Get(); }
    COLORREF At(int x, int y) const {
        GdiFlush();
        const uint32_t p = bits_[y * width_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    static uint32_t Pixel(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }
    int width_, height_;
    CMemoryDc dc_;
    CGdiObject<HBITMAP> bitmap_;
    std::optional<CSelection> selection_;
    uint32_t* bits_ = nullptr;
};

CTestSeries DayWithBursts() {
    CTestSeries series;
    for (uint64_t at = 1000; at <= 24 * kHour; at += 1000) series.Verified(at);
    const std::pair<uint64_t, SeriesError> bursts[] = {
        {3 * kHour, SeriesError::kCardError},          {8 * kHour, SeriesError::kMismatch},
        {14 * kHour, SeriesError::kNoCard},            {23 * kHour + 20 * kMinute, SeriesError::kAuthRefused},
        {23 * kHour + 40 * kMinute, SeriesError::kLinkTrouble},
    };
    for (const auto& [at, kind] : bursts) series.Error(kind, at);
    return series;
}

TEST(TestChartPaint, EveryKindShowsInsideTheBoxAt96And192Dpi) {
    const CTestSeries series = DayWithBursts();
    for (const auto& [dpi, width, height] : {std::tuple{96u, 522, 42}, std::tuple{192u, 1109, 81}}) {
        SCOPED_TRACE(dpi);
        CPixels pixels(width + 2 * kMargin, height + 2 * kMargin);
        const LayoutRect box{kMargin, kMargin, kMargin + width, kMargin + height};
        const ChartPicture picture = LayOutChart(series, 24 * kHour, box, ChartMetricsFor(dpi));
        const ChartColours colours = ChartColoursFor(false);
        PaintTestChart(pixels.Dc(), picture, L"a text longer than the whole chart is wide, which must be cut at its edge "
                                             L"and never reach past it, whatever the font",
                       box.left, colours);
        for (int y = 0; y < pixels.height(); ++y)
            for (int x = 0; x < pixels.width(); ++x) {
                if (!(x >= box.left && x < box.right && y >= box.top && y < box.bottom)) {
                    ASSERT_EQ(pixels.At(x, y), kUntouched) << x << "," << y;
                }
            }
        // Without the text over the plot's top, everything shows.
        PaintTestChart(pixels.Dc(), picture, L"", box.left, colours);
        std::set<COLORREF> inside;
        for (int y = box.top; y < box.bottom; ++y)
            for (int x = box.left; x < box.right; ++x) inside.insert(pixels.At(x, y));
        for (const COLORREF mark : colours.marks) EXPECT_TRUE(inside.count(mark)) << std::hex << mark;
        EXPECT_TRUE(inside.count(colours.rate));
        EXPECT_TRUE(inside.count(colours.split));
        EXPECT_GT(picture.splitX, box.left);
        // Each kind's mark in its own lane, at its burst's column.
        for (const ChartMark& mark : picture.marks) {
            int coloured = 0;
            for (int y = mark.rect.top; y < mark.rect.bottom; ++y)
                for (int x = mark.rect.left; x < mark.rect.right; ++x)
                    coloured += pixels.At(x, y) == colours.marks[static_cast<size_t>(mark.kind)];
            EXPECT_GE(coloured, picture.markSize) << static_cast<int>(mark.kind);
        }
    }
}

TEST(TestChartPaint, HighContrastKindsDifferByShape) {
    const CTestSeries series = DayWithBursts();
    for (const UINT dpi : {96u, 192u}) {
        SCOPED_TRACE(dpi);
        const int width = static_cast<int>(dpi) * 11 / 2, height = static_cast<int>(dpi) * 84 / 192;
        CPixels pixels(width, height);
        const ChartPicture picture = LayOutChart(series, 24 * kHour, {0, 0, width, height}, ChartMetricsFor(dpi));
        const ChartColours colours = ChartColoursFor(true);
        for (const COLORREF mark : colours.marks) EXPECT_EQ(mark, GetSysColor(COLOR_WINDOWTEXT));
        EXPECT_EQ(colours.background, GetSysColor(COLOR_WINDOW));
        PaintTestChart(pixels.Dc(), picture, L"", 0, colours);
        std::set<std::vector<bool>> shapes;
        for (const ChartMark& mark : picture.marks) {
            std::vector<bool> shape;
            for (int y = mark.rect.top; y < mark.rect.bottom; ++y)
                for (int x = mark.rect.left; x < mark.rect.right; ++x) shape.push_back(pixels.At(x, y) == colours.marks[0]);
            shapes.insert(shape);
        }
        EXPECT_EQ(picture.marks.size(), kSeriesErrorKinds);
        EXPECT_EQ(shapes.size(), kSeriesErrorKinds);
    }
}

}  // namespace
