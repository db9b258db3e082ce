#pragma once
// Keeping what a chime holds before it is written over, and putting such a copy back.
#include "device/Transfer.h"
#include "image/ImageBuilder.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace zelmar {

// How many backups a folder of backups keeps.
constexpr int kBackupsKept = 20;

// How an upload with a backup ended.
struct BackupUpload {
    int result = 2;        // as DeviceTransfer::run: 1 once written and verified
    bool written = false;  // the writing began: the chime no longer holds what it held
};

// Writes the image in `flash` (built, ImageLength set) after reading the whole chime, as a download
// does, and handing its image to `keep`, which saves it and throws when it cannot. A read that
// fails or is cancelled ends it with nothing written (`transfer` says why); whatever `keep` throws
// passes on, nothing written either. `flash` holds the image to write again in every case.
BackupUpload uploadWithBackup(DeviceTransfer& transfer, TUsbFlash& flash, bool useHid,
                              const std::function<void(std::span<const uint8_t>)>& keep);

// The files of one backup.
struct KeptBackup {
    std::string image;   // the chime's whole memory, as a download keeps it with --image-out
    std::string set;     // the set it holds, to be opened like any other; empty when it holds none
};

// Keeps a chime's image, read in `form`, in `folder` (made when missing): the image as
// "YYYY-MM-DD HH-MM-SS.bin" (the local time of `when`, " (2)" and on when that name is taken) and
// the set it holds under the same name with ".zmr", each written safely. Then only the newest
// kBackupsKept backups of that naming stay; other files are never touched. Throws FileError with
// nothing of this backup left behind.
KeptBackup keepBackup(const std::filesystem::path& folder, std::span<const uint8_t> image, AddressForm form,
                      std::time_t when);

// A kept image made ready to go back into a chime whose addresses are in `chimeForm`: checked by
// the image reader in `fileForm` first (FormatError when it refuses), converted when the forms
// differ (LimitError(kImageTooLarge) when the chime's form cannot hold it). It is put into
// `flash` with the length a write must cover for the chime to hold the image again.
void loadImageForRestore(TUsbFlash& flash, std::vector<uint8_t> image, AddressForm fileForm, AddressForm chimeForm);

} // namespace zelmar
