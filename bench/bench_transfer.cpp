// A full 2 MiB upload with verification and a full download through the transfer engine, against
// the virtual chime with no latency and no file writing, each side by side with a bare loop that
// makes the same bus calls in the same order. Also counts the requests of each phase.
#include "device/HidLayer.h"
#include "device/Transfer.h"
#include "device/UsbFlash.h"
#include "device/VirtualChime.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

using namespace zelmar;

namespace {

// Erase polls are 100 ms apart; a clock that moves 100 ms a reading keeps the timings about the
// requests themselves, in both the engine and the bare loops.
SteppingClock& fastClock()
{
    static SteppingClock c(int64_t(kErasePollMs) * 1000000);
    return c;
}

struct Bench {
    explicit Bench(ChimeKind kind)
        : file((std::filesystem::temp_directory_path()
                / ("zelmar-bench-" + std::to_string(::getpid()) + (kind == ChimeKind::Hid ? "-hid" : "-usb")))
                   .string()),
          chime(file, kind), flash(chime.usbBus(), fastClock())
    {
        chime.persist = false;
        std::mt19937 rng(42);
        for (auto& b : flash.Image)
            b = uint8_t(rng());
        image = flash.Image;
    }
    ~Bench() { std::filesystem::remove(file); }
    std::string file;
    VirtualChime chime;
    TUsbFlash flash;
    std::vector<uint8_t> image;
};

Bench& bench(ChimeKind kind)
{
    static Bench usb(ChimeKind::Usb), hid(ChimeKind::Hid);
    return kind == ChimeKind::Usb ? usb : hid;
}

class NullObserver : public TransferObserver {};

// ---- the engine --------------------------------------------------------------------------------

void engine(benchmark::State& state, ChimeKind kind, bool upload)
{
    Bench& b = bench(kind);
    Timer timer(fastClock());
    NullObserver obs;
    for (auto _ : state) {
        b.flash.ImageLength = kImageSize;
        DeviceTransfer t(b.flash, b.chime.hidBus(), obs, timer);
        if (t.run(upload, kind == ChimeKind::Hid) != 1)
            state.SkipWithError("transfer failed");
    }
}

// ---- the bare loops: the same calls, nothing else ----------------------------------------------

void bareUsb(benchmark::State& state, bool upload)
{
    Bench& b = bench(ChimeKind::Usb);
    UsbBus& bus = b.chime.usbBus();
    uint8_t buf[1024];
    const uint8_t* img = b.image.data();
    for (auto _ : state) {
        bus.init();
        bus.findBusses();
        bus.findDevices();
        const UsbDevice dev = bus.busses().at(0).devices.at(0);
        UsbHandle h = bus.open(dev);
        uint8_t str[256];
        bus.controlMsg(h, 0x80, 6, 0x0301, 0x0409, str, 256, 1000);
        bus.controlMsg(h, 0x80, 6, 0x0302, 0x0409, str, 256, 1000);
        int64_t pos = 0;
        if (upload) {
            for (int p = 0; pos < kImageSize; ++p) {
                bus.controlMsg(h, 0xC0, 1, p % 2 ? 0x87 : 0x84, 0, buf, 1, 5000);
                for (int k = 0; k < 4; ++k, pos += 132) {
                    const int64_t n = std::min<int64_t>(132, std::max<int64_t>(0, kImageSize - pos));
                    std::memcpy(buf, img + pos, size_t(n));
                    std::memset(buf + n, 0xFF, size_t(132 - n));
                    bus.controlMsg(h, 0x40, 3, 132, 0, buf, 132, 5000);
                }
                bus.controlMsg(h, 0xC0, 5, 0, 0, buf, 1, 5000);
                bus.controlMsg(h, 0xC0, 1, (p % 2 ? 0x86 : 0x83) | pageA1(p) << 8, pageA2(p), buf, 1, 5000);
                bus.controlMsg(h, 0xC0, 5, 0, 0, buf, 1, 5000);
            }
        }
        do
            bus.controlMsg(h, 0xC0, 7, 0, 0, buf, 1, 5000);
        while (!(buf[0] & 0x80));
        bus.controlMsg(h, 0xC0, 1, 0x03, 0, buf, 1, 5000);
        pos = 0;
        bool same = true;
        while (pos < kImageSize) {
            for (int k = 0; k < 4; ++k, pos += 132) {
                bus.controlMsg(h, 0xC0, 4, 132, 0, buf, 132, 5000);
                const int64_t n = std::min<int64_t>(132, std::max<int64_t>(0, kImageSize - pos));
                if (upload)
                    same = same && std::memcmp(buf, img + pos, size_t(n)) == 0;
                else
                    std::memcpy(b.flash.Image.data() + pos, buf, size_t(n));
            }
        }
        bus.controlMsg(h, 0xC0, 5, 0, 0, buf, 1, 5000);
        bus.close(h);
        if (!same)
            state.SkipWithError("verification failed");
    }
}

void bareHid(benchmark::State& state, bool upload)
{
    Bench& b = bench(ChimeKind::Hid);
    HidBus& bus = b.chime.hidBus();
    Timer timer(fastClock());
    uint8_t r[kReportLength] = {};
    const uint8_t* img = b.image.data();
    for (auto _ : state) {
        const HidDeviceInfo info = bus.enumerate().at(0);
        std::unique_ptr<HidConnection> c = bus.open(info);
        bool same = true;
        if (upload) {
            c->getFeature(r, kReportLength);
            c->setFeature(r, kReportLength);
            c->setFeature(r, kReportLength);
            timer.StartDeadline(kEraseDeadlineMs);
            do {
                timer.Delay(kErasePollMs);
                c->getFeature(r, kReportLength);
            } while (std::all_of(r + 1, r + kReportLength, [](uint8_t x) { return x == 0; }));
            c->setFeature(r, kReportLength);
            for (int q = 0; q < kHidPageCount; ++q) {
                std::memcpy(r + 1, img + int64_t(q) * 512, 512);
                c->setFeature(r, kReportLength);
            }
            c->getFeature(r, kReportLength);
            for (int q = 0; q < kHidPageCount; ++q) {
                c->getFeature(r, kReportLength);
                same = same && std::memcmp(r + 1, img + int64_t(q) * 512, 512) == 0;
            }
        } else {
            std::memset(r, 0, sizeof r);
            c->setFeature(r, kReportLength);
            c->getFeature(r, kReportLength);
            for (int q = 0; q < kHidPageCount; ++q) {
                c->getFeature(r, kReportLength);
                std::memcpy(b.flash.Image.data() + int64_t(q) * 512, r + 1, 512);
            }
        }
        if (!same)
            state.SkipWithError("verification failed");
    }
}

void BM_EngineUsbUpload(benchmark::State& s) { engine(s, ChimeKind::Usb, true); }
void BM_BareUsbUpload(benchmark::State& s) { bareUsb(s, true); }
void BM_EngineUsbDownload(benchmark::State& s) { engine(s, ChimeKind::Usb, false); }
void BM_BareUsbDownload(benchmark::State& s) { bareUsb(s, false); }
void BM_EngineHidUpload(benchmark::State& s) { engine(s, ChimeKind::Hid, true); }
void BM_BareHidUpload(benchmark::State& s) { bareHid(s, true); }
void BM_EngineHidDownload(benchmark::State& s) { engine(s, ChimeKind::Hid, false); }
void BM_BareHidDownload(benchmark::State& s) { bareHid(s, false); }

BENCHMARK(BM_EngineUsbUpload)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareUsbUpload)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineUsbDownload)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareUsbDownload)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineHidUpload)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareHidUpload)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineHidDownload)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareHidDownload)->Unit(benchmark::kMillisecond);

