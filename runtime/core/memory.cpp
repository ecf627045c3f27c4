#include "runtime/core/memory.h"

#include <cstdlib>

namespace {
void* system_alloc(std::size_t size) { return std::malloc(size); }
void* system_realloc(void* block, std::size_t size) { return std::realloc(block, size); }
void system_free(void* block) { std::free(block); }
}  // namespace

MemoryFunctions memory_functions = {system_alloc, system_realloc, system_free};

void* memory_alloc(std::size_t size) { return memory_functions.alloc(size); }
void* memory_realloc(void* block, std::size_t size) { return memory_functions.realloc(block, size); }
void memory_free(void* block) { memory_functions.free(block); }

void memory_reset() { memory_functions = {system_alloc, system_realloc, system_free}; }
