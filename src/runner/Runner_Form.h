// The runner's process skeleton: program entry, trace log, main form and shutdown.
#pragma once

int Runner_Main(int argc, char** argv);