// ---- request counts ----------------------------------------------------------------------------

class Counter : public TransferObserver {
public:
    explicit Counter(const VirtualChime& c) : c_(c) {}
    void phase(int textId, int) override
    {
        close();
        current_ = textId;
        start_ = c_.requests();
        pages_ = 0;
    }
    void progress(int) override { ++pages_; }
    void close()
    {
        if (current_)
            rows.push_back({current_, c_.requests() - start_, pages_});
        current_ = 0;
    }
    struct Row {
        int phase;
        long requests;
        int pages;
    };
    std::vector<Row> rows;

private:
    const VirtualChime& c_;
    int current_ = 0;
    long start_ = 0;
    int pages_ = 0;
};

const char* phaseName(int id)
{
    switch (id) {
    case kTextErasing: return "erasing";
    case kTextWriting: return "writing";
    case kTextVerifying: return "verifying";
    default: return "reading";
    }
}

// Counts one transfer's requests per phase; returns false when they differ from what the
// sequences need.
bool countRequests(ChimeKind kind, bool upload)
{
    Bench& b = bench(kind);
    b.flash.ImageLength = kImageSize;
    const long before = b.chime.requests();
    Counter counter(b.chime);
    Timer timer(fastClock());
    DeviceTransfer t(b.flash, b.chime.hidBus(), counter, timer);
    const int result = t.run(upload, kind == ChimeKind::Hid);
    counter.close();
    const long total = b.chime.requests() - before;
    std::printf("%s %s (result %d): %ld requests\n", kind == ChimeKind::Hid ? "HID" : "USB",
                upload ? "upload" : "download", result, total);
    long inPhases = 0;
    bool exact = result == 1;
    const int polls = VirtualTiming{}.eraseTicks, busy = VirtualTiming{}.programTicks;
    for (const auto& r : counter.rows) {
        inPhases += r.requests;
        std::printf("  %-9s %6ld requests, %4d pages: %.3f per page\n", phaseName(r.phase), r.requests, r.pages,
                    r.pages ? double(r.requests) / r.pages : 0.0);
        long need = 0;
        if (kind == ChimeKind::Usb) {
            // Writing: 8 per page. Reading: the status polls while the last program runs, begin,
            // 4 reads per page, end.
            if (r.phase == kTextWriting)
                need = 8L * r.pages;
            else
                need = (upload ? busy : 1) + 1 + 4L * r.pages + 1;
        } else {
            if (r.phase == kTextErasing)
                need = polls + 1;   // the polls and step 6; steps 1 to 3 come before the phase
            else if (r.phase == kTextWriting)
                need = r.pages;
            else if (r.phase == kTextVerifying)
                need = 1 + r.pages;   // step 8, then one per page
            else
                need = 2 + r.pages;   // steps 10 and 11, then one per page
        }
        exact = exact && need == r.requests;
    }
    const long outside = total - inPhases;
    const long needOutside = kind == ChimeKind::Usb ? 2 : (upload ? 3 : 0);
    std::printf("  outside phases: %ld (identification or the erase request)\n", outside);
    exact = exact && outside == needOutside;
    std::printf("  exactly the requests of the sequences: %s\n", exact ? "yes" : "NO");
    return exact;
}

class TimeReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration)
                times[r.run_name.function_name] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    bool exact = true;
    exact &= countRequests(ChimeKind::Usb, true);
    exact &= countRequests(ChimeKind::Usb, false);
    exact &= countRequests(ChimeKind::Hid, true);
    exact &= countRequests(ChimeKind::Hid, false);
    std::printf("\n");

    TimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nengine time over the bare loop's in this run (goal at most 1.50):\n");
    int missed = exact ? 0 : 1;
    for (const char* what : {"UsbUpload", "UsbDownload", "HidUpload", "HidDownload"}) {
        const auto e = reporter.times.find(std::string("BM_Engine") + what);
        const auto b = reporter.times.find(std::string("BM_Bare") + what);
        if (e == reporter.times.end() || b == reporter.times.end() || b->second <= 0)
            continue;
        const double ratio = e->second / b->second;
        missed += ratio > 1.5;
        std::printf("  %-12s %6.3f  %s\n", what, ratio, ratio <= 1.5 ? "met" : "MISSED");
    }
    return missed == 0 ? 0 : 2;
}
