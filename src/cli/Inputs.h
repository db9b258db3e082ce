#pragma once
// Set files and memory images read for a command, their refusals in the command line's words.
#include "Cli.h"

#include "model/SignalSet.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zelmarctl {

// Reads a set file; an invalid one is exit 3 naming the file and its code.
zelmar::SignalSet readSetForCommand(const std::string& path);

// Reads a memory image file as the chime's whole memory and checks it with the image reader in
// `form`; exit 3 naming the file and the code when either refuses it. `set` receives what it holds.
std::vector<uint8_t> readImageForCommand(const std::string& path, zelmar::AddressForm form, zelmar::SignalSet& set);

// A set file or a memory image in `form`, told apart by content: the set either holds.
zelmar::SignalSet readSourceForCommand(const std::string& path, zelmar::AddressForm form);

} // namespace zelmarctl
