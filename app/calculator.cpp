// The calculator's one straight sequence. Every text is a temporary
// descriptor made from its literal; the print layer releases it.
#include "app/calculator.h"

#include "app/range.h"
#include "runtime/console/console_device.h"
#include "runtime/console/print.h"
#include "runtime/core/temp_pool.h"
#include "runtime/input/input_fields.h"
#include "runtime/input/key_wait.h"
#include "runtime/input/line_input.h"

CalculatorVariables calculator;

namespace {

constexpr int32_t CONSOLE = 0;
constexpr int32_t KEEP = -1;

constexpr int32_t BLUE = 1;
constexpr int32_t LIGHT_GREY = 7;
constexpr int32_t BLACK = 0;
constexpr int32_t LIGHT_CYAN = 11;
constexpr int32_t WHITE = 15;

constexpr char TITLE[] = " Velmora Istranda Quolvenix Pardov";
constexpr char CREDIT[] = "Ostravel Kamuni Dreskov ";
constexpr char ASK_TX[] = " Antenna TX a mt. slm ";
constexpr char ASK_RX[] = " Antenna RX a mt. slm ";
constexpr char PROMPT[] = "";
constexpr char RANGE_LABEL[] = " Portata ottica: ";
constexpr char RANGE_UNIT[] = " km ";
constexpr char PRESS_KEY[] = " premi un tasto per terminare";

// Blanks between the title and the credit: the bar spans 80 columns.
constexpr int32_t TITLE_GAP = 80 - (sizeof TITLE - 1) - (sizeof CREDIT - 1);

template <std::size_t N>
void print_literal(const char (&text)[N], PrintMask mask) {
    print_string(CONSOLE, str_temp_for_literal(text, static_cast<int32_t>(N)), mask);
}

// The cursor goes just after the field label; the typed line's first field
// is the height.
void ask_height(int32_t row, int32_t* input) {
    console_locate(row, 40, KEEP);
    console_input(str_temp_for_literal(PROMPT, sizeof PROMPT), 0, 0);
    input_int32(input);
}

}  // namespace

void calculator_run() {
    console_clear(CONSOLE_CLEAR_DEFAULT);
    console_color(KEEP, WHITE);
    console_color(BLUE, LIGHT_GREY);
    console_locate(1, 1, KEEP);
    print_literal(TITLE, 0);
    print_string(CONSOLE, space_string(TITLE_GAP), 0);
    print_literal(CREDIT, PRINT_NEWLINE);
    console_color(BLUE, LIGHT_GREY);

    console_locate(8, 12, KEEP);
    print_literal(ASK_TX, PRINT_NEWLINE);
    ask_height(8, &calculator.tx_input);
    calculator.tx_height = calculator.tx_input;

    console_locate(10, 12, KEEP);
    print_literal(ASK_RX, PRINT_NEWLINE);
    ask_height(10, &calculator.rx_input);
    calculator.rx_height = calculator.rx_input;

    calculator.range_km = range_km_compute(calculator.tx_height, calculator.rx_height);

    console_locate(20, 12, KEEP);
    console_color(BLUE, LIGHT_CYAN);
    print_literal(RANGE_LABEL, PRINT_NEWLINE);
    console_locate(20, 40, KEEP);
    print_int(CONSOLE, calculator.range_km, 0);
    print_literal(RANGE_UNIT, PRINT_NEWLINE);

    console_locate(25, 12, KEEP);
    console_color(LIGHT_GREY, BLACK);
    print_literal(PRESS_KEY, 0);

    sleep_key(-1);
}
