#pragma once
// A pseudo-terminal with a raw slave side: what a receiver's serial line
// looks like to the program that opens the slave by its name.
#include <QByteArray>

#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace zvtest {

// False when the system gives no pseudo-terminal.
inline bool openRawPty(int* master, int* slave, QByteArray* slaveName)
{
    char name[256] = {};
    if (::openpty(master, slave, name, nullptr, nullptr) != 0)
        return false;
    termios raw{};
    ::tcgetattr(*slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(*slave, TCSANOW, &raw);
    *slaveName = name;
    return true;
}

} // namespace zvtest
