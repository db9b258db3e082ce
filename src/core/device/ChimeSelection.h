#pragma once
// Which chime the process talks to: the real hardware, or a virtual chime in a file chosen with
// "--virtual-chime FILE [--hid]" or ZELMAR_VIRTUAL_CHIME=FILE[,hid].
#include "device/HidBus.h"
#include "device/UsbBus.h"
#include "device/VirtualChime.h"

#include <memory>
#include <string>
#include <vector>

namespace zelmar {

struct ChimeChoice {
    std::string virtualFile;   // empty: the real chimes
    bool hid = false;          // the virtual chime is the HID kind
    std::string fault;         // ZELMAR_VIRTUAL_FAULT
    bool isVirtual() const { return !virtualFile.empty(); }
};

// Removes "--virtual-chime FILE" and "--hid" from `args`. When no file was given there, the
// environment (ZELMAR_VIRTUAL_CHIME, ZELMAR_VIRTUAL_FAULT) decides. Throws std::invalid_argument
// when --virtual-chime has no file.
ChimeChoice takeChimeChoice(std::vector<std::string>& args);
// The choice of a command line already read: `virtualFile` of --virtual-chime (empty when not
// given) and --hid. A file given there takes its kind from --hid alone; without one the environment
// decides, and --hid makes its chime the HID kind.
ChimeChoice chimeChoice(const std::string& virtualFile, bool hidFlag);
// The environment's choice alone.
ChimeChoice chimeChoiceFromEnvironment();

// The two buses of one choice; a virtual chime serves only the bus of its kind.
class ChimeLink {
public:
    // Throws FileError when the virtual chime's file cannot be used, std::invalid_argument for a
    // malformed fault.
    explicit ChimeLink(const ChimeChoice& choice);
    // No chime on either bus, as when none is plugged in.
    static std::unique_ptr<ChimeLink> none();
    // Buses of the caller's own, which outlive the link.
    ChimeLink(UsbBus& usb, HidBus& hid) : usb_(&usb), hid_(&hid) {}
    UsbBus& usb();
    HidBus& hid();
    VirtualChime* virtualChime() { return chime_.get(); }

private:
    ChimeLink() = default;
    std::unique_ptr<VirtualChime> chime_;
    bool none_ = false;
    UsbBus* usb_ = nullptr;
    HidBus* hid_ = nullptr;
};

// The chime the whole process uses; real hardware until useChime is called.
void useChime(const ChimeChoice& choice);
// Leaves the process without any chime (for a virtual chime that cannot be used).
void useNoChime();
void useChimeLink(std::unique_ptr<ChimeLink> link);
ChimeLink& currentChime();

} // namespace zelmar
