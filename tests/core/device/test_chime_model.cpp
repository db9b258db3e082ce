// The chime's own state between transfers: a HID chime keeps its protocol state when the host
// opens it again, and every transfer that follows one cut off in the middle still works.
#include "DeviceTestSupport.h"

#include "device/ChimeModel.h"
#include "device/HidLayer.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace zelmar;

namespace {

struct HidRig {
    explicit HidRig(VirtualFault fault = {}) : chime(dir.file("c.bin"), ChimeKind::Hid, fault), flash(chime.usbBus(), clock), timer(clock)
    {
        chime.timing.eraseTicks = 3;
    }
    int run(bool upload, int32_t length = 3 * kHidPageSize)
    {
        if (upload) {
            devtest::fillPattern(flash.Image, kImageSize, unsigned(length));
            flash.ImageLength = length;
        }
        obs = {};
        obs.onProgress = [this](int v) {
            if (cancelAt && v == cancelAt && obs.phases.size() == cancelPhase)
                obs.cancel = true;
        };
        DeviceTransfer t(flash, chime.hidBus(), obs, timer);
        return t.run(upload, true);
    }
    // Upload, then a download that must give the image back.
    void roundTrip(const std::string& after)
    {
        cancelAt = 0;
        ASSERT_EQ(run(true), 1) << after << ": " << (obs.messages.empty() ? "" : obs.messages[0]);
        const std::vector<uint8_t> sent(flash.Image.begin(), flash.Image.begin() + 3 * kHidPageSize);
        ASSERT_EQ(run(false), 1) << after;
        EXPECT_TRUE(std::equal(sent.begin(), sent.end(), flash.Image.begin())) << after;
        EXPECT_EQ(flash.Image[3 * kHidPageSize], 0xFF) << after;
    }

    devtest::TempDir dir;
    VirtualChime chime;
    SteppingClock clock;
    TUsbFlash flash;
    Timer timer;
    devtest::RecordingObserver obs;
    int cancelAt = 0;
    size_t cancelPhase = 0;
};

TEST(HidChimeState, OpeningTheChimeAgainDoesNotResetIt)
{
    HidRig rig;
    rig.cancelAt = 2;
    rig.cancelPhase = 2;   // writing
    ASSERT_EQ(rig.run(true), 2);
    // The next host to open the chime finds it still taking pages: its first Get starts a read.
    HidLayer layer(rig.chime.hidBus());
    HidDevice* d = layer.ClaimDevice(kHidVendorId, kHidProductId);
    ASSERT_TRUE(d);
    uint8_t report[kReportLength] = {};
    ASSERT_TRUE(layer.GetFeatureReport(*d, report, kReportLength));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(report + 1)), "ZELMAR READ");
    layer.ReleaseDevice(d);
    rig.roundTrip("after a read was started");
}

TEST(HidChimeState, EveryTransferAfterOneCutOffWorks)
{
    // Cancelled in each phase of an upload and of a download.
    const struct {
        bool upload;
        size_t phase;
        int at;
    } cancels[] = {{true, 1, 1}, {true, 1, 2}, {true, 2, 1}, {true, 2, 2}, {true, 3, 1}, {true, 3, 2},
                   {false, 1, 1}, {false, 1, 2000}};
    for (const auto& c : cancels) {
        HidRig rig;
        rig.cancelAt = c.at;
        rig.cancelPhase = c.phase;
        ASSERT_EQ(rig.run(c.upload), 2);
        rig.roundTrip("cancel in phase " + std::to_string(c.phase) + " at " + std::to_string(c.at));
        // A download may come first as well.
        HidRig again;
        again.cancelAt = c.at;
        again.cancelPhase = c.phase;
        ASSERT_EQ(again.run(c.upload), 2);
        again.cancelAt = 0;
        EXPECT_EQ(again.run(false), 1);
        again.roundTrip("download, then upload");
    }
    // A report lost at each request of an upload (3 + 3 polls + 1 + 3 pages + 1 + 3 pages).
    for (int n = 1; n <= 14; ++n) {
        HidRig rig(VirtualFault{VirtualFault::FailRequest, n});
        rig.run(true);
        rig.roundTrip("request " + std::to_string(n) + " failed");
    }
}

TEST(HidChimeState, AnEraseDoesNotEndEarlyWhenTheMemoryNeverGetsReady)
{
    ChimeModel model(ChimeKind::Hid);
    model.neverReady = true;
    uint8_t data[kHidPageSize];
    ASSERT_TRUE(model.hidGet(data));
    model.hidSet(data);
    model.hidSet(data);
    for (int i = 0; i < 50; ++i) {
        model.tick();
        ASSERT_TRUE(model.hidGet(data));
        ASSERT_TRUE(std::all_of(data, data + kHidPageSize, [](uint8_t b) { return b == 0; }));
    }
    // Echoing the zeros starts a read or an erase again; neither pretends the memory erased.
    model.hidSet(data);
    EXPECT_FALSE(model.dirty);
}

TEST(UsbChimeModel, ProgramsLandAfterTheirTimeOrWhenFinished)
{
    ChimeModel model(ChimeKind::Usb);
    model.timing.programTicks = 3;
    uint8_t b[132];
    std::memset(b, 0x5A, sizeof b);
    model.tick();
    ASSERT_EQ(model.usbVendorRequest(0xC0, kReqBegin, kOpWriteBuffer1, 0, b, 1), 1);
    ASSERT_EQ(model.usbVendorRequest(0x40, kReqWrite, 132, 0, b, 132), 132);
    model.usbVendorRequest(0xC0, kReqEnd, 0, 0, b, 1);
    model.usbVendorRequest(0xC0, kReqBegin, kOpProgramBuffer1 | pageA1(7) << 8, pageA2(7), b, 1);
    model.usbVendorRequest(0xC0, kReqEnd, 0, 0, b, 1);
    model.usbVendorRequest(0xC0, kReqStatus, 0, 0, b, 1);
    EXPECT_EQ(b[0] & 0x80, 0);
    EXPECT_EQ(model.memory()[7 * kUsbPageSize + 1], 0xFF);
    for (int i = 0; i < 3; ++i)
        model.tick();
    model.usbVendorRequest(0xC0, kReqStatus, 0, 0, b, 1);
    EXPECT_EQ(b[0] & 0x80, 0x80);
    EXPECT_EQ(model.memory()[7 * kUsbPageSize + 1], 0x5A);

    model.usbVendorRequest(0xC0, kReqBegin, kOpProgramBuffer1 | pageA1(9) << 8, pageA2(9), b, 1);
    model.usbVendorRequest(0xC0, kReqEnd, 0, 0, b, 1);
    model.finishPrograms();
    EXPECT_FALSE(model.programming());
    EXPECT_EQ(model.memory()[9 * kUsbPageSize + 1], 0x5A);
    EXPECT_EQ(model.usbVendorRequest(0x40, kReqRead, 4, 0, b, 4), kUsbErrPipe);   // wrong direction
}

} // namespace
