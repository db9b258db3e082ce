// Chimes the user may not open, chimes only the kernel lists, an upload the chime could not keep,
// and a wait for the memory that the user gives up.
#include "DeviceTestSupport.h"

#include "device/ChimeList.h"
#include "device/HidLayer.h"
#include "paths/DataPaths.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace zelmar;

namespace {

namespace fs = std::filesystem;

// HID interfaces listed by the platform; those in `locked` the user may not open.
class LockedHidBus : public HidBus {
public:
    std::vector<HidDeviceInfo> present;
    std::vector<std::string> locked;
    HidBus* behind = nullptr;   // opens the others
    std::vector<HidDeviceInfo> enumerate() override
    {
        std::vector<HidDeviceInfo> all = present;
        if (behind)
            for (const HidDeviceInfo& d : behind->enumerate())
                all.push_back(d);
        return all;
    }
    std::unique_ptr<HidConnection> open(const HidDeviceInfo& d) override
    {
        if (isLocked(d.path) || !behind)
            return nullptr;
        return behind->open(d);
    }
    bool permitted(const HidDeviceInfo& d) override { return !isLocked(d.path); }
    bool isLocked(const std::string& path) const
    {
        return std::find(locked.begin(), locked.end(), path) != locked.end();
    }
};

HidDeviceInfo hidChime(const std::string& path)
{
    return HidDeviceInfo{kHidVendorId, kHidProductId, path, "VORANEX", "ZELMAR 2.2 USB"};
}

// A USB bus that lists nothing, over a kernel device list kept in a folder.
class UnlistingUsbBus : public UsbBus {
public:
    explicit UnlistingUsbBus(std::string root) : root_(std::move(root)) {}
    void init() override {}
    int findBusses() override { return 0; }
    int findDevices() override { return 0; }
    std::vector<UsbBusEntry> busses() override { return {}; }
    UsbHandle open(const UsbDevice&) override { return nullptr; }
    int close(UsbHandle) override { return 0; }
    int controlMsg(UsbHandle, int, int, int, int, uint8_t*, int, int) override { return kUsbErrNoDevice; }
    std::string sysfsRoot() override { return root_; }

private:
    std::string root_;
};

void writeText(const fs::path& file, const std::string& text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text << "\n";
}

void sysfsDevice(const fs::path& root, const std::string& name, const std::string& vendor, const std::string& product,
                 int bus, int dev)
{
    writeText(root / name / "idVendor", vendor);
    writeText(root / name / "idProduct", product);
    writeText(root / name / "busnum", std::to_string(bus));
    writeText(root / name / "devnum", std::to_string(dev));
}

struct Transfer {
    Transfer(UsbBus& usb, HidBus& hid) : flash(usb, clock), timer(clock), t(flash, hid, obs, timer) {}
    SteppingClock clock;
    TUsbFlash flash;
    Timer timer;
    devtest::RecordingObserver obs;
    DeviceTransfer t;
};

TEST(HidAccess, AChimeThatCannotBeOpenedIsLeftOutAndTheNextOneIsClaimed)
{
    devtest::TempDir dir;
    VirtualChime chime(dir.file("c.bin"), ChimeKind::Hid);
    LockedHidBus bus;
    bus.present = {hidChime("/dev/hidraw1")};
    bus.locked = {"/dev/hidraw1"};
    bus.behind = &chime.hidBus();
    HidLayer layer(bus);
    HidDevice* d = layer.ClaimDevice(kHidVendorId, kHidProductId);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->info.path, "virtual:" + chime.file());
    EXPECT_TRUE(d->connection);
    layer.ReleaseDevice(d);

    bus.behind = nullptr;
    EXPECT_FALSE(hidChimePresent(bus));
    EXPECT_TRUE(chimeAccessDenied(emptyUsbBus(), bus));
}

