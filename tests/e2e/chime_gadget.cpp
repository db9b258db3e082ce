// A chime on the kernel's USB gadget framework, for the pass through a real kernel: configfs and
// libcomposite make the device, a FunctionFS function hands its control requests to this program,
// and the chime's own device model answers them.
//
//   chime_gadget usb|hid [--udc NAME]     present the chime until SIGTERM
//   chime_gadget as-user UID CMD [ARG...]  run CMD as that user (for the access checks)
//
// While it runs, a fault is armed by writing "stall N", "short N", "silent N" or "unplug N" into
// /run/chime-fault: the N-th control request from then on is stalled, answered one byte short, left
// unanswered past the host's timeout, or the gadget unbinds from its controller there (writing the
// controller's name into the gadget's UDC file binds it again, as a re-plug).
#include "device/ChimeModel.h"
#include "device/HidLayer.h"
#include "device/UsbFlash.h"

#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <endian.h>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <poll.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace zelmar;

namespace {

const std::string kGadget = "/sys/kernel/config/usb_gadget/chime";
const std::string kFfsMount = "/dev/ffs-chime";
const char* kFaultFile = "/run/chime-fault";

volatile sig_atomic_t stopping = 0;

void onStop(int)
{
    stopping = 1;
}

[[noreturn]] void die(const std::string& what)
{
    std::fprintf(stderr, "chime_gadget: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path);
    out << text;
    out.close();
    if (!out)
        die("cannot write " + path);
}

std::string firstUdc()
{
    DIR* d = opendir("/sys/class/udc");
    if (!d)
        die("no USB device controllers (/sys/class/udc)");
    std::string name;
    while (dirent* e = readdir(d))
        if (e->d_name[0] != '.' && name.empty())
            name = e->d_name;
    closedir(d);
    if (name.empty())
        die("no USB device controller");
    return name;
}

// ---- descriptors -------------------------------------------------------------------------------

// One feature report of 512 bytes, without a report id, in a vendor collection.
const uint8_t kReportDescriptor[] = {
    0x06, 0x00, 0xFF,   // Usage Page (vendor 0xFF00)
    0x09, 0x01,         // Usage (1)
    0xA1, 0x01,         // Collection (Application)
    0x09, 0x02,         //   Usage (2)
    0x15, 0x00,         //   Logical Minimum (0)
    0x26, 0xFF, 0x00,   //   Logical Maximum (255)
    0x75, 0x08,         //   Report Size (8)
    0x96, 0x00, 0x02,   //   Report Count (512)
    0xB1, 0x02,         //   Feature (Data, Variable, Absolute)
    0xC0,               // End Collection
};

struct HidClassDescriptor {
    uint8_t bLength = 9;
    uint8_t bDescriptorType = 0x21;
    uint16_t bcdHID = htole16(0x0111);
    uint8_t bCountryCode = 0;
    uint8_t bNumDescriptors = 1;
    uint8_t bReportType = 0x22;
    uint16_t wReportLength = htole16(sizeof kReportDescriptor);
} __attribute__((packed));

template <typename T> void put(std::vector<uint8_t>& out, const T& value)
{
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    out.insert(out.end(), p, p + sizeof value);
}

// The function's descriptors for one speed: the interface, and for the HID chime its class
// descriptor and the interrupt endpoint usbhid insists on.
int speedDescriptors(std::vector<uint8_t>& out, ChimeKind kind, bool high)
{
    usb_interface_descriptor intf{};
    intf.bLength = USB_DT_INTERFACE_SIZE;
    intf.bDescriptorType = USB_DT_INTERFACE;
    intf.bNumEndpoints = kind == ChimeKind::Hid ? 1 : 0;
    intf.bInterfaceClass = kind == ChimeKind::Hid ? USB_CLASS_HID : USB_CLASS_VENDOR_SPEC;
    intf.iInterface = 1;
    put(out, intf);
    if (kind == ChimeKind::Usb)
        return 1;
    put(out, HidClassDescriptor{});
    usb_endpoint_descriptor_no_audio ep{};
    ep.bLength = USB_DT_ENDPOINT_SIZE;
    ep.bDescriptorType = USB_DT_ENDPOINT;
    ep.bEndpointAddress = 1 | USB_DIR_IN;
    ep.bmAttributes = USB_ENDPOINT_XFER_INT;
    ep.wMaxPacketSize = htole16(64);
    ep.bInterval = high ? 4 : 10;
    put(out, ep);
    return 3;
}

std::vector<uint8_t> functionDescriptors(ChimeKind kind)
{
    std::vector<uint8_t> fs, hs;
    const int fsCount = speedDescriptors(fs, kind, false);
    const int hsCount = speedDescriptors(hs, kind, true);
    std::vector<uint8_t> out;
    // Vendor requests go to the device, not to an interface: ALL_CTRL_RECIP brings them here.
    put(out, htole32(FUNCTIONFS_DESCRIPTORS_MAGIC_V2));
    put(out, htole32(0));   // length, below
    put(out, htole32(FUNCTIONFS_HAS_FS_DESC | FUNCTIONFS_HAS_HS_DESC | FUNCTIONFS_ALL_CTRL_RECIP));
    put(out, htole32(uint32_t(fsCount)));
    put(out, htole32(uint32_t(hsCount)));
    out.insert(out.end(), fs.begin(), fs.end());
    out.insert(out.end(), hs.begin(), hs.end());
    const uint32_t length = htole32(uint32_t(out.size()));
    std::memcpy(out.data() + 4, &length, 4);
    return out;
}

std::vector<uint8_t> functionStrings()
{
    const char name[] = "chime";
    std::vector<uint8_t> out;
    put(out, htole32(FUNCTIONFS_STRINGS_MAGIC));
    put(out, htole32(uint32_t(16 + 2 + sizeof name)));
    put(out, htole32(1));
    put(out, htole32(1));
    put(out, htole16(0x0409));
    out.insert(out.end(), name, name + sizeof name);
    return out;
}

// ---- the gadget in configfs --------------------------------------------------------------------

void makeGadget(ChimeKind kind)
{
    ::mkdir(kGadget.c_str(), 0755);
    writeFile(kGadget + "/idVendor", "0x16c0");
    writeFile(kGadget + "/idProduct", kind == ChimeKind::Usb ? "0x0852" : "0x0854");
    writeFile(kGadget + "/bcdUSB", "0x0200");
    writeFile(kGadget + "/bcdDevice", "0x0100");
    ::mkdir((kGadget + "/strings/0x409").c_str(), 0755);
    writeFile(kGadget + "/strings/0x409/manufacturer", kUsbManufacturer);
    writeFile(kGadget + "/strings/0x409/product", kind == ChimeKind::Usb ? kUsbProduct : "ZELMAR 2.2 USB");
    ::mkdir((kGadget + "/configs/c.1").c_str(), 0755);
    ::mkdir((kGadget + "/configs/c.1/strings/0x409").c_str(), 0755);
    writeFile(kGadget + "/configs/c.1/strings/0x409/configuration", "chime");
    writeFile(kGadget + "/configs/c.1/MaxPower", "100");
    if (::mkdir((kGadget + "/functions/ffs.chime").c_str(), 0755) != 0 && errno != EEXIST)
        die("cannot make the FunctionFS function");
    if (::symlink((kGadget + "/functions/ffs.chime").c_str(), (kGadget + "/configs/c.1/ffs.chime").c_str()) != 0
        && errno != EEXIST)
        die("cannot put the function into the configuration");
    ::mkdir(kFfsMount.c_str(), 0755);
    if (::mount("chime", kFfsMount.c_str(), "functionfs", 0, nullptr) != 0 && errno != EBUSY)
        die("cannot mount functionfs");
}

void removeGadget()
{
    std::ofstream(kGadget + "/UDC") << "\n";
    ::umount(kFfsMount.c_str());
    ::rmdir(kFfsMount.c_str());
    ::unlink((kGadget + "/configs/c.1/ffs.chime").c_str());
    ::rmdir((kGadget + "/configs/c.1/strings/0x409").c_str());
    ::rmdir((kGadget + "/configs/c.1").c_str());
    ::rmdir((kGadget + "/functions/ffs.chime").c_str());
    ::rmdir((kGadget + "/strings/0x409").c_str());
    ::rmdir(kGadget.c_str());
}

// ---- faults ------------------------------------------------------------------------------------

struct Fault {
    std::string kind;   // empty: none
    long at = 0;        // counted from arming
};

// A fault armed since the last request replaces the one before.
void takeArmedFault(Fault& fault, long& count)
{
    std::ifstream in(kFaultFile);
    if (!in)
        return;
    Fault f;
    in >> f.kind >> f.at;
    ::unlink(kFaultFile);
    fault = f;
    count = 0;
    std::fprintf(stderr, "chime_gadget: armed %s at request %ld\n", f.kind.c_str(), f.at);
}

// ---- control requests --------------------------------------------------------------------------

class Gadget {
public:
    Gadget(ChimeKind kind, int ep0, std::string udc) : kind_(kind), ep0_(ep0), udc_(std::move(udc)), model_(kind) {}

    void setup(const usb_ctrlrequest& r)
    {
        const int type = r.bRequestType;
        const int request = r.bRequest;
        const int value = le16toh(r.wValue), index = le16toh(r.wIndex), length = le16toh(r.wLength);
        const bool in = type & USB_DIR_IN;

        // The HID chime's descriptors, which usbhid asks of the interface.
        if (type == (USB_DIR_IN | USB_RECIP_INTERFACE) && request == USB_REQ_GET_DESCRIPTOR) {
            if ((value >> 8) == 0x22)
                return reply(kReportDescriptor, sizeof kReportDescriptor, length);
            if ((value >> 8) == 0x21) {
                HidClassDescriptor d;
                return reply(reinterpret_cast<const uint8_t*>(&d), sizeof d, length);
            }
            return stall(in);
        }
        if (kind_ == ChimeKind::Hid && type == (USB_TYPE_CLASS | USB_RECIP_INTERFACE) && request == 0x0A)
            return ack();   // SET_IDLE

        takeArmedFault(fault_, count_);
        ++count_;
        model_.tick();
        const bool hit = !fault_.kind.empty() && count_ == fault_.at;
        if (hit) {
            std::fprintf(stderr, "chime_gadget: %s at request %ld\n", fault_.kind.c_str(), count_);
            if (fault_.kind == "stall")
                return stall(in);
            if (fault_.kind == "silent") {
                // Longer than the host waits (5 s); the late answer then fails on our side.
                ::sleep(7);
                return stall(in);
            }
            if (fault_.kind == "unplug") {
                std::thread([udc = kGadget + "/UDC"] { std::ofstream(udc) << "\n"; }).detach();
                return;
            }
        }
        shortBy_ = hit && fault_.kind == "short" ? 1 : 0;

        std::vector<uint8_t> data(size_t(std::max(length, 1)), 0);
        if (!in && length > 0 && !receive(data.data(), length))
            return;
        if (kind_ == ChimeKind::Usb && (type & USB_TYPE_MASK) == USB_TYPE_VENDOR) {
            const int n = model_.usbVendorRequest(type, request, value, index, data.data(), length);
            if (n < 0)
                return in ? stall(true) : void();
            if (in)
                return reply(data.data(), size_t(n), length);
            return length == 0 ? ack() : void();
        }
        if (kind_ == ChimeKind::Hid && (type & USB_TYPE_MASK) == USB_TYPE_CLASS && length == kHidPageSize) {
            // GET_REPORT / SET_REPORT of the feature report (type 3, id 0).
            if (request == 0x01 && in && value == 0x0300) {
                if (!model_.hidGet(data.data()))
                    return stall(true);
                return reply(data.data(), kHidPageSize, length);
            }
            if (request == 0x09 && !in && value == 0x0300) {
                model_.hidSet(data.data());
                return;
            }
        }
        if (in || length == 0)
            stall(in);
    }

    // The controller bound the gadget again after an unbind: the chime was plugged in afresh, so
    // its memory stays and its state starts over.
    void powerCycle()
    {
        std::vector<uint8_t> memory = model_.memory();
        model_ = ChimeModel(kind_);
        model_.memory() = std::move(memory);
    }

private:
    void reply(const uint8_t* bytes, size_t n, int length)
    {
        n = std::min(n, size_t(length));
        if (shortBy_ && n > 0)
            --n;
        report(::write(ep0_, bytes, n), "reply");
    }
    void stall(bool in)
    {
        // FunctionFS stalls a request when it is answered the wrong way round.
        report(in ? ::read(ep0_, nullptr, 0) : ::write(ep0_, nullptr, 0), "stall");
    }
    void ack() { report(::read(ep0_, nullptr, 0), "ack"); }
    bool receive(uint8_t* bytes, int n)
    {
        return report(::read(ep0_, bytes, size_t(n)), "receive") == n;
    }
    // A request the host gave up on (EIDRM), a stall (EL2HLT) or a request cut short (EOVERFLOW)
    // ends that request only; the gadget goes on.
    ssize_t report(ssize_t r, const char* what)
    {
        if (r < 0 && errno != EL2HLT)
            std::fprintf(stderr, "chime_gadget: %s: %s\n", what, std::strerror(errno));
        return r;
    }

    ChimeKind kind_;
    int ep0_;
    std::string udc_;
    ChimeModel model_;
    Fault fault_;
    long count_ = 0;
    int shortBy_ = 0;
};

int present(ChimeKind kind, std::string udc)
{
    if (udc.empty())
        udc = firstUdc();
    std::signal(SIGTERM, onStop);
    std::signal(SIGINT, onStop);
    makeGadget(kind);
    const int ep0 = ::open((kFfsMount + "/ep0").c_str(), O_RDWR);
    if (ep0 < 0)
        die("cannot open ep0");
    const std::vector<uint8_t> descriptors = functionDescriptors(kind);
    if (::write(ep0, descriptors.data(), descriptors.size()) != ssize_t(descriptors.size()))
        die("FunctionFS refused the descriptors");
    const std::vector<uint8_t> strings = functionStrings();
    if (::write(ep0, strings.data(), strings.size()) != ssize_t(strings.size()))
        die("FunctionFS refused the strings");
    writeFile(kGadget + "/UDC", udc);

    Gadget gadget(kind, ep0, udc);
    bool unbound = false;
    while (!stopping) {
        pollfd p{ep0, POLLIN, 0};
        if (::poll(&p, 1, 200) <= 0)
            continue;
        usb_functionfs_event events[4];
        const ssize_t n = ::read(ep0, events, sizeof events);
        if (n < 0) {
            if (errno != EINTR && errno != EAGAIN)
                std::fprintf(stderr, "chime_gadget: events: %s\n", std::strerror(errno));
            continue;
        }
        for (ssize_t i = 0; i < n / ssize_t(sizeof events[0]); ++i) {
            switch (events[i].type) {
            case FUNCTIONFS_SETUP: gadget.setup(events[i].u.setup); break;
            case FUNCTIONFS_UNBIND: unbound = true; break;
            case FUNCTIONFS_BIND:
                if (unbound)
                    gadget.powerCycle();
                unbound = false;
                break;
            default: break;
            }
        }
    }
    ::close(ep0);
    removeGadget();
    return 0;
}

int asUser(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    const uid_t uid = uid_t(std::atoi(argv[2]));
    if (::setgroups(0, nullptr) != 0 || ::setgid(uid) != 0 || ::setuid(uid) != 0)
        die("cannot become user " + std::string(argv[2]));
    ::execvp(argv[3], argv + 3);
    die(std::string("cannot run ") + argv[3]);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "as-user")
        return asUser(argc, argv);
    if (mode != "usb" && mode != "hid") {
        std::fprintf(stderr, "usage: chime_gadget usb|hid [--udc NAME] | chime_gadget as-user UID CMD [ARG...]\n");
        return 2;
    }
    std::string udc;
    if (argc > 3 && std::string(argv[2]) == "--udc")
        udc = argv[3];
    return present(mode == "usb" ? ChimeKind::Usb : ChimeKind::Hid, udc);
}
