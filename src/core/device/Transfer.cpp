#include "device/Transfer.h"

#include "device/ChimeList.h"
#include "i18n/ResourceStrings.h"
#include "paths/DataPaths.h"

#include <algorithm>
#include <cstring>

namespace zelmar {

std::string HidErrorText(int step)
{
    return rs(kTextNoCommunication) + "\n\n (HID-ERR: " + std::to_string(step) + ")";
}

std::string adviceText()
{
    const std::string difference = rs(kTextDifference);
    const size_t cut = difference.find('\n');
    return cut == std::string::npos ? difference : difference.substr(cut + 1);
}

std::string accessHintText(const std::filesystem::path& exeDir)
{
    // An installed program names the rules its install put in place; one run from a source tree
    // points to the notes beside the rules there.
    if (const auto rules = installedUdevRules(exeDir))
        return rsf(udevReadsRulesAt(*rules) ? kTextAccessHintInstalled : kTextAccessHintCopy, {rules->string()});
    return rs(kTextAccessHint);
}

std::string failureText(const TransferFailure& f)
{
    // A chime that is there but may not be opened needs only the way to the permission: the causes
    // of a missing connection would send the user after the cable.
    if (f.accessDenied && (f.kind == TransferFailure::NoChime || f.kind == TransferFailure::HidStep))
        return accessHintText(executableDirectory());
    switch (f.kind) {
    case TransferFailure::None:
        return {};
    case TransferFailure::NoChime:
        return rs(kTextNoCommunication);
    case TransferFailure::Communication:
        return rs(kTextCommunicationError) + "\n" + adviceText();
    case TransferFailure::UsbDifference:
        return rs(kTextCommunicationError) + "\n" + rs(kTextDifference);
    case TransferFailure::NotKept:
        return rsf(kTextNotKept, {f.detail});
    case TransferFailure::HidStep:
        return HidErrorText(f.step);
    case TransferFailure::HidDifference:
        return rs(kTextCommunicationError) + "\n" + rs(kTextDifference) + "\n" + "PAGE: " + std::to_string(f.page)
               + " BYTE: " + std::to_string(f.byte) + " WRITTEN: " + std::to_string(f.written)
               + " READ: " + std::to_string(f.read);
    }
    return {};
}

bool DeviceTransfer::pump(int value)
{
    obs_.progress(value);
    if (obs_.cancelRequested())
        Cancelled = true;
    return Cancelled;
}

void DeviceTransfer::fail(const TransferFailure& f)
{
    failure = f;
    obs_.failed(f);
}

bool DeviceTransfer::waitReady()
{
    return flash_.WaitReady([this] {
        obs_.waiting();
        if (obs_.cancelRequested())
            Cancelled = true;
        return Cancelled;
    });
}

// An upload counts only once the chime has kept what it took.
bool DeviceTransfer::kept(const std::string& unsaved)
{
    if (unsaved.empty())
        return true;
    TransferFailure f;
    f.kind = TransferFailure::NotKept;
    f.detail = unsaved;
    fail(f);
    return false;
}

// ---- USB ---------------------------------------------------------------------------------------

namespace {
TransferFailure communicationFailure(const TUsbFlash& flash)
{
    TransferFailure f;
    f.kind = TransferFailure::Communication;
    f.neverReady = flash.ErrorState == kUsbNeverReady;
    return f;
}
} // namespace

int DeviceTransfer::UsbTransfer(bool upload)
{
    Cancelled = false;
    failure = {};
    if (flash_.Open() != 0) {
        flash_.Close();
        TransferFailure f{TransferFailure::NoChime};
        f.accessDenied = chimeAccessDenied(flash_.bus(), hid_);
        fail(f);
        return 2;
    }
    obs_.busy(true);
    if (upload) {
        usbWrite();
        if (!Cancelled && failure.kind == TransferFailure::None)
            usbVerify();
    } else {
        usbRead();
    }
    flash_.Close();
    obs_.busy(false);
    if (failure.kind != TransferFailure::None && failure.kind != TransferFailure::UsbDifference) {
        // A request that failed mid-transfer is reported here, once the chime is let go.
        obs_.failed(failure);
        return 2;
    }
    if (Cancelled || failure.kind != TransferFailure::None)
        return 2;
    return !upload || kept(flash_.bus().unsavedReason()) ? 1 : 2;
}

void DeviceTransfer::usbWrite()
{
    TUsbFlash& f = flash_;
    obs_.phase(kTextWriting, pagesFor(f.ImageLength, kUsbPageSize));
    f.Position = 0;
    for (int p = 0;; ++p) {
        f.BeginCommand(p % 2 == 0 ? kOpWriteBuffer1 : kOpWriteBuffer2, 0, 0, 0);
        for (int k = 0; k < 4; ++k) {
            // The last page reaches up to 64 bytes past the image; those go out erased.
            const int32_t n = std::clamp<int32_t>(kImageSize - f.Position, 0, kUsbChunk);
            std::memcpy(f.TransferBuffer, f.Image.data() + f.Position, size_t(n));
            std::memset(f.TransferBuffer + n, 0xFF, size_t(kUsbChunk - n));
            f.Position += kUsbChunk;
            f.WriteBytes(kUsbChunk);
        }
        f.EndCommand();
        f.BeginCommand(p % 2 == 0 ? kOpProgramBuffer1 : kOpProgramBuffer2, pageA1(p), pageA2(p), 0);
        f.EndCommand();
        if (f.ErrorState != kUsbOk) {
            failure = communicationFailure(f);
            return;
        }
        if (pump(p + 1) || f.Position >= f.ImageLength || p == kUsbPageCount - 1)
            return;
    }
}

bool DeviceTransfer::beginContinuousRead()
{
    TUsbFlash& f = flash_;
    f.Position = 0;
    if (!waitReady())
        return false;
    if (f.ErrorState != kUsbOk) {
        failure = communicationFailure(f);
        return false;
    }
    f.BeginCommand(kOpContinuousRead, 0, 0, 0);
    return true;
}

void DeviceTransfer::usbVerify()
{
    TUsbFlash& f = flash_;
    obs_.phase(kTextVerifying, pagesFor(f.ImageLength, kUsbPageSize));
    if (!beginContinuousRead())
        return;
    bool differs = false;
    for (int p = 0;; ++p) {
        for (int k = 0; k < 4; ++k) {
            f.ReadBytes(kUsbChunk);
            if (differs)
                continue;   // the rest of the page is still read, but no longer compared
            if (f.ErrorState != kUsbOk) {
                // Never compare what a failed read left in the buffer.
                failure = communicationFailure(f);
                return;
            }
            // Only the first ImageLength bytes are compared; the tail of the last page is not.
            const int32_t compared = std::clamp<int32_t>(f.ImageLength - f.Position, 0, kUsbChunk);
            if (std::memcmp(f.Image.data() + f.Position, f.TransferBuffer, size_t(compared)) == 0) {
                f.Position += kUsbChunk;
                continue;
            }
            for (int i = 0; i < kUsbChunk; ++i) {
                if (f.Position < f.ImageLength && f.Image[size_t(f.Position)] != f.TransferBuffer[i]) {
                    f.EndCommand();
                    TransferFailure d;
                    d.kind = TransferFailure::UsbDifference;
                    d.page = f.Position / kUsbPageSize;
                    d.byte = f.Position % kUsbPageSize + 1;
                    d.written = f.Image[size_t(f.Position)];
                    d.read = f.TransferBuffer[i];
                    fail(d);
                    Cancelled = true;
                    differs = true;
                    break;
                }
                ++f.Position;
            }
        }
        if (pump(p + 1) || f.Position >= f.ImageLength || p == kUsbPageCount - 1)
            break;
    }
    f.EndCommand();
}

void DeviceTransfer::usbRead()
{
    TUsbFlash& f = flash_;
    obs_.phase(kTextReading, kUsbPageCount);
    f.ImageLength = kImageSize;
    if (!beginContinuousRead())
        return;
    for (int p = 0;; ++p) {
        for (int k = 0; k < 4; ++k) {
            f.ReadBytes(kUsbChunk);
            if (f.ErrorState != kUsbOk) {
                // What a failed read left behind is not the chime's memory; the reader never sees it.
                failure = communicationFailure(f);
                f.ImageLength = kImageSize;
                return;
            }
            const int32_t n = std::clamp<int32_t>(kImageSize - f.Position, 0, kUsbChunk);
            std::memcpy(f.Image.data() + f.Position, f.TransferBuffer, size_t(n));
            f.Position += kUsbChunk;
        }
        if (pump(p + 1) || f.Position >= f.ImageLength || p == kUsbPageCount - 1)
            break;
    }
    f.EndCommand();
    f.ImageLength = kImageSize;
}

// ---- HID ---------------------------------------------------------------------------------------

namespace {

struct Report {
    uint8_t bytes[kReportLength] = {};
    uint8_t* data() { return bytes + 1; }
};

void get(HidLayer& layer, HidDevice& dev, Report& r, int step)
{
    r.bytes[0] = 0;
    if (!layer.GetFeatureReport(dev, r.bytes, kReportLength))
        throw EDeviceError({TransferFailure::HidStep, step});
}

void set(HidLayer& layer, HidDevice& dev, Report& r, int step)
{
    r.bytes[0] = 0;
    if (!layer.SetFeatureReport(dev, r.bytes, kReportLength))
        throw EDeviceError({TransferFailure::HidStep, step});
}

bool lastPage(int q, int32_t length)
{
    return int64_t(q + 1) * kHidPageSize >= length || q == kHidPageCount - 1;
}

} // namespace

int DeviceTransfer::HidTransfer(bool upload)
{
    Cancelled = false;
    failure = {};
    HidLayer layer(hid_);
    HidDevice* dev = layer.ClaimDevice(kHidVendorId, kHidProductId);
    if (!dev) {
        TransferFailure f{TransferFailure::HidStep, 0};
        f.accessDenied = chimeAccessDenied(flash_.bus(), hid_);
        fail(f);
        return 2;
    }
    obs_.busy(true);
    try {
        if (upload)
            hidUpload(layer, *dev);
        else
            hidDownload(layer, *dev);
    } catch (const EDeviceError& e) {
        fail(e.failure);
        layer.ReleaseDevice(dev);
        obs_.busy(false);
        return 2;
    }
    layer.ReleaseDevice(dev);
    obs_.busy(false);
    if (Cancelled)
        return 2;
    return !upload || kept(hid_.unsavedReason()) ? 1 : 2;
}

void DeviceTransfer::hidUpload(HidLayer& layer, HidDevice& dev)
{
    Report r;
    get(layer, dev, r, 1);
    set(layer, dev, r, 2);
    set(layer, dev, r, 3);
    timer_.StartDeadline(kEraseDeadlineMs);
    obs_.phase(kTextErasing, kEraseGaugeMax);
    for (int polls = 1;; ++polls) {
        timer_.Delay(kErasePollMs);
        get(layer, dev, r, 4);
        if (pump(polls))
            return;
        if (timer_.DeadlineExpired())
            throw EDeviceError({TransferFailure::HidStep, 5});
        if (std::any_of(r.data(), r.data() + kHidPageSize, [](uint8_t b) { return b != 0; }))
            break;
    }
    set(layer, dev, r, 6);

    const int32_t length = flash_.ImageLength;
    const int pages = pagesFor(length, kHidPageSize);
    obs_.phase(kTextWriting, pages);
    for (int q = 0;; ++q) {
        std::memcpy(r.data(), flash_.Image.data() + int64_t(q) * kHidPageSize, kHidPageSize);
        set(layer, dev, r, 7);
        if (pump(q + 1))
            return;
        if (lastPage(q, length))
            break;
    }

    obs_.phase(kTextVerifying, pages);
    get(layer, dev, r, 8);
    for (int q = 0;; ++q) {
        get(layer, dev, r, 9);
        const uint8_t* expected = flash_.Image.data() + int64_t(q) * kHidPageSize;
        if (std::memcmp(r.data(), expected, kHidPageSize) != 0) {
            const int j = int(std::mismatch(r.data(), r.data() + kHidPageSize, expected).first - r.data());
            TransferFailure d;
            d.kind = TransferFailure::HidDifference;
            d.page = q;
            d.byte = j + 1;
            d.written = expected[j];
            d.read = r.data()[j];
            throw EDeviceError(d);
        }
        if (pump(q + 1))
            return;
        if (lastPage(q, length))
            break;
    }
}

void DeviceTransfer::hidDownload(HidLayer& layer, HidDevice& dev)
{
    flash_.ImageLength = kImageSize;
    obs_.phase(kTextReading, kHidPageCount);
    Report r;
    try {
        set(layer, dev, r, 10);
        get(layer, dev, r, 11);
        for (int q = 0; q < kHidPageCount; ++q) {
            get(layer, dev, r, 12);
            std::memcpy(flash_.Image.data() + int64_t(q) * kHidPageSize, r.data(), kHidPageSize);
            if (pump(q + 1))
                break;
        }
    } catch (...) {
        flash_.ImageLength = kImageSize;
        throw;
    }
    flash_.ImageLength = kImageSize;
}

} // namespace zelmar