TEST(HidAccess, ALockedHidChimeLeavesTheTransferToTheUsbChime)
{
    devtest::TempDir dir;
    VirtualChime usb(dir.file("u.bin"), ChimeKind::Usb);
    LockedHidBus hid;
    hid.present = {hidChime("/dev/hidraw1")};
    hid.locked = {"/dev/hidraw1"};
    Transfer x(usb.usbBus(), hid);
    x.flash.ImageLength = 1000;
    const bool useHid = hidChimePresent(hid);
    EXPECT_FALSE(useHid);
    EXPECT_EQ(x.t.run(true, useHid), 1);
    EXPECT_TRUE(x.obs.messages.empty());
}

TEST(HidAccess, NoChimeToOpenSaysWhyAndPointsToTheRules)
{
    LockedHidBus hid;
    hid.present = {hidChime("/dev/hidraw1")};
    hid.locked = {"/dev/hidraw1"};
    for (bool useHid : {false, true}) {
        Transfer x(emptyUsbBus(), hid);
        x.flash.ImageLength = 1000;
        EXPECT_EQ(x.t.run(true, useHid), 2);
        ASSERT_EQ(x.obs.messages.size(), 1u);
        EXPECT_TRUE(x.t.failure.accessDenied);
        // Only the way to the permission: the causes of a missing connection do not apply.
        EXPECT_EQ(x.obs.messages[0], rs(65260));
        EXPECT_NE(x.obs.messages[0].find("70-zelmar.rules"), std::string::npos);
    }
    // Without a locked chime there is no hint.
    LockedHidBus none;
    Transfer y(emptyUsbBus(), none);
    EXPECT_EQ(y.t.run(false, false), 2);
    EXPECT_EQ(y.obs.messages, (std::vector<std::string>{rs(65202)}));
}

// An installed program names the rules its install put in place, and says to copy them where udev
// does not read them; a program run from a build folder points to the source tree's notes.
TEST(AccessHint, NamesTheInstalledRulesOrTheSourceTreesNotes)
{
    devtest::TempDir dir;
    const fs::path prefix = fs::path(dir.file("opt zelmar"));
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "lib" / "udev" / "rules.d");
    const fs::path rules = prefix / "lib" / "udev" / "rules.d" / "70-zelmar.rules";
    writeText(rules, "# rules\n");
    const std::string installed = accessHintText(prefix / "bin");
    EXPECT_EQ(installed, rsf(65331, {rules.lexically_normal().string()}));
    EXPECT_NE(installed.find(rules.lexically_normal().string()), std::string::npos);
    EXPECT_EQ(installed.find("packaging/README.md"), std::string::npos);

    const fs::path build = fs::path(dir.file("build"));
    fs::create_directories(build / "src" / "app");
    EXPECT_EQ(accessHintText(build / "src" / "app"), rs(65260));
    EXPECT_EQ(accessHintText(fs::path()), rs(65260));

    EXPECT_TRUE(udevReadsRulesAt("/usr/lib/udev/rules.d/70-zelmar.rules"));
    EXPECT_TRUE(udevReadsRulesAt("/lib/udev/rules.d/70-zelmar.rules"));
    EXPECT_FALSE(udevReadsRulesAt("/usr/local/lib/udev/rules.d/70-zelmar.rules"));
    EXPECT_FALSE(udevReadsRulesAt(rules));
}

