// The calculator's expected screen, row by row and with its colours.
#include "tests/support/calculator_golden.h"

const std::string CALCULATOR_TITLE = std::string(CALCULATOR_TITLE_TEXT) + std::string(22, ' ') + CALCULATOR_CREDIT;

const std::vector<ScreenText>& finished_screen() {
    static const std::vector<ScreenText> texts = {
        {1, 1, CALCULATOR_TITLE, BLUE_ON_GREY}, {8, 12, CALCULATOR_ASK_TX, BLUE_ON_GREY},
        {8, 40, FINISHED_TX, BLUE_ON_GREY},     {10, 12, CALCULATOR_ASK_RX, BLUE_ON_GREY},
        {10, 40, FINISHED_RX, BLUE_ON_GREY},    {20, 12, CALCULATOR_RANGE_LABEL, BLUE_ON_CYAN},
        {20, 40, FINISHED_RANGE, BLUE_ON_CYAN}, {25, 12, CALCULATOR_PRESS_KEY, GREY_ON_BLACK},
    };
    return texts;
}

const ScreenText* finished_text_at(int32_t row, int32_t column) {
    for (const ScreenText& t : finished_screen()) {
        if (t.row == row && column >= t.column && column < t.column + static_cast<int32_t>(t.text.size())) return &t;
    }
    return nullptr;
}

SgrColours sgr_colours(uint16_t attribute) {
    switch (attribute) {
    case BLUE_ON_GREY: return SgrColours{34, 47};
    case BLUE_ON_CYAN: return SgrColours{34, 106};
    case GREY_ON_BLACK: return SgrColours{39, 49};
    default: return SgrColours{-1, -1};  // no colour of the calculator's
    }
}

std::string plain_transcript(const std::string& range) {
    return CALCULATOR_TITLE + "\n" + CALCULATOR_ASK_TX + "\n" + CALCULATOR_ASK_RX + "\n" + CALCULATOR_RANGE_LABEL +
           "\n" + range + " km \n" + CALCULATOR_PRESS_KEY + "\n";
}
