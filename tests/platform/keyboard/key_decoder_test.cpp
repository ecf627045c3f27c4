// Tests of the key decoder: what _getch codes terminal bytes become, and how
// time tells a lone Esc from the start of a sequence.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/keyboard/key_decoder.h"
#include "tests/support/case_name.h"

namespace {

// Every key taken out, as the codes _getch would give one call at a time.
std::vector<int> take_codes(KeyDecoder* decoder) {
    std::vector<int> codes;
    Key key{};
    while (key_decoder_take(decoder, &key)) {
        if (key.extended) codes.push_back(key.lead);
        codes.push_back(key.code);
    }
    return codes;
}

void feed(KeyDecoder* decoder, const std::string& bytes, uint64_t now_ms) {
    key_decoder_feed(decoder, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), now_ms);
}

// Bytes arriving at once, then enough time for any Esc to time out.
std::vector<int> decode(const std::string& bytes) {
    KeyDecoder decoder;
    key_decoder_init(&decoder);
    feed(&decoder, bytes, 1000);
    key_decoder_tick(&decoder, 1000 + KEY_ESC_TIMEOUT_MS);
    return take_codes(&decoder);
}

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::vector<int> codes;
};

class KeyDecoderTable : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(KeyDecoderTable, GivesTheCodesOfGetch) {
    EXPECT_EQ(decode(GetParam().bytes), GetParam().codes) << GetParam().name;
}

