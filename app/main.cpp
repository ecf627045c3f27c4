// portata: the optical range between two FM antennas.
#include "app/calculator.h"
#include "runtime/core/runtime.h"

int main(int argc, char** argv) {
    runtime_init(argc, argv);
    calculator_run();
    runtime_end(0);
}
