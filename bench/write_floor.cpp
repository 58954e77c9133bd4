// Writes the statistics line of a game, 26 bytes, with one write each, until the reader goes.
#include <unistd.h>

int main() {
    const char line[] = " 1.8700000000000000E+001\r\n";
    while (write(STDOUT_FILENO, line, sizeof line - 1) == sizeof line - 1) {
    }
    return 0;
}
