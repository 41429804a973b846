// quarvel-runner: the program image that games are appended to.
#include "runner/Runner_Form.h"

int main(int argc, char** argv) {
    return Runner_Main(argc, argv);
}
