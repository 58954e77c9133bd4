// Memory for the program's records. A request yields a usable block or does not return:
// memory that cannot be had ends the run with run-time error 203.
#pragma once

#include <cstddef>

void* AllocateMemory(std::size_t size);
