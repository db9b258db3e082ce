// The HID device list, the chime selection and the virtual chime's own rules.
#include "DeviceTestSupport.h"

#include "device/ChimeList.h"
#include "device/ChimeSelection.h"
#include "device/HidLayer.h"
#include "model/Errors.h"
#include "model/FileIO.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace zelmar;

namespace {

class ListBus : public HidBus {
public:
    std::vector<HidDeviceInfo> present;
    std::vector<std::string> opened;
    int enumerations = 0;
    std::vector<HidDeviceInfo> enumerate() override
    {
        ++enumerations;
        return present;
    }
    std::unique_ptr<HidConnection> open(const HidDeviceInfo& d) override
    {
        opened.push_back(d.path);
        struct C : HidConnection {
            bool getFeature(uint8_t*, size_t) override { return true; }
            bool setFeature(const uint8_t*, size_t) override { return true; }
        };
        return std::make_unique<C>();
    }
};

HidDeviceInfo dev(const std::string& path, uint16_t pid = kHidProductId)
{
    return HidDeviceInfo{kHidVendorId, pid, path, {}, {}};
}

TEST(HidLayer, ClaimsTheFirstUnclaimedMatchInListOrder)
{
    ListBus bus;
    bus.present = {dev("a", 0x0852), dev("b"), dev("c")};
    HidLayer layer(bus);
    HidDevice* first = layer.ClaimDevice(kHidVendorId, kHidProductId);
    HidDevice* second = layer.ClaimDevice(kHidVendorId, kHidProductId);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->info.path, "b");
    EXPECT_EQ(second->info.path, "c");
    EXPECT_EQ(layer.ClaimDevice(kHidVendorId, kHidProductId), nullptr);
    EXPECT_EQ(bus.enumerations, 3);   // afresh at every claim
    layer.ReleaseDevice(first);
    EXPECT_EQ(first, nullptr);
    HidDevice* again = layer.ClaimDevice(kHidVendorId, kHidProductId);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->info.path, "b");
}

TEST(HidLayer, AGoneDeviceFailsItsReportsAndLeavesOnRelease)
{
    ListBus bus;
    bus.present = {dev("b")};
    HidLayer layer(bus);
    HidDevice* d = layer.ClaimDevice(kHidVendorId, kHidProductId);
    ASSERT_TRUE(d);
    uint8_t report[kReportLength] = {};
    EXPECT_TRUE(layer.GetFeatureReport(*d, report, kReportLength));
    EXPECT_TRUE(layer.SetFeatureReport(*d, report, kReportLength));
    EXPECT_EQ(bus.opened.size(), 1u);   // opened once, on first use
    bus.present.clear();
    layer.Refresh();
    EXPECT_FALSE(layer.GetFeatureReport(*d, report, kReportLength));
    EXPECT_EQ(layer.devices().size(), 1u);   // kept while claimed
    layer.ReleaseDevice(d);
    EXPECT_TRUE(layer.devices().empty());
    EXPECT_FALSE(hidChimePresent(bus));
}

TEST(HidTransfer, AChimeUnpluggedAfterTheCallersCheckGivesStepZero)
{
    devtest::TempDir dir;
    VirtualChime chime(dir.file("c.bin"), ChimeKind::Hid);
    ASSERT_TRUE(hidChimePresent(chime.hidBus()));
    chime.unplug();
    SteppingClock clock;
    Timer timer(clock);
    TUsbFlash flash(chime.usbBus(), clock);
    devtest::RecordingObserver obs;
    DeviceTransfer t(flash, chime.hidBus(), obs, timer);
    EXPECT_EQ(t.run(false, true), 2);
    EXPECT_EQ(obs.messages, (std::vector<std::string>{HidErrorText(0)}));
}

