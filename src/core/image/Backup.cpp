#include "image/Backup.h"

#include "image/ImageFile.h"
#include "image/ImageReader.h"
#include "model/Errors.h"
#include "model/FileIO.h"
#include "model/SetFile.h"

#include <algorithm>
#include <regex>
#include <utility>

namespace zelmar {

namespace fs = std::filesystem;

BackupUpload uploadWithBackup(DeviceTransfer& transfer, TUsbFlash& flash, bool useHid,
                              const std::function<void(std::span<const uint8_t>)>& keep)
{
    const int32_t length = flash.ImageLength;
    const std::vector<uint8_t> toWrite(flash.Image.begin(), flash.Image.begin() + length);
    // The read fills the same buffer; whatever happens, it holds the image to write again after.
    struct PutBack {
        TUsbFlash& flash;
        const std::vector<uint8_t>& bytes;
        ~PutBack()
        {
            std::copy(bytes.begin(), bytes.end(), flash.Image.begin());
            flash.ImageLength = int32_t(bytes.size());
        }
    };
    BackupUpload r;
    {
        const PutBack putBack{flash, toWrite};
        if (transfer.run(false, useHid) != 1)
            return r;
        keep(std::span<const uint8_t>(flash.Image.data(), size_t(flash.ImageLength)));
    }
    r.written = true;
    r.result = transfer.run(true, useHid);
    return r;
}

namespace {

// A backup's name: the time it was kept, and a number when two fell in the same second.
const std::regex kBackupName(R"((\d{4}-\d\d-\d\d \d\d-\d\d-\d\d)(?: \((\d{1,6})\))?\.(bin|zmr))");

void removeOldBackups(const fs::path& folder)
{
    std::vector<std::pair<std::pair<std::string, int>, std::string>> stems;   // (time, number), stem
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
        const std::string name = e.path().filename().string();
        std::smatch m;
        if (!std::regex_match(name, m, kBackupName))
            continue;
        const std::string stem = name.substr(0, name.size() - 4);
        auto key = std::make_pair(m[1].str(), m[2].matched ? std::stoi(m[2].str()) : 1);
        if (std::find_if(stems.begin(), stems.end(), [&](const auto& s) { return s.second == stem; }) == stems.end())
            stems.emplace_back(key, stem);
    }
    if (stems.size() <= size_t(kBackupsKept))
        return;
    std::sort(stems.begin(), stems.end());
    for (size_t i = 0; i + size_t(kBackupsKept) < stems.size(); ++i)
        for (const char* ext : {".bin", ".zmr"})
            fs::remove(folder / (stems[i].second + ext), ec);   // what cannot go stays; the new backup is kept
}

} // namespace

KeptBackup keepBackup(const fs::path& folder, std::span<const uint8_t> image, AddressForm form, std::time_t when)
{
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec)
        throw FileError(folder.string(), "cannot make the folder " + folder.string() + ": " + ec.message(),
                        problemOf(ec.value()));
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H-%M-%S", &local);
    std::string stem = stamp;
    for (int n = 2; fs::exists(folder / (stem + ".bin"), ec) || fs::exists(folder / (stem + ".zmr"), ec); ++n)
        stem = std::string(stamp) + " (" + std::to_string(n) + ")";

    KeptBackup kept;
    kept.image = (folder / (stem + ".bin")).string();
    writeFileAtomically(kept.image, image.data(), image.size());
    SignalSet set;
    bool holdsSet = true;
    try {
        set = parseImage(image, form);
    } catch (const FormatError&) {
        holdsSet = false;   // an erased or damaged chime: its image alone is worth keeping
    }
    if (holdsSet) {
        try {
            kept.set = (folder / (stem + ".zmr")).string();
            writeSetFile(set, kept.set);
        } catch (...) {
            fs::remove(kept.image, ec);
            throw;
        }
    }
    removeOldBackups(folder);
    return kept;
}

void loadImageForRestore(TUsbFlash& flash, std::vector<uint8_t> image, AddressForm fileForm, AddressForm chimeForm)
{
    image.resize(size_t(kImageSize), 0xFF);
    parseImage(image, fileForm);
    convertImageForm(image, fileForm, chimeForm);
    std::copy(image.begin(), image.end(), flash.Image.begin());
    // The HID chime (linear form) is erased whole before it is written, so the erased end of the
    // image need not travel; the USB chime keeps every page that is not written, so all of it does.
    flash.ImageLength = chimeForm == AddressForm::Linear ? std::max(usedImageLength(image), 1) : kImageSize;
}

} // namespace zelmar
