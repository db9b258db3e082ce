// TUsbFlash on a simulated bus: the search for the chime, the string rules and the request checks.
#include "DeviceTestSupport.h"

#include "device/UsbFlash.h"

#include <gtest/gtest.h>

#include <map>

using namespace zelmar;

namespace {

std::vector<uint8_t> descriptor(const std::u16string& s, uint8_t type = 3)
{
    std::vector<uint8_t> d{uint8_t(2 + 2 * s.size()), type};
    for (char16_t c : s) {
        d.push_back(uint8_t(c & 0xFF));
        d.push_back(uint8_t(c >> 8));
    }
    return d;
}

constexpr int kNoOverride = -1000000;

// A bus of simulated devices. Each device has its string descriptors; every request is logged.
class SimBus : public UsbBus {
public:
    struct Dev {
        uint16_t vid = kUsbVendorId, pid = kUsbProductId;
        std::map<int, std::vector<uint8_t>> strings{{1, descriptor(u"VORANEX S.C.")}, {2, descriptor(u"ZELMAR 2.0.")}};
        bool opens = true;
        std::vector<int> statusReplies;   // for request 7, consumed in order; then ready
        int answerCount = kNoOverride;     // otherwise every vendor request returns this
    };
    std::vector<std::vector<Dev>> buses;
    std::vector<std::string> log;   // "open b.d", "close b.d", "str b.d i", "req n"
    int inits = 0;