TEST(Sysfs, ChimesTheBusDoesNotListAreFoundInTheKernelsList)
{
    devtest::TempDir dir;
    const fs::path root = dir.file("devices");
    sysfsDevice(root, "1-1", "16c0", "0852", 1, 5);
    sysfsDevice(root, "2-1", "16c0", "0854", 2, 3);
    writeText(root / "2-1" / "2-1:1.0" / "0003:16C0:0854.0001" / "hidraw" / "hidraw4" / "dev", "244:4");
    sysfsDevice(root, "3-1", "16c0", "0853", 3, 2);
    sysfsDevice(root, "4-1", "1d6b", "0852", 4, 2);
    writeText(root / "1-1:1.0" / "bInterfaceClass", "ff");
    writeText(root / "usb1" / "idVendor", "1d6b");

    const std::vector<SysfsChime> found = chimesInSysfs(root.string());
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].kind, ChimeEntry::Usb);
    EXPECT_EQ(found[0].path, "001/005");
    EXPECT_TRUE(found[0].hidraw.empty());
    EXPECT_EQ(found[1].kind, ChimeEntry::Hid);
    EXPECT_EQ(found[1].hidraw, (std::vector<std::string>{"hidraw4"}));

    // The HID chime's node is listed by the HID bus, the USB chime only by the kernel.
    UnlistingUsbBus usb(root.string());
    LockedHidBus hid;
    hid.present = {hidChime("/dev/hidraw4")};
    const std::vector<ChimeEntry> listed = listChimes(usb, hid);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].kind, ChimeEntry::Hid);
    EXPECT_EQ(listed[1].path, "001/005");
    EXPECT_TRUE(listed[1].fromSysfs);
    EXPECT_FALSE(listed[1].permitted);   // this machine has no such node for us

    Transfer x(usb, hid);
    EXPECT_EQ(x.t.run(false, false), 2);
    EXPECT_TRUE(x.t.failure.accessDenied);
    EXPECT_EQ(x.obs.messages, (std::vector<std::string>{rs(65260)}));
    EXPECT_TRUE(chimesInSysfs(dir.file("absent")).empty());
}

// The chime's folder goes away during the upload, so its file cannot take the new memory.
TEST(NotKept, AnUploadTheChimeCouldNotKeepFailsAndIsNotReadBack)
{
    for (ChimeKind kind : {ChimeKind::Usb, ChimeKind::Hid}) {
        devtest::TempDir dir;
        const std::string folder = dir.file("gone");
        fs::create_directories(folder);
        VirtualChime chime(folder + "/c.bin", kind);
        chime.timing.eraseTicks = 1;
        chime.onRequest = [&](long n) {
            if (n == 5)
                fs::remove_all(folder);
        };
        Transfer x(chime.usbBus(), chime.hidBus());
        devtest::fillPattern(x.flash.Image, kImageSize, 3);
        x.flash.ImageLength = 5000;
        const std::vector<uint8_t> sent(x.flash.Image.begin(), x.flash.Image.begin() + 5000);
        EXPECT_EQ(x.t.run(true, kind == ChimeKind::Hid), 2);
        EXPECT_EQ(x.t.failure.kind, TransferFailure::NotKept);
        ASSERT_EQ(x.obs.messages.size(), 1u);
        EXPECT_EQ(x.obs.messages[0].rfind(rsf(65261, {std::string()}), 0), 0u) << x.obs.messages[0];
        EXPECT_GT(x.obs.messages[0].size(), rsf(65261, {std::string()}).size());

        // What was not kept is not what a later download finds.
        chime.onRequest = nullptr;
        x.obs.messages.clear();
        EXPECT_EQ(x.t.run(false, kind == ChimeKind::Hid), 1);
        EXPECT_FALSE(std::equal(sent.begin(), sent.end(), x.flash.Image.begin()));
        EXPECT_EQ(x.flash.Image[0], 0xFF);
    }
}

TEST(NeverReady, TheUserCanGiveUpTheWaitForTheMemory)
{
    devtest::TempDir dir;
    VirtualChime chime(dir.file("c.bin"), ChimeKind::Usb, VirtualFault{VirtualFault::NeverReady, 1});
    int waits = 0;
    class Impatient : public devtest::RecordingObserver {
    public:
        int* waits = nullptr;
        void waiting() override
        {
            if (++*waits == 3)
                cancel = true;
        }
    };
    SteppingClock clock;
    Timer timer(clock);
    TUsbFlash flash(chime.usbBus(), clock);
    Impatient obs;
    obs.waits = &waits;
    DeviceTransfer t(flash, chime.hidBus(), obs, timer);
    flash.ImageLength = 2000;
    EXPECT_EQ(t.run(true, false), 2);
    EXPECT_TRUE(t.Cancelled);
    EXPECT_TRUE(obs.messages.empty());
    EXPECT_EQ(waits, 3);
    // One look every 50 ms of polling, not the whole limit.
    EXPECT_LT(chime.requests(), 400);
}

} // namespace
