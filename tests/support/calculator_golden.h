// What the calculator must show, written out once from its description for
// every test that looks at it: the finished 80x25 screen after the answers
// 100 and 25 (for the console model and for a terminal), the plain text it
// writes when its output is not a console, and answers with what they give.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr uint16_t BLUE_ON_GREY = 0x71;   // the title, the questions and the answers
constexpr uint16_t BLUE_ON_CYAN = 0xB1;   // the range
constexpr uint16_t GREY_ON_BLACK = 0x07;  // the console's own attribute

// The texts, the same on the screen and in the plain text.
constexpr const char* CALCULATOR_TITLE_TEXT = " Velmora Istranda Quolvenix Pardov";  // row 1 from its start
constexpr const char* CALCULATOR_CREDIT = "Ostravel Kamuni Dreskov ";                // row 1 up to its end
extern const std::string CALCULATOR_TITLE;                                           // the whole of row 1
constexpr const char* CALCULATOR_ASK_TX = " Antenna TX a mt. slm ";
constexpr const char* CALCULATOR_ASK_RX = " Antenna RX a mt. slm ";
constexpr const char* CALCULATOR_RANGE_LABEL = " Portata ottica: ";
constexpr const char* CALCULATOR_PRESS_KEY = " premi un tasto per terminare";

// The answers of the finished screen and the range they give.
constexpr const char* FINISHED_TX = "100";
constexpr const char* FINISHED_RX = "25";
constexpr const char* FINISHED_RANGE = " 60 km ";

// A text on the screen from a 1-based row and column, in one attribute.
struct ScreenText {
    int32_t row;
    int32_t column;
    std::string text;
    uint16_t attribute;
};

// Every text of the finished screen; each other cell is a blank in GREY_ON_BLACK.
const std::vector<ScreenText>& finished_screen();
// The text covering a 1-based cell of the finished screen, null for a blank.
const ScreenText* finished_text_at(int32_t row, int32_t column);
constexpr int32_t FINISHED_CURSOR_ROW = 25;  // 1-based, after the last text
constexpr int32_t FINISHED_CURSOR_COLUMN = 41;

// An attribute as a terminal shows it: SGR colour numbers, 39/49 the terminal's own.
struct SgrColours {
    int32_t fg;
    int32_t bg;
};
// The SGR colours a console attribute is shown with.
SgrColours sgr_colours(uint16_t attribute);

// What the program writes when its output is a pipe or a file, `range`
// being the range's number as printed (" 60").
std::string plain_transcript(const std::string& range);

// Two typed answers, the heights the calculator takes from them and the
// range row 20 shows from column 40.
struct CalculatorAnswers {
    const char* tx;
    const char* rx;
    int32_t tx_height;
    int32_t rx_height;
    const char* shown;
};

// Each answer is the first field of its line, as atoi reads it.
constexpr CalculatorAnswers CALCULATOR_ANSWER_CASES[] = {
    {"150,30", "25", 150, 25, " 69 km "},
    {"12.7", "0", 12, 0, " 14 km "},
    {"12.7", "", 12, 0, " 14 km "},
    {"", "", 0, 0, " 0 km "},
    {"abc", "xyz", 0, 0, " 0 km "},
    {"abc", "-100", 0, -100, " 0 km "},
    {"2", "3", 2, 3, " 13 km "},
    {"100\t25", "0", 100, 0, " 40 km "},  // a Tab separates fields as a blank does
    {"-100", "100", -100, 100, " 40 km "},
    {"99999999999", "0", 2147483647, 0, " 185364 km "},
    {"77777777777777777777777777777777777777777777777", "1", 2147483647, 1, " 185368 km "},
};
