#include "runtime/memory.h"

#include <new>

#include "runtime/process.h"

void* AllocateMemory(std::size_t size) {
    void* block = ::operator new(size, std::nothrow);
    if (block == nullptr) RaiseRunTimeError(kOutOfMemory);
    return block;
}