TEST(HidTransfer, AFirstPollThatReportsErasedEndsTheEraseAtOnce)
{
    devtest::TempDir dir;
    VirtualChime chime(dir.file("c.bin"), ChimeKind::Hid);
    chime.timing.eraseTicks = 1;
    SteppingClock clock;
    Timer timer(clock);
    TUsbFlash flash(chime.usbBus(), clock);
    flash.ImageLength = 512;
    devtest::RecordingObserver obs;
    DeviceTransfer t(flash, chime.hidBus(), obs, timer);
    EXPECT_EQ(t.run(true, true), 1);
    // 3 + one poll + 1 + one page + 1 + one page.
    EXPECT_EQ(chime.requests(), 8);
    ASSERT_EQ(obs.phases.size(), 3u);
    EXPECT_EQ(obs.phases[0].text, kTextErasing);
    EXPECT_EQ(obs.phases[0].max, kEraseGaugeMax);
}

TEST(HidTransfer, APollThatFindsTheMemoryErasedTooLateStillFails)
{
    devtest::TempDir dir;
    VirtualChime chime(dir.file("c.bin"), ChimeKind::Hid);
    chime.timing.eraseTicks = 5;
    SteppingClock clock;
    Timer timer(clock);
    TUsbFlash flash(chime.usbBus(), clock);
    flash.ImageLength = 512;
    devtest::RecordingObserver obs;
    // The fifth poll reports erased, but a minute has passed by then.
    obs.onProgress = [&](int v) {
        if (v == 4)
            clock.advance(int64_t(61) * 1000000000);
    };
    DeviceTransfer t(flash, chime.hidBus(), obs, timer);
    EXPECT_EQ(t.run(true, true), 2);
    EXPECT_EQ(obs.messages, (std::vector<std::string>{HidErrorText(5)}));
}

TEST(HidTransfer, ADownloadExchanges4098Reports)
{
    devtest::TempDir dir;
    VirtualChime chime(dir.file("c.bin"), ChimeKind::Hid);
    SteppingClock clock;
    Timer timer(clock);
    TUsbFlash flash(chime.usbBus(), clock);
    devtest::RecordingObserver obs;
    DeviceTransfer t(flash, chime.hidBus(), obs, timer);
    EXPECT_EQ(t.run(false, true), 1);
    EXPECT_EQ(chime.requests(), 4098);
    EXPECT_EQ(obs.values.size(), 4096u);
}

TEST(VirtualChime, CreatesAnErasedFileAndRefusesAForeignOne)
{
    devtest::TempDir dir;
    {
        VirtualChime usb(dir.file("u.bin"), ChimeKind::Usb);
        EXPECT_EQ(readWholeFile(dir.file("u.bin")), std::vector<uint8_t>(4096 * 528, 0xFF));
    }
    // A file of the other kind's size is the same linear memory.
    VirtualChime hid(dir.file("u.bin"), ChimeKind::Hid);
    EXPECT_EQ(hid.memory().size(), size_t(kImageSize));

    writeFileAtomically(dir.file("notes.txt"), std::string("precious"));
    EXPECT_THROW(VirtualChime(dir.file("notes.txt"), ChimeKind::Usb), FileError);
    EXPECT_EQ(readWholeFile(dir.file("notes.txt")).size(), 8u);
}

TEST(VirtualChime, ParsesFaultsAndRefusesMalformedOnes)
{
    EXPECT_EQ(parseVirtualFault("").kind, VirtualFault::None);
    const VirtualFault f = parseVirtualFault("fail-request=12");
    EXPECT_EQ(f.kind, VirtualFault::FailRequest);
    EXPECT_EQ(f.value, 12);
    EXPECT_EQ(parseVirtualFault("corrupt-offset=0x10").value, 16);
    EXPECT_EQ(parseVirtualFault("never-ready").kind, VirtualFault::NeverReady);
    EXPECT_EQ(parseVirtualFault("no-permission").kind, VirtualFault::NoPermission);
    for (const char* bad : {"fail-request", "fail-request=", "fail-request=x", "unplug-at-page=-1",
                            "latency-us=5ms", "explode=1"})
        EXPECT_THROW(parseVirtualFault(bad), std::invalid_argument) << bad;
}

