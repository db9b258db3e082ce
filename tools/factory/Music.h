#pragma once
// The music of the factory sets, by key ("harp", "elise", "reggae1", ...).
#include "Outside.h"

#include <string>

namespace factory {

const Piece& piece(const std::string& key);

} // namespace factory
