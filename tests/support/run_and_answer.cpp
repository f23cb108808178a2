// Runs a Windows program to its end, presses OK on every message box it
// shows, and prints the boxes and the exit status. For scripts that drive
// the launcher under Wine without a person at the screen.
//   zen_run_answer.exe PROGRAM [ARGUMENTS...]
#include <windows.h>

#include <cstdio>
#include <string>

#include "uiauto.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: zen_run_answer PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    // The program gets our arguments joined by spaces, exactly as they came
    // in, quotes included: pass a launch URL as one argument.
    std::string arguments;
    for (int i = 2; i < argc; ++i) {
        if (i > 2) arguments += ' ';
        arguments += argv[i];
    }
    const uiauto::RunResult run = uiauto::RunAndAnswer(argv[1], arguments, 60000);
    for (const uiauto::MessageBoxInfo& box : run.boxes) {
        std::printf("message box: [%s] %s\n", box.caption.c_str(), box.text.c_str());
    }
    if (run.startError) {
        std::printf("could not start: error %lu\n", static_cast<unsigned long>(run.startError));
        return 3;
    }
    if (!run.exited) {
        std::printf("still running after 60 s: ended\n");
        return 3;
    }
    std::printf("exit status: %lu\n", static_cast<unsigned long>(run.exitCode));
    return 0;
}
