#pragma once
// Shared pieces of the device tests: a temporary directory, a recording observer and image patterns.
#include "device/Transfer.h"
#include "device/VirtualChime.h"
#include "i18n/ResourceStrings.h"

#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace devtest {

class TempDir {
public:
    TempDir()
    {
        static int n = 0;
        path_ = std::filesystem::temp_directory_path()
                / ("zelmar-device-" + std::to_string(::getpid()) + "-" + std::to_string(n++));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

struct Phase {
    int text;
    int max;
};

class RecordingObserver : public zelmar::TransferObserver {
public:
    void phase(int textId, int gaugeMax) override { phases.push_back({textId, gaugeMax}); }
    void progress(int value) override
    {
        values.push_back(value);
        if (onProgress)
            onProgress(value);
    }
    bool cancelRequested() override { return cancel; }
    void busy(bool on) override { busyChanges.push_back(on); }
    void failed(const zelmar::TransferFailure& f) override
    {
        failures.push_back(f);
        messages.push_back(zelmar::failureText(f));
    }

    std::vector<Phase> phases;
    std::vector<int> values;
    std::vector<bool> busyChanges;
    std::vector<zelmar::TransferFailure> failures;
    std::vector<std::string> messages;
    std::function<void(int)> onProgress;
    bool cancel = false;
};

// A request that failed mid-transfer: the error and what to do about it.
inline std::string communicationErrorText()
{
    return zelmar::rs(65203) + "\nPopraw kabel łączący dzwonek z komputerem i spróbuj jeszcze raz.";
}

inline void fillPattern(std::vector<uint8_t>& image, int32_t length, unsigned seed)
{
    std::mt19937 rng(seed);
    for (int32_t i = 0; i < length; ++i)
        image[size_t(i)] = uint8_t(rng());
}

} // namespace devtest
