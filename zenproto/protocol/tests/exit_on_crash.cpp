// Under Wine a crashing program is ended through the crash debugger with an
// arbitrary exit status, 0 included, so a crash could pass for a passed
// test. Linked into each Windows test program: an unhandled exception ends
// the process at once with the exception code as its status.
#include <windows.h>

#include <cstdio>

namespace {

LONG WINAPI ExitOnCrash(EXCEPTION_POINTERS* info)
{
    const DWORD code = info && info->ExceptionRecord ? info->ExceptionRecord->ExceptionCode : 0;
    std::fprintf(stderr, "test program crashed: exception 0x%08lX\n", static_cast<unsigned long>(code));
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), code ? code : 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

const bool installed = (SetUnhandledExceptionFilter(ExitOnCrash), true);

}  // namespace
