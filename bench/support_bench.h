// Shared set-up of the benchmarks: the program started offscreen against
// the simulated sensor on port 1, as a user starts it, and the CPU clock of
// the user-interface thread.
#pragma once

// Creates the toolkit, loads the panels, starts the simulated sensor with
// model and runs the start-up probe. 1, or 0 with a message on stderr.
int StartBenchProgram(int* argc, char** argv, const char* model);
// The simulated sensor answers at the line's pace (19200 baud) or at once.
void SetSimPaced(int paced);
// CPU seconds of the calling thread (user + system).
double ThreadCpuSeconds(void);
