// quarvel-runner: the program image that games are appended to.
#include "platform/Platform_Sanitizer.h"
#include "runner/Runner_Form.h"

QV_LEAK_SUPPRESSIONS

int main(int argc, char** argv) {
    return Runner_Main(argc, argv);
}
