#include "entry/run_modes.h"

int main(int argc, char** argv) {
    return fellridge::entry::run(argc, argv);
}
