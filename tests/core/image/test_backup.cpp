// Backups of the chime's memory kept in a folder, and kept images made ready to go back.
#include "ImageTestSets.h"

#include "device/UsbFlash.h"
#include "image/Backup.h"
#include "image/ImageFile.h"
#include "image/ImageReader.h"
#include "model/Errors.h"
#include "model/FileIO.h"
#include "model/SetFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <unistd.h>

using namespace zelmar;
using namespace zelmar::testsets;
namespace fs = std::filesystem;

namespace {

SignalSet twoSounds(size_t samples = 3000)
{
    SignalSet set;
    set.library.push_back(sound("gong", ramp(samples, 313), 30));
    set.library.push_back(sound("bell", ramp(700, 71)));
    set.signals.push_back({"first", {element(1, 1, int32_t(samples)), TDzwiek::pause(20), element(2, 9, 650)}});
    set.backdoor = Signal{element(2, 1, 700)};
    return set;
}

std::vector<uint8_t> imageOf(const SignalSet& set, AddressForm form)
{
    auto flash = std::make_unique<TUsbFlash>();
    std::fill(flash->Image.begin(), flash->Image.end(), 0xFF);
    buildImage(set, form, *flash);
    return flash->Image;
}

class Backups : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("zelmar-backups-" + std::to_string(::getpid()));
        fs::remove_all(dir);
    }
    void TearDown() override
    {
        setWriteFailureAfterForTesting(-1);
        fs::remove_all(dir);
    }
    std::set<std::string> names() const
    {
        std::set<std::string> n;
        for (const auto& e : fs::directory_iterator(dir))
            n.insert(e.path().filename().string());
        return n;
    }
    fs::path dir;
};

// 2024-03-05 14:07:09 in the local time zone.
std::time_t at(int second)
{
    std::tm t{};
    t.tm_year = 124;
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_hour = 14;
    t.tm_min = 7;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

} // namespace

TEST_F(Backups, TheImageAndItsSetUnderTheTimeTheyWereKept)
{
    const std::vector<uint8_t> image = imageOf(twoSounds(), AddressForm::Linear);
    const KeptBackup kept = keepBackup(dir, image, AddressForm::Linear, at(9));
    EXPECT_EQ(kept.image, (dir / "2024-03-05 14-07-09.bin").string());
    EXPECT_EQ(kept.set, (dir / "2024-03-05 14-07-09.zmr").string());
    EXPECT_EQ(readWholeFile(kept.image), image);
    EXPECT_EQ(serializeSetFile(readSetFile(kept.set)), serializeSetFile(parseImage(image, AddressForm::Linear)));

    // The same second again takes the next free name; an erased chime keeps its image alone.
    const KeptBackup second = keepBackup(dir, std::vector<uint8_t>(size_t(kImageSize), 0xFF), AddressForm::Page, at(9));
    EXPECT_EQ(second.image, (dir / "2024-03-05 14-07-09 (2).bin").string());
    EXPECT_EQ(second.set, "");
    EXPECT_EQ(names(), (std::set<std::string>{"2024-03-05 14-07-09.bin", "2024-03-05 14-07-09.zmr",
                                              "2024-03-05 14-07-09 (2).bin"}));
}

TEST_F(Backups, OnlyTheNewestTwentyStayAndNothingElseIsTouched)
{
    const std::vector<uint8_t> image = imageOf(twoSounds(100), AddressForm::Page);
    fs::create_directories(dir);
    for (const char* other : {"notes.txt", "2024-03-05 14-06-00.txt", "mine.zmr"})
        std::ofstream(dir / other) << "keep";
    for (int s = 30; s > 0; --s)   // kept newest first, so that the order of keeping is not what counts
        keepBackup(dir, image, AddressForm::Page, at(s));
    keepBackup(dir, image, AddressForm::Page, at(30));   // "14-07-30 (2)", the newest of all

    std::set<std::string> expected = {"notes.txt", "2024-03-05 14-06-00.txt", "mine.zmr"};
    for (int s = 12; s <= 30; ++s)
        for (const char* ext : {".bin", ".zmr"})
            expected.insert("2024-03-05 14-07-" + std::to_string(s) + ext);
    expected.insert("2024-03-05 14-07-30 (2).bin");
    expected.insert("2024-03-05 14-07-30 (2).zmr");
    EXPECT_EQ(names(), expected);
}

TEST_F(Backups, AFailedBackupLeavesNothingOfItself)
{
    // A folder that cannot be made.
    fs::create_directories(dir);
    std::ofstream(dir / "file") << "in the way";
    EXPECT_THROW(keepBackup(dir / "file" / "Backups", imageOf(twoSounds(), AddressForm::Page), AddressForm::Page, at(1)),
                 FileError);

    // The image is written, its set is not (a full disk after 2.2 MB): the image goes again.
    const SignalSet big = twoSounds(1200000);
    ASSERT_GT(serializeSetFile(big).size(), 2200000u);
    setWriteFailureAfterForTesting(2200000);
    EXPECT_THROW(keepBackup(dir / "b", imageOf(big, AddressForm::Page), AddressForm::Page, at(1)), FileError);
    EXPECT_TRUE(fs::is_empty(dir / "b"));
}

TEST(ImageForms, ConvertedBothWaysAndRefusedWhereAPointerCannotReach)
{
    const SignalSet set = twoSounds(5000);
    const std::vector<uint8_t> page = imageOf(set, AddressForm::Page);
    std::vector<uint8_t> image = page;
    convertImageForm(image, AddressForm::Page, AddressForm::Linear);
    EXPECT_EQ(image, imageOf(set, AddressForm::Linear));
    convertImageForm(image, AddressForm::Page, AddressForm::Page);
    convertImageForm(image, AddressForm::Linear, AddressForm::Page);
    EXPECT_EQ(image, page);

    // A linear table pointer past what a page address of 16 bits reaches: nothing changes.
    std::vector<uint8_t> far = imageOf(set, AddressForm::Linear);
    far[16] = 0x00;
    far[17] = 0xFF;
    const std::vector<uint8_t> before = far;
    EXPECT_THROW(convertImageForm(far, AddressForm::Linear, AddressForm::Page), LimitError);
    EXPECT_EQ(far, before);
}

TEST(ImageForms, AKeptImageReadyToGoBack)
{
    const SignalSet set = twoSounds();
    const std::vector<uint8_t> linear = imageOf(set, AddressForm::Linear);
    auto flash = std::make_unique<TUsbFlash>();
    // Into a USB chime: converted, and the whole memory written, as its pages keep what they held.
    loadImageForRestore(*flash, linear, AddressForm::Linear, AddressForm::Page);
    EXPECT_EQ(flash->Image, imageOf(set, AddressForm::Page));
    EXPECT_EQ(flash->ImageLength, kImageSize);
    // Into a HID chime, which is erased first: up to its last byte that is not erased.
    loadImageForRestore(*flash, std::vector<uint8_t>(linear.begin(), linear.begin() + 5000), AddressForm::Linear,
                        AddressForm::Linear);
    EXPECT_EQ(flash->ImageLength, usedImageLength(linear));
    EXPECT_THROW(loadImageForRestore(*flash, std::vector<uint8_t>(100, 0xFF), AddressForm::Page, AddressForm::Page),
                 FormatError);
}
