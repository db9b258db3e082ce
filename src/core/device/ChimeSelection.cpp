#include "device/ChimeSelection.h"

#include <cstdlib>
#include <stdexcept>

namespace zelmar {

ChimeChoice chimeChoiceFromEnvironment()
{
    ChimeChoice c;
    if (const char* env = std::getenv("ZELMAR_VIRTUAL_CHIME"); env && *env) {
        std::string v = env;
        if (v.size() > 4 && v.compare(v.size() - 4, 4, ",hid") == 0) {
            c.hid = true;
            v.resize(v.size() - 4);
        }
        c.virtualFile = v;
    }
    if (const char* f = std::getenv("ZELMAR_VIRTUAL_FAULT"); f)
        c.fault = f;
    return c;
}

ChimeChoice chimeChoice(const std::string& virtualFile, bool hidFlag)
{
    ChimeChoice c = chimeChoiceFromEnvironment();
    if (!virtualFile.empty()) {
        c.virtualFile = virtualFile;
        c.hid = hidFlag;
    } else {
        c.hid = c.hid || hidFlag;
    }
    return c;
}

ChimeChoice takeChimeChoice(std::vector<std::string>& args)
{
    std::string file;
    bool hidFlag = false;
    for (size_t i = 0; i < args.size();) {
        if (args[i] == "--virtual-chime") {
            if (i + 1 >= args.size())
                throw std::invalid_argument("option --virtual-chime needs a file");
            file = args[i + 1];
            args.erase(args.begin() + long(i), args.begin() + long(i) + 2);
        } else if (args[i] == "--hid") {
            hidFlag = true;
            args.erase(args.begin() + long(i));
        } else {
            ++i;
        }
    }
    return chimeChoice(file, hidFlag);
}

ChimeLink::ChimeLink(const ChimeChoice& choice)
{
    if (choice.isVirtual())
        chime_ = std::make_unique<VirtualChime>(choice.virtualFile, choice.hid ? ChimeKind::Hid : ChimeKind::Usb,
                                                parseVirtualFault(choice.fault));
}

std::unique_ptr<ChimeLink> ChimeLink::none()
{
    std::unique_ptr<ChimeLink> link(new ChimeLink);
    link->none_ = true;
    return link;
}

UsbBus& ChimeLink::usb()
{
    if (none_)
        return emptyUsbBus();
    return usb_ ? *usb_ : chime_ ? chime_->usbBus() : libUsbBus();
}

HidBus& ChimeLink::hid()
{
    if (none_)
        return emptyHidBus();
    return hid_ ? *hid_ : chime_ ? chime_->hidBus() : hidApiBus();
}

namespace {
std::unique_ptr<ChimeLink>& current()
{
    static std::unique_ptr<ChimeLink> link;
    return link;
}
} // namespace

void useChime(const ChimeChoice& choice)
{
    auto next = std::make_unique<ChimeLink>(choice);
    current() = std::move(next);
}

void useNoChime()
{
    current() = ChimeLink::none();
}

void useChimeLink(std::unique_ptr<ChimeLink> link)
{
    current() = std::move(link);
}

ChimeLink& currentChime()
{
    if (!current())
        current() = std::make_unique<ChimeLink>(ChimeChoice{});
    return *current();
}

} // namespace zelmar