TEST(VirtualChime, ReadingWhileAPageProgramRunsIsRefused)
{
    devtest::TempDir dir;
    VirtualChime chime(dir.file("c.bin"), ChimeKind::Usb);
    chime.timing.programTicks = 50;
    TUsbFlash f(chime.usbBus());
    ASSERT_EQ(f.Open(), 0);
    f.BeginCommand(kOpWriteBuffer1, 0, 0, 0);
    f.TransferBuffer[0] = 0x12;
    f.WriteBytes(132);
    f.EndCommand();
    f.BeginCommand(kOpProgramBuffer1, 0, 0, 0);
    f.EndCommand();
    EXPECT_EQ(f.ReadStatus() & 0x80, 0);
    f.BeginCommand(kOpContinuousRead, 0, 0, 0);   // no WaitReady: the memory is busy
    f.ReadBytes(132);
    EXPECT_EQ(f.ErrorState, 2);
    f.Open();
    f.WaitReady();
    EXPECT_EQ(f.ErrorState, 0);
    f.BeginCommand(kOpContinuousRead, 0, 0, 0);
    f.ReadBytes(132);
    EXPECT_EQ(f.TransferBuffer[0], 0x12);
}

TEST(ChimeList, NamesChimesThatMayNotBeOpened)
{
    class Locked : public ListBus {
    public:
        bool permitted(const HidDeviceInfo& d) override { return d.path != "/dev/hidraw7"; }
    };
    Locked hid;
    hid.present = {dev("/dev/hidraw7"), dev("/dev/hidraw8"), dev("/dev/hidraw9", 0x0852)};
    devtest::TempDir dir;
    VirtualChime usb(dir.file("u.bin"), ChimeKind::Usb);
    const std::vector<ChimeEntry> found = listChimes(usb.usbBus(), hid);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].kind, ChimeEntry::Usb);
    EXPECT_EQ(found[0].product, "ZELMAR 2.0.");
    EXPECT_TRUE(found[0].isChime);
    EXPECT_FALSE(found[1].permitted);
    EXPECT_EQ(hid.opened, (std::vector<std::string>{"/dev/hidraw8"}));   // the locked one is not tried
    EXPECT_TRUE(found[2].permitted && found[2].opened);
}

TEST(ChimeSelection, TakesTheOptionsOutOfTheArgumentsBeforeTheEnvironment)
{
    ::setenv("ZELMAR_VIRTUAL_CHIME", "/tmp/env.bin,hid", 1);
    ::setenv("ZELMAR_VIRTUAL_FAULT", "latency-us=1", 1);
    std::vector<std::string> args = {"set.zmr", "--virtual-chime", "/tmp/a.bin"};
    ChimeChoice c = takeChimeChoice(args);
    EXPECT_EQ(args, (std::vector<std::string>{"set.zmr"}));
    EXPECT_EQ(c.virtualFile, "/tmp/a.bin");
    EXPECT_FALSE(c.hid);
    EXPECT_EQ(c.fault, "latency-us=1");
    std::vector<std::string> none = {"set.zmr"};
    c = takeChimeChoice(none);
    EXPECT_EQ(c.virtualFile, "/tmp/env.bin");
    EXPECT_TRUE(c.hid);
    ::unsetenv("ZELMAR_VIRTUAL_CHIME");
    ::unsetenv("ZELMAR_VIRTUAL_FAULT");
    std::vector<std::string> hid = {"--hid", "--virtual-chime", "x"};
    c = takeChimeChoice(hid);
    EXPECT_TRUE(c.hid);
    EXPECT_TRUE(hid.empty());
    std::vector<std::string> bad = {"--virtual-chime"};
    EXPECT_THROW(takeChimeChoice(bad), std::invalid_argument);
    EXPECT_FALSE(chimeChoiceFromEnvironment().isVirtual());
}

} // namespace
