// portata: the optical range between two FM antennas.
#include "runtime/core/runtime.h"

int main(int argc, char** argv) {
    runtime_init(argc, argv);
    runtime_end(0);
}
