// Program entry of the runner.
#include "runner/Runner_Form.h"

int Runner_Main(int, char**) { return 0; }
