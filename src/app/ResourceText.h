#pragma once
// Resource texts as the widgets take them, in the language in effect.
#include "i18n/ResourceStrings.h"

#include <QString>

inline QString rsq(int id)
{
    return QString::fromStdString(zelmar::rs(id));
}

inline QString rsfq(int id, const std::vector<zelmar::FormatArg>& args)
{
    return QString::fromStdString(zelmar::rsf(id, args));
}
