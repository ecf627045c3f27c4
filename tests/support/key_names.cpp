// Keys by name, as the bytes a terminal sends for them.
#include "tests/support/key_names.h"

#include <gtest/gtest.h>

#include <utility>

#include "platform/keyboard/key_decoder.h"

namespace {

struct NamedKey {
    const char* name;
    const char* bytes;
    Key key;
};

// clang-format off
constexpr NamedKey NAMED_KEYS[] = {
    {"Enter", "\r", {false, 0, 13}},           {"Tab", "\t", {false, 0, 9}},
    {"BS", "\x7f", {false, 0, 8}},             {"Esc", "\x1b", {false, 0, 27}},
    {"Up", "\x1b[A", {true, 224, 72}},         {"Down", "\x1b[B", {true, 224, 80}},
    {"Right", "\x1b[C", {true, 224, 77}},      {"Left", "\x1b[D", {true, 224, 75}},
    {"Home", "\x1b[H", {true, 224, 71}},       {"End", "\x1b[F", {true, 224, 79}},
    {"Ins", "\x1b[2~", {true, 224, 82}},       {"Del", "\x1b[3~", {true, 224, 83}},
    {"C-Left", "\x1b[1;5D", {true, 224, 115}}, {"C-End", "\x1b[1;5F", {true, 224, 117}},
    {"C-Right", "\x1b[1;5C", {true, 224, 116}}, {"C-Home", "\x1b[1;5H", {true, 224, 119}},
    {"F1", "\x1bOP", {true, 0, 59}},           {"F2", "\x1bOQ", {true, 0, 60}},
    {"F3", "\x1bOR", {true, 0, 61}},           {"F4", "\x1bOS", {true, 0, 62}},
    {"F5", "\x1b[15~", {true, 0, 63}},         {"F6", "\x1b[17~", {true, 0, 64}},
    {"F7", "\x1b[18~", {true, 0, 65}},         {"F8", "\x1b[19~", {true, 0, 66}},
    {"F9", "\x1b[20~", {true, 0, 67}},         {"F10", "\x1b[21~", {true, 0, 68}},
    {"F11", "\x1b[23~", {true, 224, 133}},     {"F12", "\x1b[24~", {true, 224, 134}},
    {"PgUp", "\x1b[5~", {true, 224, 73}},      {"PgDn", "\x1b[6~", {true, 224, 81}},
    // Meta (Alt, Option) as Esc and the key, as _getch reports Alt with it;
    // Alt+Space has no code.
    {"M-b", "\x1b" "b", {true, 0, 48}},        {"M-f", "\x1b" "f", {true, 0, 33}},
    {"M-d", "\x1b" "d", {true, 0, 32}},        {"M-x", "\x1b" "x", {true, 0, 45}},
    {"M-a", "\x1b" "a", {true, 0, 30}},        {"M-BS", "\x1b\x7f", {true, 0, 14}},
    {"M-Space", "\x1b ", {true, 0, 0}},
    // Alt with a cursor key, as xterm sends it.
    {"A-Left", "\x1b[1;3D", {true, 0, 155}},   {"A-Right", "\x1b[1;3C", {true, 0, 157}},
    {"A-F7", "\x1b[18;3~", {true, 0, 110}},
};
// clang-format on

using ScriptKey = std::pair<std::string, Key>;  // a key's bytes, and the key

// A named key; C-a..C-z are the control bytes 1..26. False for no such name.
bool named_key(const std::string& name, ScriptKey* key) {
    for (const NamedKey& k : NAMED_KEYS) {
        if (name != k.name) continue;
        *key = ScriptKey{k.bytes, k.key};
        return true;
    }
    if (name.size() != 3 || name.compare(0, 2, "C-") != 0 || name[2] < 'a' || name[2] > 'z') return false;
    auto code = static_cast<uint8_t>(name[2] - 'a' + 1);
    *key = ScriptKey{std::string(1, static_cast<char>(code)), Key{false, 0, code}};
    return true;
}

std::vector<ScriptKey> script_keys(const std::string& keys) {
    std::vector<ScriptKey> script;
    for (std::size_t at = 0; at < keys.size(); ++at) {
        std::size_t end = keys[at] == '<' ? keys.find('>', at) : std::string::npos;
        if (end == std::string::npos) {
            script.push_back(ScriptKey{std::string(1, keys[at]), Key{false, 0, static_cast<uint8_t>(keys[at])}});
            continue;
        }
        std::string name = keys.substr(at + 1, end - at - 1);
        at = end;
        ScriptKey key;
        if (named_key(name, &key)) {
            script.push_back(key);
        } else {
            ADD_FAILURE() << "unknown key <" << name << ">";
        }
    }
    return script;
}

}  // namespace

std::string typed_keys(const std::string& keys) {
    std::string bytes;
    for (const auto& key : script_keys(keys)) bytes += key.first;
    return bytes;
}

std::vector<Key> decoded_keys(const std::string& keys) {
    std::vector<Key> decoded;
    for (const auto& key : script_keys(keys)) decoded.push_back(key.second);
    return decoded;
}
