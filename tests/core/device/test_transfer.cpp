// Whole transfers against the virtual chime: round trips, gauge and page counts, faults, cancel.
#include "DeviceTestSupport.h"

#include "device/ChimeSelection.h"
#include "i18n/ResourceStrings.h"

#include <gtest/gtest.h>

using namespace zelmar;
using devtest::RecordingObserver;

namespace {

struct Rig {
    explicit Rig(ChimeKind kind, VirtualFault fault = {}, const std::string& name = "chime.bin")
        : chime(dir.file(name), kind, fault), flash(chime.usbBus(), clock), timer(clock)
    {
    }
    int run(bool upload)
    {
        DeviceTransfer t(flash, chime.hidBus(), obs, timer);
        int r = t.run(upload, chime.kind() == ChimeKind::Hid);
        lastFailure = t.failure;
        return r;
    }
    devtest::TempDir dir;
    SteppingClock clock{1000000};
    VirtualChime chime;
    TUsbFlash flash;
    Timer timer;
    RecordingObserver obs;
    TransferFailure lastFailure;
};

class BothKinds : public ::testing::TestWithParam<ChimeKind> {};

TEST_P(BothKinds, UploadThenDownloadGivesTheImageBack)
{
    Rig rig(GetParam());
    const int32_t length = 200000;
    devtest::fillPattern(rig.flash.Image, kImageSize, 7);
    rig.flash.ImageLength = length;
    ASSERT_EQ(rig.run(true), 1) << (rig.obs.messages.empty() ? "" : rig.obs.messages[0]);
    EXPECT_TRUE(rig.obs.failures.empty());
    const std::vector<uint8_t> sent = rig.flash.Image;

    std::fill(rig.flash.Image.begin(), rig.flash.Image.end(), 0);
    rig.flash.ImageLength = 0;
    ASSERT_EQ(rig.run(false), 1);
    EXPECT_EQ(rig.flash.ImageLength, kImageSize);
    EXPECT_TRUE(std::equal(sent.begin(), sent.begin() + length, rig.flash.Image.begin()));
    if (GetParam() == ChimeKind::Hid) {
        // The HID chime is erased first: whole pages were written, the rest reads erased.
        const int32_t written = pagesFor(length, kHidPageSize) * kHidPageSize;
        EXPECT_TRUE(std::equal(sent.begin(), sent.begin() + written, rig.flash.Image.begin()));
        EXPECT_EQ(rig.flash.Image[size_t(written)], 0xFF);
        EXPECT_EQ(rig.flash.Image.back(), 0xFF);
    }
}

TEST_P(BothKinds, AnotherChimeObjectOnTheSameFileReadsWhatWasWritten)
{
    devtest::TempDir dir;
    const std::string file = dir.file("shared.bin");
    std::vector<uint8_t> sent;
    {
        SteppingClock clock;
        Timer timer(clock);
        VirtualChime chime(file, GetParam());
        TUsbFlash flash(chime.usbBus(), clock);
        devtest::fillPattern(flash.Image, kImageSize, 11);
        flash.ImageLength = 5000;
        RecordingObserver obs;
        DeviceTransfer t(flash, chime.hidBus(), obs, timer);
        ASSERT_EQ(t.run(true, GetParam() == ChimeKind::Hid), 1);
        sent = flash.Image;
    }
    SteppingClock clock;
    Timer timer(clock);
    VirtualChime chime(file, GetParam());
    TUsbFlash flash(chime.usbBus(), clock);
    RecordingObserver obs;
    DeviceTransfer t(flash, chime.hidBus(), obs, timer);
    ASSERT_EQ(t.run(false, GetParam() == ChimeKind::Hid), 1);
    EXPECT_TRUE(std::equal(sent.begin(), sent.begin() + 5000, flash.Image.begin()));
}

TEST_P(BothKinds, AnExactMultipleOfThePageWritesThatManyPagesAndFillsTheGauge)
{
    Rig rig(GetParam());
    const int page = GetParam() == ChimeKind::Hid ? kHidPageSize : kUsbPageSize;
    rig.flash.ImageLength = 3 * page;
    ASSERT_EQ(rig.run(true), 1);
    const auto& ph = rig.obs.phases;
    ASSERT_GE(ph.size(), 2u);
    const size_t w = GetParam() == ChimeKind::Hid ? 1 : 0;   // HID erases first
    EXPECT_EQ(ph[w].text, kTextWriting);
    EXPECT_EQ(ph[w].max, 3);
    EXPECT_EQ(ph[w + 1].text, kTextVerifying);
    EXPECT_EQ(ph[w + 1].max, 3);
    // Gauge after each written page, then after each verified page.
    const std::vector<int> tail(rig.obs.values.end() - 6, rig.obs.values.end());
    EXPECT_EQ(tail, (std::vector<int>{1, 2, 3, 1, 2, 3}));
}

TEST_P(BothKinds, OneByteMoreThanAPageTakesTwoPages)
{
    Rig rig(GetParam());
    const int page = GetParam() == ChimeKind::Hid ? kHidPageSize : kUsbPageSize;
    rig.flash.ImageLength = page + 1;
    ASSERT_EQ(rig.run(true), 1);
    EXPECT_EQ(rig.obs.phases.back().max, 2);
    EXPECT_EQ(rig.obs.values.back(), 2);
}

TEST_P(BothKinds, CancelDuringWritingEndsAfterThatPageWithoutVerifying)
{
    Rig rig(GetParam());
    rig.flash.ImageLength = 20 * 528;
    rig.obs.onProgress = [&](int v) {
        if (rig.obs.phases.back().text == kTextWriting && v == 4)
            rig.obs.cancel = true;
    };
    EXPECT_EQ(rig.run(true), 2);
    EXPECT_TRUE(rig.obs.messages.empty());
    EXPECT_EQ(rig.obs.phases.back().text, kTextWriting);
    EXPECT_EQ(rig.obs.values.back(), 4);
    EXPECT_EQ(rig.obs.busyChanges, (std::vector<bool>{true, false}));
}

TEST_P(BothKinds, CancelDuringDownloadKeepsTheFullImageLength)
{
    Rig rig(GetParam());
    rig.obs.onProgress = [&](int v) { rig.obs.cancel = v == 10; };
    EXPECT_EQ(rig.run(false), 2);
    EXPECT_EQ(rig.flash.ImageLength, kImageSize);
    EXPECT_EQ(rig.obs.values.size(), 10u);
}

TEST_P(BothKinds, ACorruptedByteIsCaughtByVerification)
{
    const int32_t offset = 1000;
    Rig rig(GetParam(), VirtualFault{VirtualFault::CorruptOffset, offset});
    devtest::fillPattern(rig.flash.Image, kImageSize, 3);
    rig.flash.ImageLength = 4000;
    EXPECT_EQ(rig.run(true), 2);
    ASSERT_EQ(rig.obs.messages.size(), 1u);
    const std::string written = std::to_string(rig.flash.Image[offset]);
    const std::string read = std::to_string(uint8_t(~rig.flash.Image[offset]));
    if (GetParam() == ChimeKind::Hid) {
        EXPECT_EQ(rig.obs.messages[0], rs(65203) + "\n" + rs(65204) + "\nPAGE: 1 BYTE: 489 WRITTEN: " + written
                                           + " READ: " + read);
    } else {
        EXPECT_EQ(rig.obs.messages[0], rs(65203) + "\n" + rs(65204));
    }
}

TEST_P(BothKinds, UnpluggingMidWriteOrMidReadFailsWithoutHanging)
{
    for (bool upload : {true, false}) {
        Rig rig(GetParam(), VirtualFault{VirtualFault::UnplugAtPage, 5});
        rig.flash.ImageLength = 30 * 528;
        EXPECT_EQ(rig.run(upload), 2) << upload;
        ASSERT_EQ(rig.obs.messages.size(), 1u);
        if (GetParam() == ChimeKind::Hid)
            EXPECT_EQ(rig.obs.messages[0], HidErrorText(upload ? 7 : 12));
        else
            EXPECT_EQ(rig.obs.messages[0], devtest::communicationErrorText());
        EXPECT_EQ(rig.obs.busyChanges, (std::vector<bool>{true, false}));
        EXPECT_LE(rig.obs.values.back(), 6);
        // Gone means gone: the next transfer finds no chime.
        rig.obs.messages.clear();
        EXPECT_EQ(rig.run(upload), 2);
        ASSERT_EQ(rig.obs.messages.size(), 1u);
        EXPECT_EQ(rig.obs.messages[0], GetParam() == ChimeKind::Hid ? HidErrorText(0) : rs(65202));
    }
}

TEST_P(BothKinds, NoChimeOfThatKindIsReportedAtOnce)
{
    devtest::TempDir dir;
    SteppingClock clock;
    Timer timer(clock);
    // A chime of the other kind serves neither bus of this one.
    VirtualChime other(dir.file("c.bin"), GetParam() == ChimeKind::Hid ? ChimeKind::Usb : ChimeKind::Hid);
    TUsbFlash flash(other.usbBus(), clock);
    RecordingObserver obs;
    DeviceTransfer t(flash, other.hidBus(), obs, timer);
    EXPECT_EQ(t.run(true, GetParam() == ChimeKind::Hid), 2);
    ASSERT_EQ(obs.messages.size(), 1u);
    EXPECT_EQ(obs.messages[0], GetParam() == ChimeKind::Hid ? HidErrorText(0) : rs(65202));
    EXPECT_TRUE(obs.busyChanges.empty());
}

TEST_P(BothKinds, AChimeThatNeverBecomesReadyEndsWithAMessage)
{
    Rig rig(GetParam(), VirtualFault{VirtualFault::NeverReady, 1});
    rig.flash.ImageLength = 2000;
    EXPECT_EQ(rig.run(true), 2);
    ASSERT_EQ(rig.obs.messages.size(), 1u);
    if (GetParam() == ChimeKind::Hid) {
        EXPECT_EQ(rig.obs.messages[0], HidErrorText(5));
        // 60 s of polls every 100 ms; the gauge stops at its maximum of 300.
        EXPECT_GE(rig.obs.values.size(), 550u);
        EXPECT_LE(rig.obs.values.size(), 601u);
    } else {
        EXPECT_EQ(rig.obs.messages[0], devtest::communicationErrorText());
        EXPECT_TRUE(rig.lastFailure.neverReady);
    }
    rig.obs.messages.clear();
    EXPECT_EQ(rig.run(false), GetParam() == ChimeKind::Hid ? 1 : 2);
}

INSTANTIATE_TEST_SUITE_P(Device, BothKinds, ::testing::Values(ChimeKind::Usb, ChimeKind::Hid),
                         [](const auto& i) { return i.param == ChimeKind::Usb ? "Usb" : "Hid"; });

// ---- HID step numbers -------------------------------------------------------------------------

// Request numbers of each step in an upload of two pages (eraseTicks polls) and a download.
TEST(HidFaults, AFailingReportAtEveryStepNamesThatStep)
{
    const int polls = VirtualTiming{}.eraseTicks;
    struct Case {
        bool upload;
        long request;
        int step;
    };
    const long w = 3 + polls + 1;   // requests before the first page write
    const std::vector<Case> cases = {
        {true, 1, 1},          {true, 2, 2},          {true, 3, 3},          {true, 4, 4},
        {true, 3 + polls, 4},  {true, w, 6},          {true, w + 1, 7},      {true, w + 2, 7},
        {true, w + 3, 8},      {true, w + 4, 9},      {true, w + 5, 9},      {false, 1, 10},
        {false, 2, 11},        {false, 3, 12},        {false, 4098, 12},
    };
    for (const Case& c : cases) {
        Rig rig(ChimeKind::Hid, VirtualFault{VirtualFault::FailRequest, c.request});
        rig.flash.ImageLength = 600;
        EXPECT_EQ(rig.run(c.upload), 2) << c.request;
        ASSERT_EQ(rig.obs.messages.size(), 1u) << c.request;
        EXPECT_EQ(rig.obs.messages[0], HidErrorText(c.step)) << "request " << c.request;
        EXPECT_EQ(rig.lastFailure.step, c.step);
        EXPECT_EQ(rig.obs.busyChanges, (std::vector<bool>{true, false}));
        // The device was released: the next transfer can claim it and succeeds.
        rig.obs.messages.clear();
        EXPECT_EQ(rig.run(c.upload), 1) << c.request;
    }
}

TEST(HidFaults, AShortReportFailsItsStep)
{
    Rig rig(ChimeKind::Hid, VirtualFault{VirtualFault::ShortRequest, 2});
    EXPECT_EQ(rig.run(false), 2);
    ASSERT_EQ(rig.obs.messages.size(), 1u);
    EXPECT_EQ(rig.obs.messages[0], HidErrorText(11));
}

TEST(HidFaults, CancelDuringEraseSendsNothingMore)
{
    Rig rig(ChimeKind::Hid);
    rig.flash.ImageLength = 600;
    rig.obs.onProgress = [&](int) { rig.obs.cancel = true; };
    EXPECT_EQ(rig.run(true), 2);
    EXPECT_EQ(rig.chime.requests(), 4);   // steps 1 to 3 and one poll
    EXPECT_TRUE(rig.obs.messages.empty());
}

TEST(HidFaults, TheHidErrorTextCarriesTheStep)
{
    EXPECT_EQ(HidErrorText(12), rs(65202) + "\n\n (HID-ERR: 12)");
}

// ---- USB sampled faults -----------------------------------------------------------------------

TEST(UsbFaults, AFailingRequestAtSampledPointsEndsWithTheRightText)
{
    // Three pages: identification is requests 1-2; page p takes 8 requests from 3 + 8p (begin,
    // four writes, end, begin program, end); verification polls the status at 27-32 (the last
    // program keeps the memory busy for 6 requests), begins the read at 33 and reads at 34-45.
    const std::string none = rs(65202), comm = devtest::communicationErrorText(), diff = rs(65203) + "\n" + rs(65204);
    const struct {
        long request;
        std::string text;   // empty: the upload succeeds
    } cases[] = {
        {1, none}, {2, none},
        {3, comm},   // a lost begin: the writes that follow have no command to go to
        {4, comm}, {7, comm},
        {8, ""},     // a lost end after the data: the program command still finds it in the buffer
        {9, diff},   // a lost program command: the page never reaches the memory
        {10, diff},  // a lost end: the program never starts
        {11, comm}, {12, comm}, {20, comm}, {23, comm},
        {27, comm}, {30, comm}, {32, comm},   // status polls
        {33, comm}, {34, comm}, {40, comm}, {45, comm},
        {46, ""},    // the final end is not checked and harms nothing
    };
    for (const auto& c : cases) {
        Rig rig(ChimeKind::Usb, VirtualFault{VirtualFault::FailRequest, c.request});
        devtest::fillPattern(rig.flash.Image, kImageSize, unsigned(c.request));
        rig.flash.ImageLength = 3 * 528;
        const int r = rig.run(true);
        if (c.text.empty()) {
            EXPECT_EQ(r, 1) << c.request;
            EXPECT_TRUE(rig.obs.messages.empty()) << c.request;
            EXPECT_TRUE(std::equal(rig.flash.Image.begin(), rig.flash.Image.begin() + 3 * 528,
                                   rig.chime.memory().begin())) << c.request;
        } else {
            EXPECT_EQ(r, 2) << c.request;
            EXPECT_EQ(rig.obs.messages, (std::vector<std::string>{c.text})) << "request " << c.request;
        }
        EXPECT_EQ(rig.chime.requests() >= c.request, true) << c.request;
    }
}

TEST(UsbFaults, AFailedReadDuringDownloadIsReportedAndNotHandedOn)
{
    Rig rig(ChimeKind::Usb, VirtualFault{VirtualFault::FailRequest, 2 + 1 + 1 + 40});
    EXPECT_EQ(rig.run(false), 2);
    ASSERT_EQ(rig.obs.messages.size(), 1u);
    EXPECT_EQ(rig.obs.messages[0], devtest::communicationErrorText());
    EXPECT_EQ(rig.flash.ImageLength, kImageSize);
}

TEST(UsbFaults, AFailedWriteStopsTheUploadAtThatPage)
{
    Rig rig(ChimeKind::Usb, VirtualFault{VirtualFault::FailRequest, 2 + 8 * 3 + 3});
    rig.flash.ImageLength = 100 * 528;
    EXPECT_EQ(rig.run(true), 2);
    EXPECT_EQ(rig.obs.messages, (std::vector<std::string>{devtest::communicationErrorText()}));
    EXPECT_EQ(rig.obs.values.back(), 3);
}

TEST(UsbTransfer, TheLastPagePastTheImageIsSentErased)
{
    Rig rig(ChimeKind::Usb);
    devtest::fillPattern(rig.flash.Image, kImageSize, 5);
    rig.flash.ImageLength = kImageSize;
    ASSERT_EQ(rig.run(true), 1);
    EXPECT_EQ(rig.obs.values.back(), 3972);
    const auto& mem = rig.chime.memory();
    EXPECT_TRUE(std::equal(rig.flash.Image.begin(), rig.flash.Image.end(), mem.begin()));
    for (size_t i = kImageSize; i < size_t(3972) * 528; ++i)
        ASSERT_EQ(mem[i], 0xFF) << i;
}

TEST(UsbTransfer, DownloadReads3972PagesWithTheGaugeOf4096)
{
    Rig rig(ChimeKind::Usb);
    ASSERT_EQ(rig.run(false), 1);
    ASSERT_EQ(rig.obs.phases.size(), 1u);
    EXPECT_EQ(rig.obs.phases[0].text, kTextReading);
    EXPECT_EQ(rig.obs.phases[0].max, 4096);
    EXPECT_EQ(rig.obs.values.size(), 3972u);
    EXPECT_EQ(rig.flash.ImageLength, kImageSize);
    EXPECT_EQ(rig.flash.Image[0], 0xFF);
}

TEST(UsbTransfer, VerificationComparesOnlyTheImageLength)
{
    // The tail of the last page differs in the chime, but lies past ImageLength.
    Rig rig(ChimeKind::Usb, VirtualFault{VirtualFault::CorruptOffset, 600});
    rig.flash.ImageLength = 600;
    EXPECT_EQ(rig.run(true), 1);
}

TEST(UsbTransfer, ProgramsArrivingWhileTheMemoryIsBusyAreAllCarriedOut)
{
    Rig rig(ChimeKind::Usb);
    rig.chime.timing.programTicks = 20;   // far slower than the host's pace: programs queue up
    devtest::fillPattern(rig.flash.Image, kImageSize, 9);
    rig.flash.ImageLength = 50 * 528;
    ASSERT_EQ(rig.run(true), 1);
    std::fill(rig.flash.Image.begin(), rig.flash.Image.end(), 0);
    ASSERT_EQ(rig.run(false), 1);
    std::vector<uint8_t> again = rig.flash.Image;
    devtest::fillPattern(rig.flash.Image, kImageSize, 9);
    EXPECT_TRUE(std::equal(again.begin(), again.begin() + 50 * 528, rig.flash.Image.begin()));
}

} // namespace
