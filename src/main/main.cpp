#include "main/main_loop.h"
#include "runtime/process.h"

int main() {
    RunProgram(MainLoop);
}
