// Runs a Windows program to its end, presses OK on every message box it
// shows, and prints the boxes and the exit status. For scripts that drive
// the launcher under Wine without a person at the screen.
//   zen_run_answer.exe [--unelevated] PROGRAM [ARGUMENTS...]
// --unelevated runs it as a user who did not choose "Run as administrator"
// (under Wine every program is started elevated).
#include <windows.h>

#include <cstdio>
#include <string>

#include "uiauto.h"

int main(int argc, char** argv)
{
    int first = 1;
    zentaris::UniqueKernelHandle token;
    if (argc > 1 && std::string(argv[1]) == "--unelevated") {
        token = uiauto::UnelevatedToken();
        if (!token) {
            std::fprintf(stderr, "zen_run_answer: this process has no unelevated token to give\n");
            return 2;
        }
        ++first;
    }
    if (argc <= first) {
        std::fprintf(stderr, "usage: zen_run_answer [--unelevated] PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    // The program gets our arguments joined by spaces, exactly as they came
    // in, quotes included: pass a launch URL as one argument.
    std::string arguments;
    for (int i = first + 1; i < argc; ++i) {
        if (i > first + 1) arguments += ' ';
        arguments += argv[i];
    }
    const uiauto::RunResult run = uiauto::RunAndAnswer(argv[first], arguments, 60000, {}, token.get());
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
