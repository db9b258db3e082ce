#pragma once
// File access as a user without privileges, for the tests of permissions. Root takes the file
// system identity of "nobody" on this thread only (and with it loses its right to pass any file
// mode); anybody else is such a user already and changes nothing.
#include <QDir>
#include <QFile>

#include <sys/fsuid.h>
#include <unistd.h>

class AsNobody {
public:
    static constexpr uid_t kNobody = 65534;

    AsNobody()
    {
        if (::geteuid() == 0) {
            ::setfsgid(kNobody);
            ::setfsuid(kNobody);
            active_ = true;
        }
    }
    ~AsNobody()
    {
        if (active_) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
    }
    AsNobody(const AsNobody&) = delete;
    AsNobody& operator=(const AsNobody&) = delete;

    // Hands a file made by the test to the user the test acts as (a no-op without root).
    static bool own(const QString& path)
    {
        return ::geteuid() != 0 || ::chown(QFile::encodeName(path).constData(), kNobody, kNobody) == 0;
    }

private:
    bool active_ = false;
};
