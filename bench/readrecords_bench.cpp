#include "recordtext.h"

#include "chart/chart.h"
#include "paint/painterchartsurface.h"
#include "paint/twips.h"
#include "record/recordreader.h"
#include "record/samplemonth.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <atomic>

extern std::atomic<long long> g_allocations;

namespace bbt::bench {
namespace {

void BM_ReadRecords(benchmark::State &state)
{
    const std::u16string text = GenerateRecordText(static_cast<std::size_t>(state.range(0)));
    DayTemperatureTable temperature{};
    DayFlagTable flag{};
    const long long allocationsBefore = g_allocations;
    for (auto _ : state) {
        std::u16string_view remaining = text;
        TakeLine(remaining, u"\r\n");
        ReadRecords(remaining, u"\r\n", temperature, flag, NumberLocale{u'.'});
        benchmark::DoNotOptimize(temperature);
    }
    state.counters["allocations"] = benchmark::Counter(static_cast<double>(g_allocations - allocationsBefore),
                                                       benchmark::Counter::kAvgIterations);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size() * sizeof(char16_t)));
}
BENCHMARK(BM_ReadRecords)->Arg(64 << 10)->Arg(1 << 20)->Arg(16 << 20)->Arg(64 << 20)->Unit(benchmark::kMillisecond);

struct SampleMonth {
    DayTemperatureTable temperature{};
    DayFlagTable flag{};
};

SampleMonth ReadSample()
{
    const std::u16string text = SampleText(u"\r\n");
    std::u16string_view remaining = text;
    TakeLine(remaining, u"\r\n");
    SampleMonth month;
    ReadRecords(remaining, u"\r\n", month.temperature, month.flag, NumberLocale{u'.'});
    return month;
}

// Percent of real size, as on a 100 % or a 200 % screen.
void BM_DrawChart(benchmark::State &state)
{
    const qreal scale = state.range(0) / 100.0;
    const SampleMonth month = ReadSample();
    QImage image(QSize(665, 433) * scale, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (auto _ : state) {
        QPainter painter(&image);
        PainterChartSurface surface(painter, scale / TwipsPerPixel);
        DrawChart(surface, month.temperature, month.flag, true);
    }
}
BENCHMARK(BM_DrawChart)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace bbt::bench
