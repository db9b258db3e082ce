#pragma once
// The licence and credit part of SOURCES.md: every notice the sources' licences ask to be passed on.
#include "Recipes.h"

#include <string>
#include <vector>

namespace factory {

std::string notices(const std::vector<InputPackage>& packages);

} // namespace factory
