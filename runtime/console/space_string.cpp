// Strings of blanks, as temporaries that their consumer releases.
#include <cstring>

#include "runtime/console/print.h"

StringDesc* space_string(int32_t count) {
    if (count <= 0) return str_empty();
    StringDesc* desc = str_temp_alloc();
    if (desc == nullptr) return str_empty();
    str_alloc_temp_buffer(desc, count);
    // Without a buffer there is nothing to fill: the caller gets what it gets
    // when no descriptor is free, and the descriptor goes back to the pool.
    if (desc->data == nullptr) {
        str_temp_free(desc);
        return str_empty();
    }
    std::memset(desc->data, ' ', static_cast<std::size_t>(count));
    desc->data[count] = '\0';
    return desc;
}
