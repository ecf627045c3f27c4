// The key decoder: turns the bytes a terminal sends for key presses into the
// key codes the Windows C runtime's _getch gives. A pure state machine: it is
// fed bytes with the time they arrived and never waits itself. A lone Esc
// cannot be told from the start of an escape sequence until a little time
// has passed, so the decoder reports a deadline and is ticked with the time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/keyboard/key_codes.h"

// How long a lone Esc waits for the rest of a sequence, or for the key it
// makes a Meta key, before it counts as the Esc key. Terminals send a
// sequence or a Meta key in one write, so its bytes arrive together; a
// user cannot type Esc and the next key that fast. 100 ms, as vim's
// ttimeoutlen: over ssh a sequence can arrive split in two reads.
constexpr uint32_t KEY_ESC_TIMEOUT_MS = 100;
// The longest escape sequence or UTF-8 character kept; longer sequences are
// dropped up to their end (a final byte, or a string's BEL or ST).
constexpr uint32_t KEY_PENDING_CAPACITY = 32;
// Keys decoded but not yet taken; keys beyond it are lost (a full keyboard buffer).
constexpr uint32_t KEY_QUEUE_CAPACITY = 256;

// What the decoder is in the middle of: what the pending bytes are, and so
// what the next byte does to them.
enum KeyDecoderState : uint8_t {
    KEY_STATE_GROUND,           // nothing pending: the next byte starts afresh
    KEY_STATE_ESC,              // an Esc: alone the Esc key, with the next byte a Meta key or a sequence
    KEY_STATE_ESC_ESC,          // Esc Esc: Meta on the key the second Esc starts
    KEY_STATE_INTRODUCER,       // a sequence's introducer, which the next byte may lengthen
    KEY_STATE_NUMBERS,          // a key's numbers, up to its final byte
    KEY_STATE_FINAL,            // an introducer that takes a final byte alone
    KEY_STATE_THREE_BYTES,      // a mouse report, up to its three bytes
    KEY_STATE_STRING,           // a control string, up to its BEL or ST
    KEY_STATE_STRING_ESC,       // an Esc in a control string: with a backslash, its ST
    KEY_STATE_CHARACTER,        // a UTF-8 character, up to its last byte
    KEY_STATE_META_CHARACTER,   // Esc and a UTF-8 character: one Meta key
    KEY_STATE_LONG_NUMBERS,     // a sequence too long to keep: dropped up to its final byte
    KEY_STATE_LONG_STRING,      // a control string too long to keep: dropped up to its BEL or ST
    KEY_STATE_LONG_STRING_ESC,  // an Esc in such a string
};

struct KeyDecoder {
    KeyDecoderState state;                      // what the pending bytes are
    uint8_t pending[KEY_PENDING_CAPACITY + 1];  // the bytes since the state left the ground; an Esc before a
                                                // sequence, which makes it a Meta key, comes on top of its capacity
    uint32_t pending_length;                    // how many bytes are pending
    uint64_t pending_since_ms;                  // when the first pending byte arrived
    Key queue[KEY_QUEUE_CAPACITY];              // decoded keys, a ring, oldest at queue_head
    uint32_t queue_head;                        // index of the oldest key
    uint32_t queue_count;                       // keys waiting
    bool cursor_asked;                          // the terminal was asked where its cursor is: CSI r ; c R is the answer
    int32_t cursor_row;                         // that answer's 1-based row; 0 while none waits to be taken
    int32_t cursor_column;                      // and its column
};

// Empties the decoder: nothing pending, no key queued.
void key_decoder_init(KeyDecoder* decoder);

// Bytes as read from the terminal at now_ms. A pending Esc whose time ran
// out before these bytes came counts as the Esc key first.
void key_decoder_feed(KeyDecoder* decoder, const uint8_t* bytes, std::size_t length, uint64_t now_ms);

// Lets time pass: once the deadline is reached, what is pending becomes keys
// (a lone Esc becomes the Esc key).
void key_decoder_tick(KeyDecoder* decoder, uint64_t now_ms);

// Input has ended: whatever is pending becomes keys now.
void key_decoder_flush(KeyDecoder* decoder);

// The time at which key_decoder_tick will turn pending bytes into keys, or
// -1 when nothing is pending.
int64_t key_decoder_deadline(const KeyDecoder* decoder);

// True when a decoded key waits to be taken.
bool key_decoder_has_key(const KeyDecoder* decoder);

// Takes the oldest decoded key; false when there is none.
bool key_decoder_take(KeyDecoder* decoder, Key* key);

// The oldest decoded key, left in the queue; false when there is none.
bool key_decoder_peek(const KeyDecoder* decoder, Key* key);

// The terminal has just been asked where its cursor is (ESC [ 6 n): its
// answer, when it comes, is kept for key_decoder_take_cursor instead of
// becoming a key. An answer not yet taken is forgotten.
void key_decoder_ask_cursor(KeyDecoder* decoder);

// Takes the terminal's answer, its cursor's 1-based row and column; false
// while none has come.
bool key_decoder_take_cursor(KeyDecoder* decoder, int32_t* row, int32_t* column);
