// Reading single keys without echo: whether one is waiting, its code, or
// the waiting key as a short temporary string.
#include "platform/platform.h"
#include "runtime/input/key_wait.h"

namespace {

// The first code of a function or cursor key; the key's own code follows.
bool is_extended_prefix(int32_t code) { return code == 0 || code == 224; }

constexpr char EXTENDED_KEY_MARK = static_cast<char>(0xFF);
// The longest key string: the mark and the extended key's code.
constexpr int32_t KEY_STRING_MAX = 2;

}  // namespace

int32_t key_pending() { return platform::_kbhit(); }

int32_t key_get() {
    int32_t code = platform::_getch();
    if (is_extended_prefix(code)) return platform::_getch();
    return code;
}

StringDesc* key_string() {
    if (platform::_kbhit() == 0) return str_empty();
    // Everything that can fail comes before the key is read: without a
    // descriptor or a buffer to put it in, the key is left waiting, not lost.
    StringDesc* desc = str_temp_alloc();
    if (desc == nullptr) return str_empty();
    str_alloc_temp_buffer(desc, KEY_STRING_MAX);
    if (desc->data == nullptr) {
        str_release_temp(desc);
        return str_empty();
    }

    int32_t code = platform::_getch();
    int32_t length = 1;
    if (is_extended_prefix(code)) {
        code = platform::_getch();
        length = 2;
    }
    if (length == 2) desc->data[0] = EXTENDED_KEY_MARK;
    desc->data[length - 1] = static_cast<char>(static_cast<uint8_t>(static_cast<uint32_t>(code)));
    desc->data[length] = '\0';
    desc->length = static_cast<int32_t>(static_cast<uint32_t>(length) | STR_TEMP_BIT);
    return desc;
}
