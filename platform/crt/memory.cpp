// malloc, realloc and free of the platform interface, through the
// allocation seam.
#include "platform/crt/memory.h"

#include <cstdlib>

#include "platform/platform.h"

namespace {

void* system_alloc(std::size_t size) { return std::malloc(size); }
void* system_realloc(void* block, std::size_t size) { return std::realloc(block, size); }
void system_free(void* block) { std::free(block); }

}  // namespace

MemoryFunctions memory_functions = {system_alloc, system_realloc, system_free};

void memory_reset() { memory_functions = {system_alloc, system_realloc, system_free}; }

namespace platform {

void* malloc(std::size_t size) { return memory_functions.alloc(size); }
void* realloc(void* block, std::size_t size) { return memory_functions.realloc(block, size); }
void free(void* block) { memory_functions.free(block); }

}  // namespace platform
