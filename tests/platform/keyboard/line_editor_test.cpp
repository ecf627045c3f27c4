// Tests of the line editor: what an edited line becomes, and how its echo
// looks in the screen buffer (wrapping at the right edge, scrolling at the
// bottom, erasing what editing removed). Each case types a script of keys
// into a 10x4 buffer and compares the whole buffer afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/keyboard/line_editor.h"
#include "tests/support/case_name.h"
#include "tests/support/key_names.h"
#include "tests/support/platform_text.h"
#include "tests/support/screen_text.h"

namespace {

struct EditCase {
    const char* name;
    int32_t x, y;                   // where typing starts
    std::string script;             // the keys, named as in key_names.h ("\r" is Enter too)
    std::string line;               // the last line completed, or the line being edited
    std::vector<std::string> rows;  // the buffer afterwards
    int32_t cursor_x, cursor_y;     // the cursor afterwards
    uint64_t scrolls;               // whole-buffer scrolls
    bool taller = false;            // the cursor drawn taller afterwards: overwriting
};

class LineEditorTable : public ::testing::TestWithParam<EditCase> {};

TEST_P(LineEditorTable, LineEchoAndCursor) {
    const EditCase& c = GetParam();
    EditorDesk desk(10, 4);
    ScreenBuffer& screen = desk.screen;
    LineEditor& editor = desk.editor;
    screen_write(&screen, reinterpret_cast<const uint8_t*>("top"), 3);
    screen_set_cursor(&screen, c.x, c.y);
    line_editor_begin(&editor, &screen);
    std::string completed;
    bool done = false;
    for (const Key& key : decoded_keys(c.script)) {
        if (done) line_editor_begin(&editor, &screen);
        done = line_editor_key(&editor, &screen, key) == LINE_EDITOR_DONE;
        if (done) completed = buffer_text(editor.text);
    }
    EXPECT_EQ(done ? completed : buffer_text(editor.text), c.line);
    for (int32_t y = 0; y < 4; ++y) {
        EXPECT_EQ(screen_row_text(screen, y), c.rows[static_cast<std::size_t>(y)]) << "row " << y;
    }
    EXPECT_EQ(screen.cursor_x, c.cursor_x);
    EXPECT_EQ(screen.cursor_y, c.cursor_y);
    EXPECT_EQ(screen.scrolls, c.scrolls);
    EXPECT_EQ(screen.cursor_double, c.taller);
}

// clang-format off
const EditCase EDIT_CASES[] = {
    {"enter_ends_the_line_on_the_next_row", 3, 1, "350\r", "350",
     {"top       ", "   350    ", "          ", "          "}, 0, 2, 0},
    {"echo_wraps_at_the_right_edge", 7, 1, "abcde", "abcde",
     {"top       ", "       abc", "de        ", "          "}, 2, 2, 0},
    {"a_full_row_then_enter_leaves_an_empty_row", 7, 1, "abc\r", "abc",
     {"top       ", "       abc", "          ", "          "}, 0, 3, 0},
    {"echo_scrolls_at_the_bottom_and_editing_follows", 6, 3, "12345<Home><Del>\r", "2345",
     {"          ", "      2345", "          ", "          "}, 0, 3, 2},
    {"backspace_blanks_the_end_and_stops_at_the_start", 0, 1, "hello<BS><BS><Home><BS>", "hel",
     {"top       ", "hel       ", "          ", "          "}, 0, 1, 0},
    {"insert_in_the_middle_shifts_across_the_wrap", 6, 1, "abcd<Left><Left>XY\r", "abXYcd",
     {"top       ", "      abXY", "cd        ", "          "}, 0, 3, 0},
    {"delete_and_backspace_pull_the_tail_back", 6, 1, "abcdef<Home><Del><End><BS>", "bcde",
     {"top       ", "      bcde", "          ", "          "}, 0, 2, 0},
    {"escape_clears_the_whole_line", 4, 1, "999999<Left><Esc>7", "7",
     {"top       ", "    7     ", "          ", "          "}, 5, 1, 0},
    {"cursor_keys_stay_inside_the_line", 1, 1, "ab<Right><Left><Left><Left>", "ab",
     {"top       ", " ab       ", "          ", "          "}, 1, 1, 0},
    {"ctrl_keys_move_by_word_and_delete_to_either_end", 0, 1, "12 34 56<C-Left><C-Left><C-End><Left><C-Home>", " ",
     {"top       ", "          ", "          ", "          "}, 0, 1, 0},
    {"up_and_down_recall_without_wrapping", 0, 1, "100\r25\rx<Up><Up><Up><Down><BS>\r", "2",
     {"100       ", "25        ", "2         ", "          "}, 0, 3, 1},
    {"down_after_up_brings_back_the_line_being_typed", 0, 1, "100\r25\r55<Up><Up><Down><Down><Down>", "55",
     {"top       ", "100       ", "25        ", "55        "}, 2, 3, 0},
    {"the_line_being_typed_survives_page_up_and_a_cleared_entry", 0, 1, "1\r2\r34<PgUp><Esc><Down><Down>", "34",
     {"top       ", "1         ", "2         ", "34        "}, 2, 3, 0},
    {"ctrl_a_and_ctrl_e_go_to_the_ends", 0, 1, "123<C-a>0<C-e>4", "01234",
     {"top       ", "01234     ", "          ", "          "}, 5, 1, 0},
    {"ctrl_b_and_ctrl_f_move_one_character_inside_the_line", 0, 1, "ab<C-b><C-b><C-b>X<C-f><C-f><C-f>Y", "XabY",
     {"top       ", "XabY      ", "          ", "          "}, 4, 1, 0},
    {"ctrl_u_erases_from_the_start_to_the_cursor", 2, 1, "12 34<Left><Left><C-u>", "34",
     {"top       ", "  34      ", "          ", "          "}, 2, 1, 0},
    {"ctrl_k_erases_from_the_cursor_to_the_end", 0, 1, "12 34<Left><Left><C-k>", "12 ",
     {"top       ", "12        ", "          ", "          "}, 3, 1, 0},
    {"ctrl_w_erases_the_word_before_the_cursor", 0, 1, "12 345 6<Left><C-w>", "12 6",
     {"top       ", "12 6      ", "          ", "          "}, 3, 1, 0},
    {"meta_b_and_meta_f_move_to_a_words_start_and_end", 0, 1, "12 34 56<M-b><M-b>X<M-f>Y", "12 X34Y 56",
     {"top       ", "12 X34Y 56", "          ", "          "}, 7, 1, 0},
    {"alt_left_and_alt_right_move_as_meta_b_and_meta_f", 0, 1, "12 34 56<A-Left><A-Left>X<A-Right>Y", "12 X34Y 56",
     {"top       ", "12 X34Y 56", "          ", "          "}, 7, 1, 0},
    {"meta_f_stops_at_the_words_end_ctrl_right_at_the_next_start", 0, 1, "11 22<Home><M-f>9<Home><C-Right>8",
     "119 822", {"top       ", "119 822   ", "          ", "          "}, 5, 1, 0},
    {"meta_d_and_meta_backspace_erase_a_word_after_and_before", 0, 1, "12 34 56<Home><Right><Right><M-d><End><M-BS>",
     "12 ", {"top       ", "12        ", "          ", "          "}, 3, 1, 0},
    {"ctrl_d_on_text_deletes_under_the_cursor", 0, 1, "123<Left><Left><C-d><End><C-d>", "13",
     {"top       ", "13        ", "          ", "          "}, 2, 1, 0},
    {"other_meta_keys_and_ctrl_l_leave_the_line", 0, 1, "12<Left><M-x><M-Space><C-l>", "12",
     {"top       ", "12        ", "          ", "          "}, 1, 1, 0},
    {"empty_lines_stay_out_of_the_history", 0, 1, "5\r\r<PgDn>", "5",
     {"top       ", "5         ", "          ", "5         "}, 1, 3, 0},
    {"insert_toggles_overwriting_and_deletes_nothing", 0, 1, "abcd<Home><Right><Ins>XY<Ins>Q<End><Ins>Z",
     "aXYQdZ", {"top       ", "aXYQdZ    ", "          ", "          "}, 6, 1, 0, true},
    {"enter_ends_overwriting", 0, 1, "1<Ins>2\r", "12", {"top       ", "12        ", "          ", "          "}, 0, 2, 0},
    {"the_end_of_input_ends_overwriting", 0, 1, "<Ins>3<C-u><C-d>", "",
     {"top       ", "          ", "          ", "          "}, 0, 1, 0},
    {"controls_and_function_keys_are_not_inserted", 0, 1, "a<F3><C-t>\x82", "a\x82",
     {"top       ", "a\x82        ", "          ", "          "}, 2, 1, 0},
    // A Tab stays in the line, echoed as blanks up to the next multiple of
    // 8 columns (the right edge at the latest), as the console echoes it.
    {"tab_is_kept_and_echoed_to_the_next_stop", 0, 1, "100<Tab>25", "100\t25",
     {"top       ", "100     25", "          ", "          "}, 0, 2, 0},
    {"tab_at_the_last_stop_fills_to_the_edge", 6, 1, "ab<Tab>c", "ab\tc",
     {"top       ", "      ab  ", "c         ", "          "}, 1, 2, 0},
    {"backspace_takes_a_tab_whole", 0, 1, "1<Tab>2<Left><BS>", "12",
     {"top       ", "12        ", "          ", "          "}, 1, 1, 0},
    {"text_before_a_tab_moves_its_stop", 0, 1, "123456789<Tab>x<Home><Del><Del>", "3456789\tx",
     {"top       ", "3456789 x ", "          ", "          "}, 0, 1, 0},
    {"cursor_keys_and_words_step_over_a_tab", 0, 1, "1<Tab>2<Home><Right><Right>a<M-f>b<C-Left>c", "1\tca2b",
     {"top       ", "1       ca", "2b        ", "          "}, 9, 1, 0},
    // The console's function keys work on the last line, the newest entry.
    // A popup covers the whole of this small screen and gives it all back.
    {"f1_and_right_at_the_end_copy_the_last_lines_next_character", 0, 1, "169\r5<Left><Right><F1>", "56",
     {"top       ", "169       ", "56        ", "          "}, 2, 2, 0},
    {"f3_copies_the_rest_of_the_last_line_over_the_line", 0, 0, "123\r9<F3>\rabcde<Home><Right><F3>", "a23de",
     {"123       ", "923       ", "a23de     ", "          "}, 3, 2, 0},
    {"f2_copies_the_last_line_up_to_a_character_found_after_the_cursor", 0, 1, "10,25,7\r<F2>,<F2>7<F2>x<F2><Esc>",
     "10,25,", {"top       ", "10,25,7   ", "10,25,    ", "          "}, 6, 2, 0},
    {"f4_erases_up_to_a_character_or_to_the_end", 0, 1, "1234567<Home><Right><F4>5<F4><Esc><Right><F4>x", "15",
     {"top       ", "15        ", "          ", "          "}, 2, 1, 0},
    {"f5_is_up", 0, 1, "1\r2\r<F5><F5>", "1", {"top       ", "1         ", "2         ", "1         "}, 1, 3, 0},
    {"f6_puts_in_a_ctrl_z_shown_as_caret_z", 0, 1, "12<F6>3<Left><Left><BS>", "1\x1a" "3",
     {"top       ", "1^Z3      ", "          ", "          "}, 1, 1, 0},
    {"f8_finds_older_entries_by_the_text_left_of_the_cursor", 0, 0, "400\r25\r410\r4<F8><F8>", "400",
     {"400       ", "25        ", "410       ", "400       "}, 1, 3, 0},
    {"f8_cycles_in_any_case_and_down_brings_back_the_typed_text", 0, 1, "ab\rAc\ra<F8><F8><F8><Down>", "a",
     {"top       ", "ab        ", "Ac        ", "a         "}, 1, 3, 0},
    {"f7_enter_ends_the_line_with_the_selected_entry", 0, 1, "100\r25\r<F7><Up>\r", "100",
     {"100       ", "25        ", "100       ", "          "}, 0, 3, 1},
    {"f7_delete_takes_an_entry_out_and_left_takes_one_to_edit", 0, 0, "100\r25\r<F7><Esc><F7><Del><Left>9<PgDn>", "100",
     {"100       ", "25        ", "100       ", "          "}, 3, 2, 0},
    {"f7_closes_when_its_last_entry_is_deleted", 0, 1, "5\r<F7><Del><F7>6", "6",
     {"top       ", "5         ", "6         ", "          "}, 1, 2, 0},
    {"f7_list_scrolls_to_keep_the_selection_in_view", 0, 1, "1\r2\r3\r4\r5\r<F7><Up><Up><Up>", "",
     {"\xda\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xbf", "\xb3" "1: 2    \xb3", "\xb3" "2: 3    \xb3",
      "\xc0\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xd9"}, 0, 3, 3},
    {"f7_home_page_down_end_and_a_character_move_the_selection", 0, 1, "1\r2\r3\r4\r5\r<F7><Home><PgDn><End>3\r",
     "3", {"4         ", "5         ", "3         ", "          "}, 0, 3, 4},
    {"f9_asks_for_a_number_alone_or_over_the_list", 0, 1, "7\r8\r<F7><F9>0\r<Esc><F9>97<BS>\r", "8",
     {"top       ", "7         ", "8         ", "8         "}, 1, 3, 0},
    {"f9_draws_its_box_and_prompt_into_the_screen", 0, 1, "1\r<F9>12",  "",
     {"\xda\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xbf", "\xb3" "Ent12 co\xb3", "\xc0\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xd9",
      "          "}, 0, 2, 0},
    {"alt_f7_empties_the_history", 0, 1, "1\r<A-F7><Up><F7><F3>2", "2",
     {"top       ", "1         ", "2         ", "          "}, 1, 2, 0},
    {"line_longer_than_the_buffer_keeps_its_end_editable", 0, 0, std::string(45, 'z') + "<BS><Home>",
     std::string(44, 'z'), {std::string(10, 'z'), std::string(10, 'z'), std::string(10, 'z'), "zzzz      "}, 0, 0, 1},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Scripts, LineEditorTable, ::testing::ValuesIn(EDIT_CASES), CaseName());

TEST(LineEditor, EchoTakesTheCurrentAttribute) {
    EditorDesk desk(10, 4);
    ScreenBuffer& screen = desk.screen;
    LineEditor& editor = desk.editor;
    screen_set_attribute(&screen, 0x1E);
    line_editor_begin(&editor, &screen);
    line_editor_key(&editor, &screen, Key{false, 0, '4'});
    EXPECT_EQ(screen_cell(&screen, 0, 0).attr, 0x1E);
    EXPECT_EQ(screen_cell(&screen, 1, 0).attr, 0x07);
}

// A popup open meanwhile gives its cells back before the line is laid out
// again, and stands over the new layout until it closes.
TEST(LineEditor, AResizeLaysTheLineOutAgainInTheNewWidth) {
    for (const char* popup : {"", "<F2>"}) {
        EditorDesk desk(10, 4);
        ScreenBuffer& screen = desk.screen;
        LineEditor& editor = desk.editor;
        screen_set_cursor(&screen, 6, 0);
        line_editor_begin(&editor, &screen);
        for (const Key& key : decoded_keys(std::string("abcdefgh") + popup)) line_editor_key(&editor, &screen, key);
        screen_resize(&screen, 5, 4);  // the left 5 columns stay: row 1 still shows "efgh"
        for (const Key& key : decoded_keys(*popup != '\0' ? "<Esc>i" : "i")) line_editor_key(&editor, &screen, key);
        std::string rows;
        for (int32_t y = 0; y < 4; ++y) rows += screen_row_text(screen, y) + "|";
        EXPECT_EQ(rows, "    a|bcdef|ghi  |     |") << popup;
        EXPECT_EQ(screen.cursor_x, 3);
        EXPECT_EQ(screen.cursor_y, 2);
    }
}

// A terminal made shorter, no narrower, crops the rows the line went on to:
// the line is laid out again from its start all the same, scrolling at the
// new bottom, and typing goes on after it.
TEST(LineEditor, AResizeOfTheHeightAloneLaysTheLineOutAgain) {
    EditorDesk desk(10, 6);
    ScreenBuffer& screen = desk.screen;
    LineEditor& editor = desk.editor;
    screen_write(&screen, reinterpret_cast<const uint8_t*>("top"), 3);
    screen_set_cursor(&screen, 2, 4);
    line_editor_begin(&editor, &screen);
    for (char c : std::string("abcdefghijkl"))
        line_editor_key(&editor, &screen, Key{false, 0, static_cast<uint8_t>(c)});
    screen_resize(&screen, 10, 5);  // row 5, with "ijkl", is cut off
    line_editor_follow(&editor, &screen);
    EXPECT_EQ(screen.cursor_x, 4);
    EXPECT_EQ(screen.cursor_y, 4);
    line_editor_key(&editor, &screen, Key{false, 0, 'm'});
    std::string rows;
    for (int32_t y = 0; y < 5; ++y) rows += screen_row_text(screen, y) + "|";
    EXPECT_EQ(rows, "          |          |          |  abcdefgh|ijklm     |");
    EXPECT_EQ(screen.cursor_x, 5);
    EXPECT_EQ(screen.cursor_y, 4);
    EXPECT_EQ(buffer_text(editor.text), "abcdefghijklm");
}

// Ctrl+L leaves the line as it is and asks the keyboard for a redraw.
TEST(LineEditor, CtrlLAsksForARedraw) {
    EditorDesk desk(10, 4);
    ScreenBuffer& screen = desk.screen;
    LineEditor& editor = desk.editor;
    line_editor_begin(&editor, &screen);
    line_editor_key(&editor, &screen, Key{false, 0, '9'});
    EXPECT_FALSE(editor.redraw_wanted);
    EXPECT_EQ(line_editor_key(&editor, &screen, Key{false, 0, 12}), LINE_EDITOR_EDITING);
    EXPECT_TRUE(editor.redraw_wanted);
    EXPECT_EQ(buffer_text(editor.text), "9");
}

// Where stty has set other kill and word-erase characters they act as
// Ctrl+U and Ctrl+W, which keep working; a character set to none (0) is
// not taken for NUL.
TEST(LineEditor, TheTerminalsKillAndWordEraseCharactersEditTheLine) {
    struct Case {
        uint8_t kill, word_erase;
        uint8_t key;
        const char* line;
        // clang-format off
    } cases[] = {
        {24, 7, 24, "5"},     // Ctrl+X kills "12 34" up to the cursor
        {24, 7, 7, "12 5"},   // Ctrl+G erases "34"
        {24, 7, 21, "5"},     // Ctrl+U still kills
        {24, 7, 23, "12 5"},  // Ctrl+W still erases a word
        {'@', 7, '@', "5"},   // a printable kill character, as on old Unix, kills too
        {0, 0, 24, "12 345"}, // none set: Ctrl+X does nothing
    };
    // clang-format on
    for (const Case& c : cases) {
        EditorDesk desk(10, 4);
        ScreenBuffer& screen = desk.screen;
        LineEditor& editor = desk.editor;
        line_editor_begin(&editor, &screen);
        editor.kill_key = c.kill;
        editor.word_erase_key = c.word_erase;
        for (char typed : std::string("12 345"))
            line_editor_key(&editor, &screen, Key{false, 0, static_cast<uint8_t>(typed)});
        line_editor_key(&editor, &screen, Key{true, 224, 75});  // Left: "12 34|5"
        line_editor_key(&editor, &screen, Key{false, 0, c.key});
        EXPECT_EQ(buffer_text(editor.text), c.line) << int{c.key};
    }
}

TEST(LineEditor, CtrlDEndsInputOnlyOnAnEmptyLine) {
    EditorDesk desk(10, 4);
    ScreenBuffer& screen = desk.screen;
    LineEditor& editor = desk.editor;
    line_editor_begin(&editor, &screen);
    constexpr Key CTRL_D{false, 0, 4};
    line_editor_key(&editor, &screen, Key{false, 0, '1'});
    EXPECT_EQ(line_editor_key(&editor, &screen, CTRL_D), LINE_EDITOR_EDITING);
    line_editor_key(&editor, &screen, Key{false, 0, 8});
    EXPECT_EQ(line_editor_key(&editor, &screen, CTRL_D), LINE_EDITOR_END);
}

}  // namespace
