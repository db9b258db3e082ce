#include "FileMessages.h"

#include "i18n/ResourceStrings.h"
#include "model/Errors.h"

namespace filemessages {

namespace {

const zelmar::FileError* fileError(const std::exception& e)
{
    return dynamic_cast<const zelmar::FileError*>(&e);
}

int reasonText(zelmar::FileProblem problem)
{
    using zelmar::FileProblem;
    switch (problem) {
    case FileProblem::NotFound: return 65296;
    case FileProblem::NoPermission: return 65292;
    case FileProblem::Folder: return 65293;
    case FileProblem::NotRegular: return 65294;
    case FileProblem::TooLarge: return 65295;
    default: return 65297;
    }
}

QString withReason(int id, const QString& path, zelmar::FileProblem problem)
{
    return QString::fromStdString(zelmar::rsf(id, {path.toStdString(), zelmar::rs(reasonText(problem))}));
}

} // namespace

QString readFailure(const QString& path, const std::exception& e)
{
    if (const zelmar::FileError* f = fileError(e))
        return withReason(65290, path, f->problem);
    return QString::fromStdString(zelmar::rsf(65225, {path.toStdString()}));
}

QString writeFailure(const QString& path, const std::exception& e)
{
    const zelmar::FileError* f = fileError(e);
    if (!f || f->problem == zelmar::FileProblem::NoSpace || f->problem == zelmar::FileProblem::Other)
        return QString::fromStdString(zelmar::rsf(65226, {path.toStdString()}));
    return withReason(65291, path, f->problem);
}

QString writeReason(const std::exception& e)
{
    const zelmar::FileError* f = fileError(e);
    // A folder that takes no new file is, to the user, one that may not be written.
    const zelmar::FileProblem problem = !f ? zelmar::FileProblem::Other
                                        : f->problem == zelmar::FileProblem::UnsafeFolder ? zelmar::FileProblem::NoPermission
                                                                                          : f->problem;
    return QString::fromStdString(zelmar::rs(reasonText(problem)));
}

bool unsafeFolder(const std::exception& e)
{
    const zelmar::FileError* f = fileError(e);
    return f && f->problem == zelmar::FileProblem::UnsafeFolder;
}

} // namespace filemessages