    void init() override { ++inits; }
    int findBusses() override { return int(buses.size()); }
    int findDevices() override { return 0; }
    std::vector<UsbBusEntry> busses() override
    {
        std::vector<UsbBusEntry> out;
        for (size_t b = 0; b < buses.size(); ++b) {
            UsbBusEntry e;
            e.dirname = std::to_string(b);
            for (size_t d = 0; d < buses[b].size(); ++d) {
                UsbDevice u;
                u.idVendor = buses[b][d].vid;
                u.idProduct = buses[b][d].pid;
                u.iManufacturer = 1;
                u.iProduct = 2;
                u.filename = std::to_string(d);
                u.ref = &buses[b][d];
                e.devices.push_back(u);
            }
            out.push_back(e);
        }
        return out;
    }
    std::string name(const void* ref)
    {
        for (size_t b = 0; b < buses.size(); ++b)
            for (size_t d = 0; d < buses[b].size(); ++d)
                if (&buses[b][d] == ref)
                    return std::to_string(b) + "." + std::to_string(d);
        return "?";
    }
    UsbHandle open(const UsbDevice& u) override
    {
        log.push_back("open " + name(u.ref));
        auto* d = static_cast<Dev*>(const_cast<void*>(u.ref));
        return d->opens ? d : nullptr;
    }
    int close(UsbHandle h) override
    {
        log.push_back("close " + name(h));
        return 0;
    }
    int controlMsg(UsbHandle h, int rt, int req, int value, int index, uint8_t* bytes, int size, int) override
    {
        auto* d = static_cast<Dev*>(h);
        if (rt == 0x80 && req == 6) {
            log.push_back("str " + name(h) + " " + std::to_string(value & 0xFF));
            EXPECT_EQ(index, 0x0409);
            EXPECT_EQ(size, 256);
            auto it = d->strings.find(value & 0xFF);
            if (it == d->strings.end())
                return -32;
            const int n = std::min<int>(size, int(it->second.size()));
            std::copy_n(it->second.begin(), n, bytes);
            return n;
        }
        log.push_back("req " + std::to_string(req));
        lastValue = value;
        lastIndex = index;
        if (d->answerCount != kNoOverride)
            return d->answerCount;
        if (req == 7) {
            int s = 0x80;
            if (!d->statusReplies.empty()) {
                s = d->statusReplies.front();
                d->statusReplies.erase(d->statusReplies.begin());
            }
            bytes[0] = uint8_t(s);
        }
        return req == 1 || req == 5 || req == 7 ? 1 : size;
    }
    int lastValue = 0, lastIndex = 0;
};

TEST(FindDevice, TakesTheFirstMatchingChimeAndSkipsForeignIds)
{
    SimBus bus;
    SimBus::Dev other;
    other.pid = 0x0854;
    bus.buses = {{other}, {SimBus::Dev{}, SimBus::Dev{}}};
    TUsbFlash f(bus);
    EXPECT_EQ(f.Open(), 0);
    EXPECT_EQ(f.DeviceHandle, &bus.buses[1][0]);
    EXPECT_EQ(bus.log, (std::vector<std::string>{"open 1.0", "str 1.0 1", "str 1.0 2"}));
    EXPECT_EQ(bus.inits, 1);
}

TEST(FindDevice, ForeignStringsEndTheBusNotTheSearch)
{
    SimBus bus;
    SimBus::Dev foreignProduct;
    foreignProduct.strings[2] = descriptor(u"ZELMAR 2.0");   // without the full stop
    SimBus::Dev good;
    bus.buses = {{foreignProduct, good}, {good}};
    TUsbFlash f(bus);
    EXPECT_EQ(f.Open(), 0);
    // The second device on bus 0 is never opened; bus 1 is searched.
    EXPECT_EQ(bus.log, (std::vector<std::string>{"open 0.0", "str 0.0 1", "str 0.0 2", "close 0.0", "open 1.0",
                                                 "str 1.0 1", "str 1.0 2"}));
    EXPECT_EQ(f.DeviceHandle, &bus.buses[1][0]);
}

TEST(FindDevice, NoMatchLeavesErrorStateOne)
{
    const struct {
        const char* what;
        std::function<void(SimBus::Dev&)> spoil;
    } cases[] = {
        {"product differs", [](SimBus::Dev& d) { d.strings[2] = descriptor(u"ZELMAR 2.1."); }},
        {"manufacturer case", [](SimBus::Dev& d) { d.strings[1] = descriptor(u"Voranex S.C."); }},
        {"wrong descriptor type", [](SimBus::Dev& d) { d.strings[1] = descriptor(u"VORANEX S.C.", 2); }},
        {"string request fails", [](SimBus::Dev& d) { d.strings.erase(2); }},
        {"a character above 0xFF", [](SimBus::Dev& d) { d.strings[2] = descriptor(u"ZELMAR 2\u01050."); }},
        {"does not open", [](SimBus::Dev& d) { d.opens = false; }},
    };
    for (const auto& c : cases) {
        SimBus bus;
        SimBus::Dev d;
        c.spoil(d);
        bus.buses = {{d, SimBus::Dev{}}};
        TUsbFlash f(bus);
        const bool opens = d.opens;
        // A device that does not open lets the next one on the bus be tried.
        EXPECT_EQ(f.Open(), opens ? 1 : 0) << c.what;
        EXPECT_EQ(f.ErrorState, opens ? 1 : 0) << c.what;
        if (opens) {
            EXPECT_EQ(f.DeviceHandle, nullptr) << c.what;
            EXPECT_EQ(bus.log.back(), "close 0.0") << c.what;
        }
    }
}

TEST(GetStringAscii, FollowsTheDescriptorsLengthAndMarksWideCharacters)
{
    SimBus bus;
    SimBus::Dev d;
    d.strings[3] = descriptor(u"Za\u017C\u00F3\u0142");         // Ż and ł are above 0xFF, ó is not
    d.strings[4] = descriptor(u"ABCDEF");
    d.strings[4][0] = 8;                                         // the descriptor claims three characters
    d.strings[5] = descriptor(u"", 3);
    d.strings[6] = descriptor(u"XY", 0x21);
    bus.buses = {{d}};
    TUsbFlash f(bus);
    std::string t;
    EXPECT_EQ(f.GetStringAscii(&bus.buses[0][0], 3, 1033, t), 5);
    EXPECT_EQ(t, "Za?\xF3?");
    EXPECT_EQ(f.GetStringAscii(&bus.buses[0][0], 4, 1033, t), 3);
    EXPECT_EQ(t, "ABC");
    EXPECT_EQ(f.GetStringAscii(&bus.buses[0][0], 5, 1033, t), 0);
    EXPECT_EQ(f.GetStringAscii(&bus.buses[0][0], 6, 1033, t), 0);
    EXPECT_EQ(t, "");
    EXPECT_EQ(f.GetStringAscii(&bus.buses[0][0], 9, 1033, t), -32);
}

TEST(UsbRequests, CarryTheCommandBytesAndCheckTheirCounts)
{
    SimBus bus;
    bus.buses = {{SimBus::Dev{}}};
    TUsbFlash f(bus);
    ASSERT_EQ(f.Open(), 0);
    f.BeginCommand(0x83, pageA1(4095), pageA2(4095), 0);
    EXPECT_EQ(bus.lastValue, 0x83 | 63 << 8);
    EXPECT_EQ(bus.lastIndex, 0xFC);
    EXPECT_EQ(f.RequestValue, 0x3F83);
    f.BeginCommand(0x86, pageA1(65), pageA2(65), 0);
    EXPECT_EQ(bus.lastValue, 0x86 | 1 << 8);
    EXPECT_EQ(bus.lastIndex, 4);
    f.WriteBytes(132);
    EXPECT_EQ(f.ErrorState, 0);
    EXPECT_EQ(f.RequestValue, 132);
    EXPECT_EQ(f.LastResult, 132);

    // A short count fails the transfer; from then on nothing reaches the bus.
    bus.buses[0][0].answerCount = 131;
    f.ReadBytes(132);
    EXPECT_EQ(f.ErrorState, 2);
    const size_t before = bus.log.size();
    f.BeginCommand(0x03, 0, 0, 0);
    f.WriteBytes(132);
    f.EndCommand();
    EXPECT_EQ(f.ReadStatus(), -1);
    f.WaitReady();
    EXPECT_EQ(bus.log.size(), before);
    f.Close();
    EXPECT_EQ(f.ErrorState, 2);

    // Open clears the error and searches afresh.
    bus.buses[0][0].answerCount = kNoOverride;
    EXPECT_EQ(f.Open(), 0);
    EXPECT_EQ(f.ReadStatus(), 0x80);
}

TEST(UsbRequests, BeginAndEndDoNotCheckTheirCounts)
{
    SimBus bus;
    bus.buses = {{SimBus::Dev{}}};
    TUsbFlash f(bus);
    ASSERT_EQ(f.Open(), 0);
    bus.buses[0][0].answerCount = -110;
    f.BeginCommand(0x84, 0, 0, 0);
    f.EndCommand();
    EXPECT_EQ(f.ErrorState, 0);
    EXPECT_EQ(f.LastResult, -110);
    f.ReadStatus();
    EXPECT_EQ(f.ErrorState, 2);
}

TEST(WaitReady, PollsUntilTheReadyBitWithoutPausing)
{
    SimBus bus;
    SimBus::Dev d;
    d.statusReplies = {0x2C, 0x00, 0x7F, 0xAC};
    bus.buses = {{d}};
    SteppingClock clock;
    TUsbFlash f(bus, clock);
    ASSERT_EQ(f.Open(), 0);
    f.WaitReady();
    EXPECT_EQ(f.ErrorState, 0);
    EXPECT_EQ(std::count(bus.log.begin(), bus.log.end(), "req 7"), 4);
}

TEST(WaitReady, GivesUpAfterItsLimit)
{
    SimBus bus;
    SimBus::Dev d;
    d.statusReplies.assign(100000, 0x2C);
    bus.buses = {{d}};
    SteppingClock clock(1000000);   // 1 ms a reading
    TUsbFlash f(bus, clock);
    ASSERT_EQ(f.Open(), 0);
    f.WaitReady();
    EXPECT_EQ(f.ErrorState, kUsbNeverReady);
    const auto polls = std::count(bus.log.begin(), bus.log.end(), "req 7");
    EXPECT_GT(polls, kWaitReadyLimitMs - 10);
    EXPECT_LT(polls, kWaitReadyLimitMs + 10);
    EXPECT_EQ(f.ReadStatus(), -1);
}

TEST(Timer, DelayAndDeadlineEndWhenTheClockRunsBackwards)
{
    SteppingClock clock(1000);
    Timer t(clock);
    t.StartDeadline(5);
    EXPECT_FALSE(t.DeadlineExpired());
    clock.advance(5000000);
    EXPECT_TRUE(t.DeadlineExpired());
    t.StartDeadline(60000);
    clock.jumpBack(1000000);
    EXPECT_TRUE(t.DeadlineExpired());
    // A clock that runs backwards ends a delay at its first reading.
    SteppingClock back(-1000);
    Timer tb(back);
    tb.Delay(1000000000);
    EXPECT_TRUE(tb.DeadlineExpired());
}

} // namespace