// clang-format off
const DecodeCase DECODE_CASES[] = {
    {"printable", "a1 ~", {'a', '1', ' ', '~'}},
    {"enter_is_cr", "\r", {13}},
    {"line_feed_stays", "\n", {10}},
    {"del_is_backspace", "\x7f", {8}},
    {"bs_is_backspace", "\b", {8}},
    {"tab", "\t", {9}},
    {"ctrl_letters", std::string("\x01\x04\x1a", 3), {1, 4, 26}},
    {"nul_is_extended_3", std::string("\0", 1), {0, 3}},
    {"lone_esc", "\x1b", {27}},
    // Meta (Alt, Option) keys: Esc and the key at once, as _getch gives Alt.
    {"meta_letter_is_alt_letter", "\x1b" "x", {0, 45}},
    {"meta_shift_letter_is_the_same_key", "\x1b" "X", {0, 45}},
    {"meta_letters_of_each_row", "\x1bq\x1bp\x1b" "a\x1bl\x1bz\x1bm", {0, 16, 0, 25, 0, 30, 0, 38, 0, 44, 0, 50}},
    {"meta_word_keys", "\x1b" "b\x1b" "f\x1b" "d", {0, 48, 0, 33, 0, 32}},
    {"meta_digits", "\x1b" "1\x1b" "9\x1b" "0", {0, 120, 0, 128, 0, 129}},
    {"meta_punctuation", "\x1b-\x1b=\x1b;\x1b'\x1b`\x1b\\\x1b,\x1b/",
     {0, 130, 0, 131, 0, 39, 0, 40, 0, 41, 0, 43, 0, 51, 0, 53}},
    // Meta keys whose Esc and byte also open a sequence: alone, the Meta key.
    {"meta_key_that_opens_a_string", "\x1b]", {0, 27}},
    {"meta_shift_p_opens_a_string", "\x1bP", {0, 25}},
    {"meta_backspace_del_or_bs", "\x1b\x7f\x1b\b", {0, 14, 0, 14}},
    {"meta_enter", "\x1b\r", {0, 28}},
    {"meta_without_a_code_is_one_key", std::string("\x1b \x1b!\x1b\t\x1b\x01\x1b\0", 10),
     {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"meta_utf8_character_is_one_key", "\x1b\xc3\xa9x", {0, 0, 'x'}},
    {"meta_cut_utf8_then_ascii", "\x1b\xc3x", {0, 0, 'x'}},
    {"meta_three_and_four_byte_utf8_are_one_key_each", "\x1b\xe2\x82\xac\x1b\xf0\x9f\x98\x80x", {0, 0, 0, 0, 'x'}},
    {"esc_esc_is_meta_esc", "\x1b\x1b", {0, 0}},
    {"esc_esc_esc", "\x1b\x1b\x1b", {0, 0, 27}},
    {"esc_esc_then_a_letter", "\x1b\x1bx", {0, 0, 'x'}},
    {"meta_sequence_adds_alt", "\x1b\x1b[A\x1b\x1bOP\x1b\x1b[[A", {0, 152, 0, 104, 0, 104}},
    {"meta_ctrl_sequence_is_ctrl", "\x1b\x1b[1;5C", {224, 116}},
    {"meta_fixed_sequence_has_no_code", "\x1b\x1b[Z\x1b\x1bOM", {0, 0, 0, 0}},
    {"cut_csi_is_meta_bracket_then_its_bytes", "\x1b[1;", {0, 26, '1', ';'}},
    {"esc_esc_cut_csi", "\x1b\x1b[", {0, 0, '['}},
    {"utf8_e_acute_to_cp850", "\xc3\xa9", {0x82}},
    {"utf8_capital_o_acute_is_224", "\xc3\x93", {224}},
    {"utf8_box_drawing", "\xe2\x94\x80", {0xC4}},
    {"utf8_missing_from_cp850", "\xe2\x82\xac", {'?'}},
    {"utf8_four_bytes", "\xf0\x9f\x98\x80", {'?'}},
    {"stray_continuation_byte", "\x80" "a", {'?', 'a'}},
    {"cut_utf8_then_ascii", "\xc3" "a", {'?', 'a'}},
    {"cut_utf8_then_nothing", "\xe2\x82", {'?'}},
    {"csi_arrows", "\x1b[A\x1b[B\x1b[D\x1b[C", {224, 72, 224, 80, 224, 75, 224, 77}},
    {"ss3_arrows", "\x1bOA\x1bOB\x1bOD\x1bOC", {224, 72, 224, 80, 224, 75, 224, 77}},
    {"home_end_letters", "\x1b[H\x1b[F\x1bOH\x1bOF", {224, 71, 224, 79, 224, 71, 224, 79}},
    {"home_end_numbers", "\x1b[1~\x1b[4~\x1b[7~\x1b[8~", {224, 71, 224, 79, 224, 71, 224, 79}},
    {"page_insert_delete", "\x1b[5~\x1b[6~\x1b[2~\x1b[3~", {224, 73, 224, 81, 224, 82, 224, 83}},
    {"f1_f4_ss3", "\x1bOP\x1bOQ\x1bOR\x1bOS", {0, 59, 0, 60, 0, 61, 0, 62}},
    {"f1_f5_numbers", "\x1b[11~\x1b[12~\x1b[13~\x1b[14~\x1b[15~", {0, 59, 0, 60, 0, 61, 0, 62, 0, 63}},
    {"f6_f10_numbers", "\x1b[17~\x1b[18~\x1b[19~\x1b[20~\x1b[21~", {0, 64, 0, 65, 0, 66, 0, 67, 0, 68}},
    {"f11_f12", "\x1b[23~\x1b[24~", {224, 133, 224, 134}},
    {"linux_console_f1_f5", "\x1b[[A\x1b[[E", {0, 59, 0, 63}},
    {"ctrl_arrows", "\x1b[1;5A\x1b[1;5B\x1b[1;5D\x1b[1;5C", {224, 141, 224, 145, 224, 115, 224, 116}},
    {"ctrl_home_end", "\x1b[1;5H\x1b[1;5F", {224, 119, 224, 117}},
    {"alt_up", "\x1b[1;3A", {0, 152}},
    {"alt_left_right_as_xterm_and_esc_first_send_them", "\x1b[1;3D\x1b[1;3C\x1b\x1b[D\x1b\x1b[C",
     {0, 155, 0, 157, 0, 155, 0, 157}},
    // rxvt: Ctrl with the cursor keys is SS3 a-d, Shift CSI a-d; Ctrl wins over the Alt of an Esc first.
    {"rxvt_ctrl_arrows", "\x1bOa\x1bOb\x1bOd\x1bOc\x1b\x1bOd", {224, 141, 224, 145, 224, 115, 224, 116, 224, 115}},
    {"rxvt_shift_arrows_are_plain", "\x1b[a\x1b[b\x1b[d\x1b[c", {224, 72, 224, 80, 224, 75, 224, 77}},
    {"alt_editing_keys", "\x1b[1;3H\x1b[5;3~\x1b[1;3D\x1b[1;3C\x1b[1;3F\x1b[1;3B\x1b[6;3~\x1b[2;3~\x1b[3;3~",
     {0, 151, 0, 153, 0, 155, 0, 157, 0, 159, 0, 160, 0, 161, 0, 162, 0, 163}},
    {"ctrl_page_up_page_down_insert", "\x1b[5;5~\x1b[6;5~\x1b[2;5~", {224, 134, 224, 118, 224, 146}},
    {"shift_up_is_plain", "\x1b[1;2A", {224, 72}},
    {"ctrl_shift_takes_ctrl", "\x1b[1;6A", {224, 141}},
    {"ctrl_delete", "\x1b[3;5~", {224, 147}},
    {"shift_f1_ctrl_f1_alt_f1", "\x1b[1;2P\x1b[1;5P\x1b[1;3P", {0, 84, 0, 94, 0, 104}},
    {"shift_f1_to_f10", "\x1bO2P\x1b[1;2Q\x1b[1;2R\x1b[1;2S\x1b[15;2~\x1b[17;2~\x1b[18;2~\x1b[19;2~\x1b[20;2~\x1b[21;2~",
     {0, 84, 0, 85, 0, 86, 0, 87, 0, 88, 0, 89, 0, 90, 0, 91, 0, 92, 0, 93}},
    {"ctrl_f2_to_f10", "\x1b[1;5Q\x1b[1;5R\x1b[1;5S\x1b[15;5~\x1b[17;5~\x1b[18;5~\x1b[19;5~\x1b[20;5~\x1b[21;5~",
     {0, 95, 0, 96, 0, 97, 0, 98, 0, 99, 0, 100, 0, 101, 0, 102, 0, 103}},
    {"alt_f2_to_f10", "\x1b[1;3Q\x1b[1;3R\x1b[1;3S\x1b[15;3~\x1b[17;3~\x1b[18;3~\x1b[19;3~\x1b[20;3~\x1b[21;3~",
     {0, 105, 0, 106, 0, 107, 0, 108, 0, 109, 0, 110, 0, 111, 0, 112, 0, 113}},
    {"f11_f12_with_shift_ctrl_alt", "\x1b[23;2~\x1b[24;2~\x1b[23;5~\x1b[23;3~\x1b[24;3~",
     {224, 135, 224, 136, 224, 137, 224, 139, 224, 140}},
    {"ctrl_f12", "\x1b[24;5~", {224, 138}},
    {"shift_tab", "\x1b[Z", {0, 15}},
    {"keypad_enter", "\x1bOM", {13}},
    {"unknown_number_swallowed", "\x1b[99~x", {'x'}},
    {"unknown_final_swallowed", "\x1b[5Xy", {'y'}},
    {"device_report_swallowed", "\x1b[?1;2cz", {'z'}},
    {"cursor_position_reports_swallowed", "\x1b[12;40R\x1b[1;40R\x1b[24;1Rz", {'z'}},
    {"ctrl_f3_is_no_position_report", "\x1b[1;5R", {0, 96}},
    {"private_marker_sequence_swallowed", "\x1b[?A\x1b[>1;2Dz", {'z'}},
    {"bracketed_paste_marks_swallowed", "\x1b[200~ab\x1b[201~", {'a', 'b'}},
    // Up to 32 bytes before its final one a sequence is read; one more and it is dropped.
    {"sequence_up_to_the_capacity_is_a_key", "\x1b[" + std::string(29, '0') + "1~\x1b[" + std::string(30, '0') + "1~z",
     {224, 71, 'z'}},
    {"meta_sequence_up_to_the_capacity_is_a_key",
     "\x1b\x1b[" + std::string(29, '0') + "1~\x1b\x1b[" + std::string(30, '0') + "1~z", {0, 151, 'z'}},
    {"long_sequence_swallowed",
     "\x1b[1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;17;18;19;20mq", {'q'}},
    // Reports of the terminal are no keys: mouse reports and control strings.
    {"x10_mouse_reports_dropped", "1\x1b[M`F,2\x1b[MaF,3", {'1', '2', '3'}},
    {"x10_mouse_report_of_any_bytes", "\x1b[M\x1b\xff\x80z", {'z'}},
    {"osc_up_to_bel", "\x1b]0;x\x07" "5", {'5'}},
    {"osc_up_to_st", "\x1b]11;rgb:0000/0000/0000\x1b\\" "5", {'5'}},
    {"dcs_sos_pm_apc", "\x1bP1$r0m\x1b\\a\x1bXs\x07" "b\x1b^p\x1b\\c\x1b_g\x1b\\d", {'a', 'b', 'c', 'd'}},
    {"long_osc_up_to_st", "\x1b]2;" + std::string(100, 't') + "\x1b\\q", {'q'}},
    {"long_osc_up_to_bel", "\x1b]2;" + std::string(100, 't') + "\x07q", {'q'}},
    {"long_osc_cut_short_is_dropped", "\x1b]2;" + std::string(100, 't') + "\x1b", {}},
    {"esc_in_a_string_starts_afresh", "\x1b]0;x\x1b[A", {224, 72}},
    // A string cut short by the timeout: its last Esc or lead byte is no
    // newer than the rest, so its time is up as well.
    {"string_cut_short_after_its_esc", "\x1bPx\x1b", {0, 25, 'x', 27}},
    {"string_cut_short_in_a_character", "\x1b]x\xc3", {0, 27, 'x', '?'}},
    {"control_byte_breaks_sequence", "\x1b[1\rk", {13, 'k'}},
    {"nul_breaks_sequence", std::string("\x1b[\0k", 4), {0, 3, 'k'}},
    {"esc_inside_sequence_restarts", "\x1b[1\x1b[A", {224, 72}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Bytes, KeyDecoderTable, ::testing::ValuesIn(DECODE_CASES), CaseName());

TEST(KeyDecoderTime, LoneEscWaitsForItsDeadline) {
    KeyDecoder decoder;
    key_decoder_init(&decoder);
    feed(&decoder, "\x1b", 100);
    EXPECT_FALSE(key_decoder_has_key(&decoder));
    EXPECT_EQ(key_decoder_deadline(&decoder), 100 + KEY_ESC_TIMEOUT_MS);
    key_decoder_tick(&decoder, 100 + KEY_ESC_TIMEOUT_MS - 1);
    EXPECT_FALSE(key_decoder_has_key(&decoder));
    key_decoder_tick(&decoder, 100 + KEY_ESC_TIMEOUT_MS);
    EXPECT_EQ(take_codes(&decoder), std::vector<int>{27});
    EXPECT_EQ(key_decoder_deadline(&decoder), -1);
}

TEST(KeyDecoderTime, SequenceSplitAcrossReadsWithinTheTimeoutIsOneKey) {
    KeyDecoder decoder;
    key_decoder_init(&decoder);
    feed(&decoder, "\x1b", 0);
    feed(&decoder, "[", 10);
    feed(&decoder, "1;5", 20);
    EXPECT_FALSE(key_decoder_has_key(&decoder));
    feed(&decoder, "C", KEY_ESC_TIMEOUT_MS - 1);
    EXPECT_EQ(take_codes(&decoder), (std::vector<int>{224, 116}));
    EXPECT_EQ(key_decoder_deadline(&decoder), -1);
}

TEST(KeyDecoderTime, EscThenLateBytesAreSeparateKeys) {
    KeyDecoder decoder;
    key_decoder_init(&decoder);
    feed(&decoder, "\x1b", 0);
    feed(&decoder, "[A", KEY_ESC_TIMEOUT_MS + 5);
    EXPECT_EQ(take_codes(&decoder), (std::vector<int>{27, '[', 'A'}));
}

TEST(KeyDecoderTime, TimedOutPartialSequenceIsAMetaKeyThenItsBytes) {
    KeyDecoder decoder;
    key_decoder_init(&decoder);
    feed(&decoder, "\x1bO", 0);
    key_decoder_tick(&decoder, KEY_ESC_TIMEOUT_MS - 1);
    EXPECT_FALSE(key_decoder_has_key(&decoder));
    key_decoder_tick(&decoder, KEY_ESC_TIMEOUT_MS);
    EXPECT_EQ(take_codes(&decoder), (std::vector<int>{0, 24}));  // Alt+O
}

// Esc and a letter in two reads (a slow link) are one Meta key while the letter
// comes within 100 ms, and the Esc key and the letter after it.
TEST(KeyDecoderTime, MetaKeySplitAcrossReadsIsOneKeyWithinTheTimeout) {
    struct Case {
        uint64_t letter_at_ms;
        std::vector<int> codes;
    } cases[] = {
        {1, {0, 48}},
        {99, {0, 48}},
        {100, {27, 'b'}},
    };
    for (const Case& c : cases) {
        KeyDecoder decoder;
        key_decoder_init(&decoder);
        feed(&decoder, "\x1b", 0);
        feed(&decoder, "b", c.letter_at_ms);
        EXPECT_EQ(take_codes(&decoder), c.codes) << c.letter_at_ms;
        EXPECT_EQ(key_decoder_deadline(&decoder), -1);
    }
}

TEST(KeyDecoderTime, UtfEightSplitAcrossReadsIsOneCharacter) {
    KeyDecoder decoder;
    key_decoder_init(&decoder);
    feed(&decoder, "\xc3", 0);
    feed(&decoder, "\xa8", 5);  // è
    EXPECT_EQ(take_codes(&decoder), std::vector<int>{0x8A});
}

TEST(KeyDecoderTime, FlushAtEndOfInputGivesThePendingEsc) {
    KeyDecoder decoder;
    key_decoder_init(&decoder);
    feed(&decoder, "a\x1b", 0);
    key_decoder_flush(&decoder);
    EXPECT_EQ(take_codes(&decoder), (std::vector<int>{'a', 27}));
}

// CSI r;c R is Shift or Ctrl with F3, unless the terminal was asked where
// its cursor is: then the next one is the answer, kept out of the keys.
TEST(KeyDecoderCursor, TheAnswerToTheQuestionIsKeptApartFromTheKeys) {
    KeyDecoder decoder;
    key_decoder_init(&decoder);
    int32_t row = 0;
    int32_t column = 0;
    feed(&decoder, "\x1b[1;2R", 0);
    EXPECT_EQ(take_codes(&decoder), (std::vector<int>{0, 86}));  // Shift+F3
    EXPECT_FALSE(key_decoder_take_cursor(&decoder, &row, &column));
    key_decoder_ask_cursor(&decoder);
    feed(&decoder, "a\x1b[15;43Rb\x1b[1;2R", 1);
    EXPECT_EQ(take_codes(&decoder), (std::vector<int>{'a', 'b', 0, 86}));
    ASSERT_TRUE(key_decoder_take_cursor(&decoder, &row, &column));
    EXPECT_EQ(row, 15);
    EXPECT_EQ(column, 43);
    EXPECT_FALSE(key_decoder_take_cursor(&decoder, &row, &column));
}

TEST(KeyDecoderQueue, KeysBeyondTheCapacityAreLost) {
    KeyDecoder decoder;
    key_decoder_init(&decoder);
    std::string many(KEY_QUEUE_CAPACITY + 10, 'k');
    feed(&decoder, many, 0);
    EXPECT_EQ(take_codes(&decoder).size(), KEY_QUEUE_CAPACITY);
    feed(&decoder, "z", 1);
    EXPECT_EQ(take_codes(&decoder), std::vector<int>{'z'});
}

}  // namespace
