// Writes the three prompt lines of pasianssi, one write each, and ends: the least a program
// answering "l" can do.
#include <unistd.h>

#include <initializer_list>

int main() {
    const char lines[] =
        "Syota \"t\", jos haluat tulostaa pasianssipelin vaiheet.\r\n"
        "Syota \"s\", jos haluat vain simuloida tilastollista tutkimusta varten  ilman "
        "tulostusta.\r\n"
        "Syota \"l\" jos haluat kokonaan lopettaa simuloinnin\r\n";
    const char* line = lines;
    for (int length : {56, 89, 52}) {
        if (write(STDOUT_FILENO, line, length) != length) return 1;
        line += length;
    }
    return 0;
}
